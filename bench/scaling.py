#!/usr/bin/env python3
"""Grows one dimension of the input at a time, ×10 and ×10 again, with every
other dimension at the size of the sample artefacts, and prints what each step
costs brelk: CPU (user + system), wall time, page size and peak RSS, the
growth of the CPU per ×10 step, and whether that growth is within its bound.

A ×10 step may cost at most 11× the CPU where the number of files grows (the
file system's own cost per file grows with their number), 10.5× elsewhere.
Exits 1 when a step misses its bound.
"""
import argparse
import hashlib
import os
import json
import shutil
import subprocess
import sys
from dataclasses import asdict, dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from run_bench import Machine, median, progress, run  # noqa: E402
from scaling_documents import Shape  # noqa: E402

BENCH_DIR = Path(__file__).resolve().parent
TIME = "/usr/bin/time"
NOUNS = {"explore": "configurations", "optimize": "runs", "measure": "records", "verdict": "runs"}


@dataclass
class Dimension:
    name: str
    command: str
    field: str
    steps: tuple
    files_grow: bool = False
    base: Shape = Shape()

    @property
    def bound(self):
        return 11.0 if self.files_grow else 10.5


DIMENSIONS = [
    Dimension("configurations in one service", "explore", "configurations", (10, 100, 1000), files_grow=True),
    Dimension("tiny configurations in one service", "explore", "configurations", (1000, 10_000, 100_000),
              files_grow=True, base=Shape(tiny=True)),
    Dimension("services", "explore", "services", (10, 100, 1000), files_grow=True, base=Shape(configurations=1)),
    Dimension("inputs per criterion", "explore", "inputs", (5, 50, 500)),
    Dimension("checks per criterion", "explore", "checks", (5, 50, 500)),
    Dimension("criteria per artefact", "explore", "criteria", (3, 30, 300)),
    Dimension("criteria per baseline record", "measure", "criteria", (5, 50, 500)),
    Dimension("observed exemplars per row", "explore", "exemplars", (10, 100, 1000)),
    Dimension("factors per configuration", "explore", "factors", (5, 50, 500)),
    Dimension("lines per prompt", "explore", "prompt_lines", (200, 2000, 20_000)),
    Dimension("passing latencies per configuration", "explore", "latencies", (300, 3000, 30_000)),
    Dimension("failure-distribution entries", "explore", "failures", (10, 100, 1000)),
    Dimension("iterations per optimization run", "optimize", "iterations", (10, 100, 1000)),
    Dimension("verdict records per use case", "verdict", "configurations", (10, 100, 1000), files_grow=True),
    Dimension("criteria per verdict record", "verdict", "criteria", (5, 50, 500)),
]

COLUMNS = [("dimension", "<36"), ("size", ">7"), ("files", ">7"), ("in MB", ">7"), ("page MB", ">8"),
           ("CPU s", ">7"), ("wall s", ">7"), ("RSS MB", ">7"), ("CPU ×", ">6"), ("bound", ">6"), ("", "<4")]


def line(cells):
    return "  ".join(f"{cell:{layout}}" for cell, (_, layout) in zip(cells, COLUMNS)).rstrip()


def cache_dir(root):
    """One cache per version of the generator; older ones are removed."""
    digest = hashlib.sha256((BENCH_DIR / "scaling_documents.py").read_bytes()).hexdigest()[:12]
    root.mkdir(parents=True, exist_ok=True)
    for stale in root.glob("scaling-*"):
        if stale.name != f"scaling-{digest}":
            shutil.rmtree(stale)
    return root / f"scaling-{digest}"


def tree(cache, dimension, size):
    shape = dimension.base.grown(**{dimension.field: size})
    path = cache / f"{dimension.command}-{dimension.field}-{'tiny-' if shape.tiny else ''}{size}"
    if not path.exists():
        progress(f"generating {path.name}")
        partial = path.with_name(path.name + ".partial")
        shutil.rmtree(partial, ignore_errors=True)
        # Written by another process: a child's peak RSS starts from its parent's,
        # so this one stays small.
        written = subprocess.run([sys.executable, BENCH_DIR / "scaling_documents.py", dimension.command,
                                  json.dumps(asdict(shape)), partial], capture_output=True, text=True, check=True)
        (partial / "files.txt").write_text(written.stdout)
        partial.rename(path)
    files = int((path / "files.txt").read_text())
    size_in = sum(f.stat().st_size for f in path.rglob("*") if f.is_file())
    return path, files, size_in


def measure(brelk, command, path, files, pages, runs, machine):
    """Runs brelk under GNU time: a process this script starts directly would
    report this script's own peak RSS whenever it was the larger."""
    page, err, peak = pages / "page.html", pages / "run.err", pages / "run.rss"
    env = dict(os.environ, SOURCE_DATE_EPOCH="0")
    samples = []
    for k in range(runs):
        progress(f"{command} {path.name}: run {k + 1}/{runs}")
        status, sample = run([TIME, "-f", "%M", "-o", peak, brelk, command, path, "-o", page], machine, stderr=err,
                             env=env)
        expected = f"report over {files} {NOUNS[command]} written to {page}\n"
        if status != 0 or err.read_text(errors="replace") != expected:
            sys.exit(f"brelk {command} {path} did not render every file:\n{err.read_text(errors='replace')[:2000]}")
        sample.rss = int(peak.read_text().split()[-1]) * 1024  # GNU time counts KiB
        samples.append(sample)
    page_bytes = page.stat().st_size
    page.unlink()
    return samples, page_bytes


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, required=True, help="directory holding a Release brelk")
    parser.add_argument("--cache", type=Path, help="where the trees are kept (default: BUILD/scaling)")
    parser.add_argument("--runs", type=int, default=5,
                        help="runs per step; the least CPU time counts, the median wall time and RSS")
    parser.add_argument("--only", default="", help="comma-separated words; run the dimensions whose name has one")
    return parser.parse_args()


def main():
    args = parse_args()
    build = args.build.resolve()
    machine = Machine()
    cache = cache_dir((args.cache or build / "scaling").resolve())
    pages = cache.parent / "pages"
    pages.mkdir(parents=True, exist_ok=True)
    words = [w for w in args.only.split(",") if w]
    dimensions = [d for d in DIMENSIONS if not words or any(w in d.name for w in words)]

    print(f"brelk on {os.cpu_count()} cores; one dimension grown at a time, the rest at the samples' size; "
          f"{args.runs} runs a step: the least CPU (user + system), the median wall and peak RSS; "
          f"CPU × = this step over the one before")
    print(line([name for name, _ in COLUMNS]))
    misses = []
    for dimension in dimensions:
        previous = None
        for size in dimension.steps:
            path, files, size_in = tree(cache, dimension, size)
            samples, page_bytes = measure(build / "brelk", dimension.command, path, files, pages, args.runs, machine)
            # Other processes only ever add to a run's CPU time (through the
            # caches and memory they share), so the least of the runs is the
            # closest to brelk's own cost.
            cpu = min(sample.cpu for sample in samples)
            wall, rss = median(samples, "wall"), median(samples, "rss")
            growth, bound, verdict = "", "", ""
            if previous:
                ratio = cpu / previous
                growth, bound = f"{ratio:.1f}", f"{dimension.bound:g}"
                verdict = "ok" if ratio <= dimension.bound else "MISS"
                if verdict == "MISS":
                    misses.append(f"{dimension.name} at {size:,}: {ratio:.1f}× (bound {dimension.bound:g}×)")
            progress("")
            print(line([dimension.name, f"{size:,}", f"{files:,}", f"{size_in / 1e6:.1f}", f"{page_bytes / 1e6:.1f}",
                        f"{cpu:.3f}", f"{wall:.3f}", f"{rss / 1e6:.0f}", growth, bound, verdict]), flush=True)
            previous = cpu
    print(machine.summary())
    for miss in misses:
        print(f"over its bound: {miss}")
    return 1 if misses else 0


if __name__ == "__main__":
    sys.exit(main())
