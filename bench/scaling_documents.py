"""Artefacts for the scaling bench: each one the size of a sample artefact in
every dimension but the one being grown.

`Shape` holds every dimension; `explore_tree`, `optimize_tree`,
`baseline_tree` and `verdict_tree` write a whole artefact tree of that shape.
Everything is deterministic: the same shape gives the same bytes.
"""
import json
import random
import sys
from dataclasses import dataclass, replace
from pathlib import Path

WORDS = ("basket total currency delivery notebook pen organiser express gift wrap catalogue price "
         "stock notes customer reply summary items plain words date code").split()


@dataclass(frozen=True)
class Shape:
    """One artefact tree. The defaults are the size of the sample artefacts."""
    services: int = 1
    configurations: int = 7      # per service (explore), records per use case (verdict)
    tiny: bool = False           # configurations of a few lines each, as produced for quick smoke runs
    criteria: int = 3
    checks: int = 5              # per criterion
    inputs: int = 5
    exemplars: int = 2           # observed values on a failing row
    factors: int = 5
    prompt_lines: int = 16
    latencies: int = 300
    failures: int = 9            # failure-distribution entries
    iterations: int = 8          # per optimization run

    def grown(self, **dimension):
        return replace(self, **dimension)


def q(text):
    """A YAML double-quoted scalar (JSON's string syntax is a subset of it)."""
    return json.dumps(text, ensure_ascii=False)


def sentence(rng, words=8):
    return " ".join(rng.choice(WORDS) for _ in range(words))


def prompt(shape, rng, edits):
    """The base prompt with `edits` lines rewritten, as an optimizer or explorer varies it."""
    base = random.Random(7)
    lines = [f"{k:04} {sentence(base)}" for k in range(shape.prompt_lines)]
    for _ in range(edits):
        k = rng.randrange(len(lines))
        lines[k] = f"{k:04} {sentence(rng)}"
    return lines


def factors_yaml(shape, rng, variant, indent):
    pad = " " * indent
    out = [f"{pad}factors:"]
    for k in range(shape.factors - 1):
        value = (k + variant) % 3 if k % 2 else f"choice-{(k * variant) % 4}"
        out.append(f"{pad}  f{k:04}: {q(value) if isinstance(value, str) else value}")
    out.append(f"{pad}  prompt: |")
    out.extend(f"{pad}    {line}" for line in prompt(shape, rng, 0 if variant == 0 else 1 + variant % 3))
    return out


def standings_rows(shape, rng, criterion, indent, judged=0.9):
    pad = " " * indent
    out = [f"{pad}rows:"]
    for check in range(shape.checks):
        input_check = check == shape.checks - 1 and shape.checks > 1
        for i in range(shape.inputs):
            passed = rng.randrange(40, 60)
            failed = rng.randrange(0, 3)
            skipped = 0 if rng.random() < judged else 1
            out += [f"{pad}  - inputIndex: {i}",
                    f"{pad}    check: {q(f'c{criterion}-check-{check} holds')}",
                    f"{pad}    optional: {'true' if check == 1 else 'false'}",
                    f"{pad}    passed: {passed}", f"{pad}    failed: {failed}", f"{pad}    skipped: {skipped}",
                    f"{pad}    observedFraction: {passed / (passed + failed)!r}",
                    f"{pad}    provenance: {'input' if input_check else 'criterion'}",
                    f"{pad}    path: {q(f'$.field{check}')}", f"{pad}    form: equals",
                    f"{pad}    expected: {q(f'value-{i}' if input_check else f'value-{check}')}"]
            if failed:
                out.append(f"{pad}    observed:")
                for e in range(shape.exemplars):
                    out.append(f"{pad}      - {{excerpt: {q(f'seen {e} ' + sentence(rng, 3))}, count: 1, "
                               f"held: false}}")
                out.append(f"{pad}    elided: {rng.randrange(0, 2)}")
    return out


def failures_yaml(shape, rng, indent):
    pad = " " * indent
    out = [f"{pad}failureDistribution:"]
    for k in range(shape.failures):
        kind = "delivery" if k % 5 == 0 else "assertion"
        out.append(f"{pad}  - {{condition: {q(f'condition {k} ' + sentence(rng, 4))}, count: {1 + k % 6}, "
                   f"kind: {kind}, inputIndex: {k % max(shape.inputs, 1)}, inputExcerpt: {q(sentence(rng, 5))}}}")
    return out


def latency_yaml(shape, rng, indent):
    pad = " " * indent
    values = sorted(rng.randrange(200, 2400) for _ in range(shape.latencies))
    out = [f"{pad}latency:"]
    if values:
        out += [f"{pad}  p50Ms: {values[len(values) // 2]}", f"{pad}  p95Ms: {values[len(values) * 95 // 100]}"]
    out.append(f"{pad}  sortedPassingLatenciesMs: [{', '.join(map(str, values))}]")
    out += [f"{pad}cost:", f"{pad}  avgTimePerSampleMs: {rng.randrange(500, 2000)}",
            f"{pad}  avgTokensPerSample: {rng.randrange(100, 900)}"]
    return out


def inputs_yaml(shape, rng):
    out = ["inputs:"]
    for i in range(shape.inputs):
        out.append(f"  - {{inputIndex: {i}, inputExcerpt: {q(sentence(rng, 6))}}}")
    return out


def results_yaml(shape, rng, indent):
    """What an exploration configuration and an optimization iteration share."""
    pad = " " * indent
    samples = 60 * shape.inputs
    failures = rng.randrange(0, samples // 10 + 1)
    out = [f"{pad}execution:", f"{pad}  samplesPlanned: {samples}", f"{pad}  samplesExecuted: {samples}",
           f"{pad}  terminationReason: COMPLETED",
           f"{pad}statistics:", f"{pad}  observed: {(samples - failures) / samples!r}",
           f"{pad}  successes: {samples - failures}", f"{pad}  failures: {failures}"]
    out += failures_yaml(shape, rng, indent + 2)
    out.append(f"{pad}  criteria:")
    for c in range(shape.criteria):
        out += [f"{pad}    criterion-{c:04}:", f"{pad}      observedPassRate: {rng.random()!r}",
                f"{pad}      pass: {samples - failures}", f"{pad}      fail: {failures}",
                f"{pad}      standings:", f"{pad}        optionalSlack: \"10%\""]
        out += standings_rows(shape, rng, c, indent + 8)
    out += latency_yaml(shape, rng, indent)
    return out


def tiny_configuration(service, index, rng):
    samples = rng.randrange(5, 12)
    failures = rng.randrange(0, 3)
    latencies = sorted(rng.randrange(300, 1500) for _ in range(samples - failures))
    return "\n".join([
        "schemaVersion: brelk-explore-1", f"serviceContractId: svc-{service:05}", f"configuration: cfg-{index:06}",
        f"execution: {{samplesExecuted: {samples}}}",
        f"statistics: {{observed: {(samples - failures) / samples!r}, successes: {samples - failures}, "
        f"failures: {failures}}}",
        f"latency: {{p50Ms: {latencies[len(latencies) // 2]}, sortedPassingLatenciesMs: [{', '.join(map(str, latencies))}]}}",
        ""])


def configuration(shape, service, index, rng):
    lines = ["schemaVersion: brelk-explore-1", f"serviceContractId: service-{service:05}",
             f"configuration: {q(f'cfg-{index:06}')}", f"configurationName: {q(f'Configuration {index}')}"]
    if index == 0:
        lines.append("baseConfiguration: true")
    lines += factors_yaml(shape, rng, index, 0)
    lines += results_yaml(shape, rng, 0)
    lines += inputs_yaml(shape, rng)
    return "\n".join(lines) + "\n"


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


def explore_tree(shape, root):
    for s in range(shape.services):
        for v in range(shape.configurations):
            rng = random.Random(s * 1_000_003 + v)
            text = tiny_configuration(s, v, rng) if shape.tiny else configuration(shape, s, v, rng)
            write(root / f"service-{s:05}" / f"config-{v:06}.yaml", text)
    return shape.services * shape.configurations


def optimize_tree(shape, root):
    rng = random.Random(11)
    lines = ["schemaVersion: brelk-optimize-1", "serviceContractId: service-00000", "experimentId: \"e1\"",
             "objective: MAXIMIZE", "scorer: observed-pass-rate", "termination: CONVERGED",
             "stepper:", "  kind: \"ladder\"", "  params: [1, 2, 3]", "iterations:"]
    for n in range(shape.iterations):
        lines += [f"  - iteration: {n + 1}", f"    score: {rng.random()!r}"]
        lines += factors_yaml(shape, rng, n, 4)
        lines += results_yaml(shape, rng, 4)
    lines += ["convergence:", f"  totalIterations: {shape.iterations}", "  bestIteration: 1", "  bestScore: 0.5",
              "  terminationReason: \"plateau\""]
    lines += inputs_yaml(shape, rng)
    write(root / "service-00000" / "run.yaml", "\n".join(lines) + "\n")
    return 1


def baseline_tree(shape, root):
    rng = random.Random(13)
    lines = ["schemaVersion: brelk-baseline-1", "serviceContractId: contract-1", "serviceName: service-00000",
             "generatedAt: \"2024-03-02T10:00:00Z\"", "confidenceLevel: 0.95",
             "execution: {samplesExecuted: 300, terminationReason: COMPLETED}", "criteria:"]
    for c in range(shape.criteria):
        lines += [f"  criterion-{c:04}:", f"    observedPassRate: {rng.uniform(0.7, 1.0)!r}",
                  "    successes: 280", "    trials: 300", f"    wilsonLowerBound: {rng.uniform(0.5, 0.7)!r}",
                  "    standings:", "      optionalSlack: \"10%\""]
        lines += standings_rows(shape, rng, c, 6)
        lines += failures_yaml(shape, rng, 4)
    lines += inputs_yaml(shape, rng)
    write(root / "service-00000" / "baseline.yaml", "\n".join(lines) + "\n")
    return 1


def xq(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def verdict_record(shape, rng, index):
    ns = "https://brelk.io/verdict/1.0"
    out = [f'<verdict-record xmlns="{ns}" timestamp="2024-05-{1 + index % 28:02}T02:{index % 60:02}:00Z">',
           '  <identity use-case-id="checkout"/>', '  <execution samples-executed="300" intent="nightly"/>',
           '  <per-criterion>']
    for c in range(shape.criteria):
        out.append(f'    <criterion id="criterion-{c:04}" verdict="PASS" pass="{rng.randrange(250, 300)}" '
                   f'total="300" observed-rate="{rng.random():.3f}" threshold="0.8"/>')
    out += ['    <composite value="PASS"/>', '  </per-criterion>', '  <postcondition-standings>']
    for c in range(shape.criteria):
        out.append(f'    <criterion name="criterion-{c:04}" optional-slack="10%">')
        for check in range(shape.checks):
            for i in range(shape.inputs):
                passed, failed = rng.randrange(40, 60), rng.randrange(0, 3)
                provenance = "input" if check == shape.checks - 1 and shape.checks > 1 else "criterion"
                out.append(f'      <row input-index="{i}" check="c{c}-check-{check} holds" optional="false" '
                           f'passed="{passed}" failed="{failed}" skipped="0" '
                           f'observed-fraction="{passed / (passed + failed)!r}" provenance="{provenance}" '
                           f'path="$.field{check}" form="equals" expected="value-{check}">')
                for e in range(shape.exemplars if failed else 0):
                    out.append(f'        <observed excerpt="{xq("seen " + str(e) + " " + sentence(rng, 3))}" '
                               f'count="1" held="false"/>')
                out.append('      </row>')
        out.append('    </criterion>')
    out += ['  </postcondition-standings>', '  <functional successes="280">', '    <failure-distribution>']
    for k in range(shape.failures):
        out.append(f'      <check name="{xq("condition " + str(k) + " " + sentence(rng, 4))}" count="{1 + k % 6}" '
                   f'kind="{"delivery" if k % 5 == 0 else "assertion"}"/>')
    out += ['    </failure-distribution>', '  </functional>', '  <termination reason="COMPLETED"/>',
            '</verdict-record>']
    return "\n".join(out) + "\n"


def verdict_tree(shape, root):
    for r in range(shape.configurations):
        write(root / "service-00000" / f"run-{r:06}.xml", verdict_record(shape, random.Random(r), r))
    return shape.configurations


TREES = {"explore": explore_tree, "optimize": optimize_tree, "measure": baseline_tree, "verdict": verdict_tree}


def main():
    """scaling_documents.py COMMAND SHAPE_JSON DIR: writes one tree, prints its file count."""
    command, shape, root = sys.argv[1], Shape(**json.loads(sys.argv[2])), Path(sys.argv[3])
    print(TREES[command](shape, root))


if __name__ == "__main__":
    main()
