#!/usr/bin/env python3
"""Times brelk against the floor over generated corpora and prints one table.

For every row, brelk and the floor (brelk_floor: the same walk and reads, a
bare libyaml event parse or expat pass, then writing a page of the size brelk
wrote) run in turn, so both see the same machine load; the medians of their
runs give the ratio. Verdict rows also time Python's ElementTree over the same
files. Corpora are generated once into a cache keyed by the generator's
sources and reused after that.
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

BENCH_DIR = Path(__file__).resolve().parent
FORMATS = {"explore": "yaml", "optimize": "yaml", "measure": "yaml", "verdict": "xml"}
NOUNS = {"explore": "configurations", "optimize": "runs", "measure": "records", "verdict": "runs"}
# Parses every verdict file of the tree in brelk's order and drops the tree.
ELEMENT_TREE = """
import os, sys, xml.etree.ElementTree as ET
top = sys.argv[1]
for service in sorted(os.listdir(top)):
    path = os.path.join(top, service)
    if os.path.isdir(path):
        for name in sorted(os.listdir(path)):
            if name.endswith(".xml"):
                ET.parse(os.path.join(path, name))
"""


@dataclass
class Sample:
    wall: float
    cpu: float
    rss: int  # peak resident set, bytes


@dataclass
class Corpus:
    name: str
    path: Path
    files: int
    bytes: int


@dataclass
class Row:
    """One corpus: brelk's runs and those of each program it is set against, taken in turn."""
    command: str
    corpus: Corpus
    against: list  # "floor", "ElementTree"
    page_bytes: int = 0
    brelk: list = field(default_factory=list)
    others: dict = field(default_factory=dict)  # program name -> its samples


class Machine:
    """CPU time the whole machine spent, to tell how much of it was others'."""

    def __init__(self):
        self.started = time.monotonic()
        self.busy_at_start = self.busy_seconds()
        self.load_at_start = self.load()
        self.ours = 0.0

    @staticmethod
    def busy_seconds():
        fields = [int(x) for x in Path("/proc/stat").read_text().split("\n")[0].split()[1:]]
        idle = fields[3] + fields[4]
        return (sum(fields[:8]) - idle) / os.sysconf("SC_CLK_TCK")

    @staticmethod
    def load():
        return " ".join(Path("/proc/loadavg").read_text().split()[:3])

    def summary(self):
        elapsed = time.monotonic() - self.started
        others = max(0.0, self.busy_seconds() - self.busy_at_start - self.ours)
        return (f"load average {self.load_at_start} at start, {self.load()} at end; other processes kept "
                f"{others / elapsed:.2f} of {os.cpu_count()} cores busy on average over {elapsed:.0f} s")


def run(argv, machine, stdout=os.devnull, stderr=os.devnull, env=None):
    actions = [(os.POSIX_SPAWN_OPEN, 1, str(stdout), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, str(stderr), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    started = time.monotonic()
    pid = os.posix_spawn(argv[0], [str(a) for a in argv], env or os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    wall = time.monotonic() - started
    cpu = usage.ru_utime + usage.ru_stime
    machine.ours += cpu
    return os.waitstatus_to_exitcode(status), Sample(wall, cpu, usage.ru_maxrss * 1024)  # ru_maxrss is in KiB


def progress(text):
    if sys.stderr.isatty():
        sys.stderr.write(f"\r\033[K{text}")
        sys.stderr.flush()


def corpus_cache(root):
    """One cache per version of the generator; older ones are removed."""
    digest = hashlib.sha256()
    for source in sorted((BENCH_DIR / "corpus").iterdir()):
        digest.update(source.name.encode() + source.read_bytes())
    key = f"corpora-{digest.hexdigest()[:12]}"
    root.mkdir(parents=True, exist_ok=True)
    for stale in root.glob("corpora-*"):
        if stale.name != key:
            subprocess.run(["rm", "-rf", str(stale)], check=True)
    (root / key).mkdir(exist_ok=True)
    return root / key


def count_label(count):
    return f"{count // 1_000_000}M" if count % 1_000_000 == 0 else f"{count // 1000}k"


def corpus(build, cache, kind, size, machine):
    name = f"tiny-{count_label(size)}" if kind == "tiny" else f"{kind}-{size}MB"
    path = cache / name
    if not path.exists():
        print(f"generating {name} into {cache}", file=sys.stderr, flush=True)
        status, _ = run([build / "brelk_corpus", kind, path, size], machine, stderr=cache / "generator.err")
        if status != 0:
            sys.exit(f"brelk_corpus {kind} {size} failed: {(cache / 'generator.err').read_text()}")
    manifest = dict(line.split() for line in (path / "corpus.txt").read_text().splitlines())
    return Corpus(name, path, int(manifest["files"]), int(manifest["bytes"]))


def check_brelk(row, status, stderr_text, page):
    expected = f"report over {row.corpus.files} {NOUNS[row.command]} written to {page}\n"
    if status != 0 or stderr_text != expected:
        sys.exit(f"brelk {row.command} {row.corpus.name} did not render every file:\n{stderr_text[:2000]}")


def other_argv(program, row, build, args, page):
    if program == "floor":
        return [build / "brelk_floor", FORMATS[row.command], row.corpus.path, "--page", row.page_bytes, page]
    return [Path(args.python), "-c", ELEMENT_TREE, row.corpus.path]


def measure(row, build, pages, args, machine):
    """Runs brelk and the other programs in turn until the runs are done or the row's time is up."""
    page = pages / f"{row.corpus.name}.html"
    other_page = pages / f"{row.corpus.name}.floor.html"
    out, err = pages / "run.out", pages / "run.err"
    env = dict(os.environ, SOURCE_DATE_EPOCH="0")
    runs = args.runs
    started = time.monotonic()
    k = 0
    while k < runs:
        progress(f"{row.command} {row.corpus.name}: run {k + 1}/{runs}")
        status, sample = run([build / "brelk", row.command, row.corpus.path, "-o", page], machine, stderr=err,
                             env=env)
        if k == 0:
            check_brelk(row, status, err.read_text(errors="replace"), page)
            row.page_bytes = page.stat().st_size
        row.brelk.append(sample)
        for program in row.against:
            status, sample = run(other_argv(program, row, build, args, other_page), machine, stdout=out, stderr=err)
            if status != 0:
                sys.exit(f"{program} failed on {row.corpus.name}: {err.read_text()[:2000]}")
            if program == "floor" and f"files {row.corpus.files}\n" not in out.read_text():
                sys.exit(f"the floor did not read the {row.corpus.files} files of {row.corpus.name}")
            row.others.setdefault(program, []).append(sample)
        k += 1
        if k == 1:
            # Long rows get fewer runs rather than stretching the whole bench.
            runs = max(1, min(runs, int(args.row_budget / (time.monotonic() - started))))
    for leftover in (page, other_page):
        leftover.unlink(missing_ok=True)


COLUMNS = [("command", "<9"), ("corpus", "<14"), ("files", ">9"), ("in MB", ">7"), ("page MB", ">8"),
           ("against", "<11"), ("its wall", ">8"), ("its CPU", ">8"), ("brelk wall", ">10"),
           ("brelk CPU", ">9"), ("CPU ×", ">6"), ("wall ×", ">6"), ("RSS MB", ">7"), ("RSS/(in+page)", ">13"),
           ("runs", ">4")]


def line(cells):
    return "  ".join(f"{cell:{layout}}" for cell, (_, layout) in zip(cells, COLUMNS))


def median(samples, attribute):
    return statistics.median(getattr(s, attribute) for s in samples)


def table_lines(row):
    mb = 1e6
    brelk_wall, brelk_cpu = median(row.brelk, "wall"), median(row.brelk, "cpu")
    rss = median(row.brelk, "rss")
    for program in row.against:
        other = row.others[program]
        other_wall, other_cpu = median(other, "wall"), median(other, "cpu")
        yield line([row.command, row.corpus.name, f"{row.corpus.files:,}", f"{row.corpus.bytes / mb:.1f}",
                    f"{row.page_bytes / mb:.1f}", program, f"{other_wall:.2f} s", f"{other_cpu:.2f} s",
                    f"{brelk_wall:.2f} s", f"{brelk_cpu:.2f} s", f"{brelk_cpu / other_cpu:.2f}",
                    f"{brelk_wall / other_wall:.2f}", f"{rss / mb:.0f}",
                    f"{rss / (row.corpus.bytes + row.page_bytes):.2f}", str(len(row.brelk))])


def files_linearity(rows):
    tiny = sorted((r for r in rows if r.corpus.name.startswith("tiny-")), key=lambda r: r.corpus.files)
    if len(tiny) < 2:
        return None
    small, large = tiny[0], tiny[-1]
    scale = large.corpus.files / small.corpus.files
    def growth(samples_of):
        return (median(samples_of(large), "wall") / median(samples_of(small), "wall"),
                median(samples_of(large), "cpu") / median(samples_of(small), "cpu"))

    wall, cpu = growth(lambda row: row.brelk)
    floor_wall, floor_cpu = growth(lambda row: row.others["floor"])
    # The system's own cost per file grows with the number of files held in
    # its caches; the floor shows how much of brelk's growth is that.
    return (f"files: brelk takes {wall:.1f}× the wall time and {cpu:.1f}× the CPU time for {large.corpus.files:,} "
            f"tiny documents as for {small.corpus.files:,}, the floor {floor_wall:.1f}× and {floor_cpu:.1f}× "
            f"(linear: {scale:.0f}×)")


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, required=True, help="directory holding brelk, brelk_corpus, brelk_floor")
    parser.add_argument("--cache", type=Path, help="where corpora are kept (default: BUILD/corpora)")
    parser.add_argument("--commands", default="explore,optimize,measure,verdict")
    parser.add_argument("--sizes", default="5,25", help="corpus sizes in MB, comma-separated")
    parser.add_argument("--tiny", default="100000,1000000", help="tiny-document counts, comma-separated")
    parser.add_argument("--runs", type=int, default=5, help="runs of each program per row")
    parser.add_argument("--row-budget", type=float, default=60.0,
                        help="seconds a row may take; longer rows run fewer times (at least once)")
    parser.add_argument("--python", default="/usr/bin/python3", help="the Python that runs ElementTree")
    return parser.parse_args()


def main():
    args = parse_args()
    build = args.build.resolve()
    machine = Machine()
    cache = corpus_cache((args.cache or build / "corpora").resolve())
    pages = cache.parent / "pages"
    pages.mkdir(exist_ok=True)
    commands = [c for c in args.commands.split(",") if c]
    sizes = [int(s) for s in args.sizes.split(",") if s]
    counts = [int(n) for n in args.tiny.split(",") if n]

    rows = []
    for command in commands:
        for size in sizes:
            # The largest verdict corpus is also read by Python's ElementTree.
            against = ["floor", "ElementTree"] if command == "verdict" and size == max(sizes) else ["floor"]
            rows.append(Row(command, corpus(build, cache, command, size, machine), against))
    for count in counts:
        rows.append(Row("explore", corpus(build, cache, "tiny", count, machine), ["floor"]))
    progress("")

    commit = subprocess.run(["git", "-C", str(BENCH_DIR), "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    print(f"brelk {commit} on {os.cpu_count()} cores; medians of runs taken in turn; MB = 10^6 bytes; "
          f"CPU = user + system; × = brelk over the program it is set against")
    print("floor = brelk's walk and reads, a bare libyaml event parse or expat pass, then writing a page of "
          "brelk's size; ElementTree = Python parsing every file into a tree and dropping it")
    print(line([name for name, _ in COLUMNS]))
    for row in rows:
        measure(row, build, pages, args, machine)
        progress("")
        for text in table_lines(row):
            print(text, flush=True)
    if summary := files_linearity(rows):
        print(summary)
    print(machine.summary())


if __name__ == "__main__":
    main()
