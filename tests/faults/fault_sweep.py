#!/usr/bin/env python3
"""Every report over the samples, with one C library call failing now and then.

    fault_sweep.py BRELK SOURCE_DIR [--jobs N] [--quick] [--point NAME]... [--sanitized]

Each run has libfiu's POSIX preload (fiu-run -x) fail one call at random,
at a given probability and seed, while an old report waits at the output
path: each command over its samples; one command with the report in a
folder that takes no new file, so that it is rewritten in place (run as
nobody when the sweep runs as root), over an old report shorter and one
longer than the page; and one page of over 8 MiB. Every run must end in one
of two ways:

- exit 0 and a whole page: the page a run without faults makes of the
  files that were not skipped, each skipped file named once on stderr;
- exit 1 and a diagnostic as the last line of stderr, the old report
  untouched. A failing write may have taken the diagnostic or the
  confirmation with it: only then may lines be missing.

Either way nothing else is left in the output's folder, and no run is ended
by a signal or hangs. Exit 77 when fiu-run is not installed, or when BRELK is
built with AddressSanitizer.
"""

import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
from dataclasses import dataclass, field
from pathlib import Path

EXTENSIONS = {"explore": "yaml", "optimize": "yaml", "measure": "yaml", "verdict": "xml"}

# Failure points of the calls brelk makes, with the probabilities each is
# swept at. A run makes a handful of calls of each I/O kind and a great many
# allocations: the probabilities put the first failure early, midway and
# late in either. fdatasync is never called, and unlink only after another
# call has failed: both are swept all the same, should that change.
IO = [1.0, 0.5, 0.1]
MEMORY = [0.01, 0.001, 0.0001, 0.00002, 0.000005]
POINTS = {
    "posix/io/oc/open": IO,
    "posix/io/rw/read": IO,
    "posix/io/rw/pread": IO,
    "posix/io/rw/write": IO,
    "posix/io/rw/pwrite": IO,
    "posix/io/sync/fsync": IO,
    "posix/io/sync/fdatasync": IO,
    "posix/io/dir/rename": IO,
    "posix/io/dir/unlink": IO,
    "posix/io/dir/opendir": IO,
    "posix/io/dir/readdir": IO,
    "posix/io/oc/close": IO,
    "posix/io/rw/ftruncate": IO,
    "linux/io/sync_file_range": IO,
    "libc/mm/malloc": MEMORY,
    "libc/mm/calloc": MEMORY,
    "libc/mm/realloc": MEMORY,
}
# A page of over 8 MiB is put on its way to the disk while it is written:
# the only run that calls sync_file_range, and one with many more writes
# and allocations.
LARGE_PAGE_POINTS = {
    "linux/io/sync_file_range": [1.0, 0.5],
    "posix/io/rw/write": [0.5, 0.2],
    "posix/io/sync/fsync": [1.0],
    "libc/mm/malloc": [0.00003, 0.00001],
}
LARGE_PAGE_COPIES = 30  # of the checkout explorations, about 330 KB of page each
SEEDS = [1, 2]  # one is enough where every call fails

OLD_REPORT = b"<p>the report of yesterday</p>\n"
# Longer than any page of the samples: a rewrite in place then shortens it.
LONG_OLD_REPORT = OLD_REPORT + b"<!--" + b" of old" * 300_000 + b" -->\n"
REPORT = "out/report.html"
NOBODY = 65534
TIMEOUT_SECONDS = 60
DIAGNOSTIC = re.compile(r"(could not (read|write|create) .*|out of memory.*|nothing renderable beneath .*)")
SKIPPED = re.compile(r"skipped \(.*\): (?P<path>samples/.*)")
CONFIRMATION = re.compile(r"report over (?P<count>\d+) \w+ written to " + re.escape(REPORT))


@dataclass(frozen=True)
class Setting:
    """One command over one corpus, the report in a folder of one kind."""
    command: str
    corpus: str  # beneath samples/
    # A folder that takes no new file: the report is rewritten in place.
    read_only_folder: bool = False
    old_report: bytes = OLD_REPORT

    def __str__(self):
        return (self.corpus + (", read-only folder" if self.read_only_folder else "")
                + (", long old report" if self.old_report != OLD_REPORT else ""))


@dataclass(frozen=True)
class Fault:
    setting: Setting
    point: str
    probability: float
    seed: int

    def __str__(self):
        return f"{self.setting.command} {self.setting} {self.point} p={self.probability} seed={self.seed}"

    def reproduce(self):
        return (f"FIU_PRNG_SEED={self.seed} SOURCE_DATE_EPOCH=0 fiu-run -x -f '' "
                f"-c 'enable_random name={self.point},probability={self.probability}' "
                f"brelk {self.setting.command} samples/{self.setting.corpus} -o {REPORT}")


@dataclass
class Outcome:
    status: int  # negative: the signal that ended the run; None: it hung
    out: bytes
    err: str
    report: bytes  # None: there is none
    left: list = field(default_factory=list)


@dataclass
class Clean:
    page: bytes
    count: int


def walk_order(paths):
    """Services, then files, each in byte order, as brelk walks them."""
    return sorted(paths, key=lambda path: path.split("/"))


class Sweep:
    def __init__(self, brelk, source, work):
        self.brelk = brelk
        self.work = work
        self.as_root = os.geteuid() == 0
        samples = work / "samples"
        for command in EXTENSIONS:
            shutil.copytree(source / "examples" / command, samples / command)
        for copy in range(LARGE_PAGE_COPIES):
            shutil.copytree(source / "examples/explore/checkout", samples / f"explore-large/s{copy:02}")
        self.files = {}
        for corpus in samples.iterdir():
            extension = EXTENSIONS[corpus.name.split("-")[0]]
            self.files[corpus.name] = walk_order(
                str(path.relative_to(work)) for path in corpus.glob(f"*/*.{extension}"))
        self.clean_runs = {}
        self.lock = threading.Lock()

    def prepare_folder(self, cwd, setting):
        """An output folder that holds the old report and nothing else."""
        out = cwd / "out"
        if out.exists():
            out.chmod(0o755)
            shutil.rmtree(out)
        out.mkdir(parents=True)
        (cwd / REPORT).write_bytes(setting.old_report)
        if setting.read_only_folder:
            # Root may create files anywhere: the run is then nobody's, and so is the report.
            if self.as_root:
                os.chown(cwd / REPORT, NOBODY, NOBODY)
            out.chmod(0o555)

    def run(self, cwd, setting, fault=None):
        """One run in `cwd`, with an old report waiting and `fault` injected."""
        self.prepare_folder(cwd, setting)
        argv = [str(self.brelk), setting.command, f"samples/{setting.corpus}", "-o", REPORT]
        env = dict(os.environ, SOURCE_DATE_EPOCH="0")
        if fault is not None:
            argv = ["fiu-run", "-x", "-f", "",
                    "-c", f"enable_random name={fault.point},probability={fault.probability}"] + argv
            env["FIU_PRNG_SEED"] = str(fault.seed)
        user = {}
        if setting.read_only_folder and self.as_root:
            user = {"user": NOBODY, "group": NOBODY, "extra_groups": []}
        try:
            done = subprocess.run(argv, cwd=cwd, env=env, capture_output=True, timeout=TIMEOUT_SECONDS, **user)
            status, out, err = done.returncode, done.stdout, done.stderr
        except subprocess.TimeoutExpired as expired:
            status, out, err = None, expired.stdout or b"", expired.stderr or b""
        report = (cwd / REPORT).read_bytes() if (cwd / REPORT).is_file() else None
        return Outcome(status, out, err.decode("utf-8", "replace"), report, sorted(os.listdir(cwd / "out")))

    def clean(self, setting, skipped):
        """The page and count of a run without faults over the files not skipped."""
        key = (setting.corpus, setting.command, tuple(skipped))
        with self.lock:
            if key in self.clean_runs:
                return self.clean_runs[key]
        cwd = Path(tempfile.mkdtemp(dir=self.work, prefix="clean-"))
        for file in self.files[setting.corpus]:
            if file not in skipped:
                (cwd / file).parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(self.work / file, cwd / file)
        outcome = self.run(cwd, Setting(setting.command, setting.corpus))
        shutil.rmtree(cwd)
        confirmed = CONFIRMATION.fullmatch(outcome.err.strip())
        clean = Clean(outcome.report, int(confirmed["count"])) if outcome.status == 0 and confirmed else None
        with self.lock:
            self.clean_runs[key] = clean
        return clean

    def problems(self, fault, outcome):
        """What is wrong with how the run ended; nothing when it ended soundly."""
        if outcome.status is None:
            return [f"hung for {TIMEOUT_SECONDS} s"]
        if outcome.status < 0:
            return [f"ended by signal {-outcome.status}"]
        if outcome.status not in (0, 1):
            return [f"exit status {outcome.status}"]
        found = []
        if outcome.left != ["report.html"]:
            found.append(f"the output's folder holds {outcome.left}")
        if outcome.out:
            found.append("something was written to stdout")
        lines = outcome.err.splitlines()
        write_failed = fault.point == "posix/io/rw/write"
        skipped = []
        for line in lines[:-1]:
            match = SKIPPED.fullmatch(line)
            if match:
                skipped.append(match["path"])
            else:
                found.append(f"unexpected line on stderr: {line!r}")
        last = lines[-1] if lines else ""
        if write_failed and SKIPPED.fullmatch(last):
            skipped.append(SKIPPED.fullmatch(last)["path"])
            last = ""
        files = self.files[fault.setting.corpus]
        if skipped != [file for file in files if file in skipped]:
            found.append(f"skipped files not each named once, in walk order: {skipped}")
        if outcome.status == 0:
            return found + self.whole_page(fault, outcome, skipped, last, write_failed)
        return found + self.old_report_kept(fault, outcome, skipped, files, last, write_failed)

    def whole_page(self, fault, outcome, skipped, last, write_failed):
        clean = self.clean(fault.setting, skipped)
        if clean is None:
            return [f"exit 0, yet nothing is renderable without {skipped}"]
        found = []
        if not (outcome.report or b"").endswith(b"</html>\n"):
            found.append("exit 0 with a page cut short")
        elif outcome.report != clean.page:
            found.append(f"exit 0 with a page other than the one of the files not skipped ({len(skipped)} skipped)")
        confirmed = CONFIRMATION.fullmatch(last)
        if confirmed and int(confirmed["count"]) != clean.count:
            found.append(f"confirms {confirmed['count']} where the page covers {clean.count}")
        if not confirmed and not (write_failed and last == ""):
            found.append(f"exit 0 without the confirmation, last line {last!r}")
        return found

    def old_report_kept(self, fault, outcome, skipped, files, last, write_failed):
        found = []
        if outcome.report != fault.setting.old_report:
            found.append("exit 1, and the old report is gone")
        if DIAGNOSTIC.fullmatch(last):
            if last.startswith("nothing renderable") and len(skipped) != len(files):
                found.append(f"nothing renderable, yet only {len(skipped)} of {len(files)} files were skipped")
        elif not (write_failed and last == ""):
            found.append(f"exit 1 without a diagnostic, last line {last!r}")
        return found


def faults(quick, only):
    # The report is written the same way whatever the command: one command
    # rewrites it in place, with an old report shorter and one longer than the page.
    sweeps = [(Setting(command, command), POINTS) for command in EXTENSIONS]
    sweeps += [
        (Setting("explore", "explore", read_only_folder=True), POINTS),
        (Setting("explore", "explore", read_only_folder=True, old_report=LONG_OLD_REPORT), POINTS),
        (Setting("explore", "explore-large"), LARGE_PAGE_POINTS),
    ]
    for setting, points in sweeps:
        for point, probabilities in points.items():
            if only and point not in only:
                continue
            for probability in probabilities:
                for seed in SEEDS[:1] if quick or probability == 1.0 else SEEDS:
                    yield Fault(setting, point, probability, seed)


def sweep_all(args, scratch):
    """Runs every fault, `args.jobs` at a time; the tally per setting and point, and the unsound runs."""
    sweep = Sweep(args.brelk.resolve(), args.source.resolve(), scratch)
    free = []
    for _ in range(args.jobs):
        slot = Path(tempfile.mkdtemp(dir=scratch, prefix="slot-"))
        (slot / "samples").symlink_to(scratch / "samples")
        free.append(slot)
    # Runs as nobody walk the samples and reach their folder through here.
    for directory in [scratch] + free:
        directory.chmod(0o755)
    lock = threading.Lock()

    def attempt(fault):
        with lock:
            slot = free.pop()
        try:
            outcome = sweep.run(slot, fault.setting, fault)
            return fault, outcome, sweep.problems(fault, outcome)
        finally:
            with lock:
                free.append(slot)

    tally = {}
    unsound = []
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for fault, outcome, problems in pool.map(attempt, faults(args.quick, args.point)):
            counts = tally.setdefault((fault.setting, fault.point), {"exit 0": 0, "exit 1": 0, "unsound": 0})
            counts["unsound" if problems else f"exit {outcome.status}"] += 1
            if problems:
                unsound.append((fault, outcome, problems))
    for slot in free:
        (slot / "out").chmod(0o755)  # so that the scratch directory can go
    return tally, unsound


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("brelk", type=Path)
    parser.add_argument("source", type=Path)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--quick", action="store_true", help="one seed per probability")
    parser.add_argument("--point", action="append", help="sweep this failure point only (repeatable)")
    parser.add_argument("--sanitized", action="store_true", help="BRELK is built with AddressSanitizer")
    args = parser.parse_args()
    if args.sanitized:
        # Its malloc is the sanitizer's, which libfiu cannot fail; its leak
        # check fails every run on what libfiu's preload allocates; and its
        # symbolizer inherits the faults.
        print("libfiu's preload does not mix with AddressSanitizer: the sweep runs in the plain build")
        return 77
    if shutil.which("fiu-run") is None:
        print("fiu-run is missing (Debian package fiu-utils): no faults can be injected")
        return 77

    with tempfile.TemporaryDirectory(prefix="brelk-faults-") as scratch:
        tally, unsound = sweep_all(args, Path(scratch))
    for (setting, point), counts in tally.items():
        print(f"{setting.command:8} {str(setting):43} {point:25} "
              + "  ".join(f"{what}: {count:2}" for what, count in counts.items()))
    for fault, outcome, problems in unsound:
        print(f"\nUNSOUND {fault}: {'; '.join(problems)}\n  {fault.reproduce()}")
        for line in outcome.err.splitlines()[-5:]:
            print(f"  stderr: {line}")
    runs = sum(sum(counts.values()) for counts in tally.values())
    print(f"\n{runs} runs, {len(unsound)} unsound")
    return 1 if unsound else 0


if __name__ == "__main__":
    sys.exit(main())
