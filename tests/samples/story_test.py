"""The samples under examples/ each tell one story: what a run states about
itself agrees with its own details, so that a newcomer reading a page of them
is not left to wonder which number to believe.

- counts: successes and failures add up to the samples run, and the stated
  pass rate is successes over samples (to the four decimals samples state);
  a criterion's pass and fail add up to the samples run, its rate to pass over
  both; passing latencies are one per success, in ascending order;
- standings: every check of a criterion counts the same samples per input,
  and its stated fraction is what held over those samples, or over the judged
  ones;
- optimization runs: totalIterations counts the iterations, bestScore is the
  best iteration's score, no iteration scores better under the objective, and
  a run scored by its pass rate scores each iteration with that rate;
- measurements: the supported rate is not above the observed one.

    story_test.py SOURCE_DIR
"""
import glob
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "schemas"))
from artefacts import Reading  # noqa: E402

problems = []


def close(stated, exact):
    return abs(stated - exact) <= 0.00051


def check_standings(where, standings):
    samples = {}
    for row in standings["rows"]:
        judged = row["passed"] + row["failed"]
        total = judged + row["skipped"]
        samples.setdefault(row["inputIndex"], set()).add(total)
        # Producers state the share of all samples or of the judged ones.
        shares = [row["passed"] / n for n in (total, judged) if n]
        if shares and not any(close(row["observedFraction"], share) for share in shares):
            problems.append(f"{where}: {row['check']} on input {row['inputIndex']} states {row['observedFraction']} "
                            f"for {row['passed']} of {total}")
    for index, totals in samples.items():
        if len(totals) > 1:
            problems.append(f"{where}: the checks of input {index} count {sorted(totals)} samples")


def check_criterion(where, passed, failed, rate, standings, executed):
    if executed is not None and passed + failed != executed:
        problems.append(f"{where}: {passed} passed and {failed} failed of {executed} samples")
    if rate is not None and passed + failed and not close(rate, passed / (passed + failed)):
        problems.append(f"{where}: rate {rate} for {passed} of {passed + failed}")
    if standings:
        check_standings(where, standings)


def check_run(where, unit):
    executed = unit["execution"]["samplesExecuted"]
    statistics = unit["statistics"]
    successes, failures = statistics["successes"], statistics["failures"]
    if successes + failures != executed:
        problems.append(f"{where}: {successes} successes and {failures} failures of {executed} samples")
    if executed and not close(statistics["observed"], successes / executed):
        problems.append(f"{where}: observed {statistics['observed']} for {successes} of {executed}")
    latencies = (unit.get("latency") or {}).get("sortedPassingLatenciesMs")
    if latencies is not None and (len(latencies) != successes or latencies != sorted(latencies)):
        problems.append(f"{where}: {len(latencies)} passing latencies for {successes} successes, or out of order")
    for name, tally in (statistics.get("criteria") or {}).items():
        check_criterion(f"{where} {name}", tally["pass"], tally["fail"], tally["observedPassRate"],
                        tally.get("standings"), executed)


def check_optimization(where, run):
    iterations = run["iterations"]
    convergence = run["convergence"]
    for iteration in iterations:
        check_run(f"{where} iteration {iteration['iteration']}", iteration)
        if run.get("scorer") == "observed-pass-rate" and iteration["score"] != iteration["statistics"]["observed"]:
            problems.append(f"{where} iteration {iteration['iteration']}: scored {iteration['score']} by a pass "
                            f"rate of {iteration['statistics']['observed']}")
    if convergence["totalIterations"] != len(iterations):
        problems.append(f"{where}: {convergence['totalIterations']} iterations stated, {len(iterations)} listed")
    best = [i for i in iterations if i["iteration"] == convergence["bestIteration"]]
    if not best or best[0]["score"] != convergence["bestScore"]:
        problems.append(f"{where}: best iteration {convergence['bestIteration']} does not score "
                        f"{convergence['bestScore']}")
    better = min if run["objective"] == "MINIMIZE" else max
    top = better(iterations, key=lambda i: i["score"])
    if best and top["score"] != best[0]["score"]:
        problems.append(f"{where}: iteration {top['iteration']} scores {top['score']} under {run['objective']}, "
                        f"better than the stated best {convergence['bestIteration']}")


def check_measurement(where, record):
    executed = (record.get("execution") or {}).get("samplesExecuted")
    for name, criterion in (record.get("criteria") or {}).items():
        successes, trials = criterion["successes"], criterion["trials"]
        check_criterion(f"{where} {name}", successes, trials - successes, criterion.get("observedPassRate"),
                        criterion.get("standings"), None)
        if executed is not None and trials > executed:
            problems.append(f"{where} {name}: {trials} trials of {executed} samples")
        bound, rate = criterion.get("wilsonLowerBound"), criterion.get("observedPassRate")
        if bound is not None and rate is not None and bound > rate:
            problems.append(f"{where} {name}: supported rate {bound} above the observed {rate}")


def main(source):
    checks = {"brelk-explore-1": check_run, "brelk-optimize-1": check_optimization,
              "brelk-baseline-1": check_measurement}
    paths = sorted(glob.glob(os.path.join(source, "examples/*/*/*.yaml")))
    for path in paths:
        with open(path, encoding="utf-8") as file:
            document = Reading(file.read()).value
        checks[document["schemaVersion"]](os.path.relpath(path, source), document)
    for problem in problems:
        print("FAIL: " + problem)
    print(f"{len(paths)} samples read")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
