#!/usr/bin/env python3
"""Whole-process batch benchmark.

Builds the program twice in Release mode, with its own exponential and with
the C library's expl (DEVIATION_RANK_PLATFORM_EXP=ON), generates a file of
scores in mixed forms ending in 0, runs each build with standard input and
output redirected to files, and prints scores per second and peak resident
memory. It also checks that both builds wrote the same bytes.

  python3 bench/batch.py [--scores N] [--runs R] [--sweep] [--memory]

--sweep also runs every two-decimal score from -100.00 to 900.00 through both
builds and compares their output byte for byte.

--memory also compares the peak memory of a one-line input with that of a
1 GiB input (a 512 MiB number token and a 512 MiB line of trailing text) fed
through a pipe.
"""
import argparse
import filecmp
import random
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILDS = {
    "own exponential": ("bench-own", "OFF"),
    "platform expl": ("bench-expl", "ON"),
}


def build(folder, platform_exp):
    binary = ROOT / "build" / folder
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(binary), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DDEVIATION_RANK_TESTS=OFF",
                    f"-DDEVIATION_RANK_PLATFORM_EXP={platform_exp}"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(binary)], check=True, stdout=subprocess.DEVNULL)
    return binary / "src" / "deviation-rank"


def score_line(rng):
    """One score in one of several written forms; never one that reads as 0."""
    value = rng.gauss(50, 15) if rng.random() < 0.9 else rng.uniform(-100, 200)
    if abs(value) < 1:
        value = 50.0  # so that no form rounds it to 0, which would end the run
    form = rng.randrange(8)
    if form == 0:
        text = str(int(value) or 1)
    elif form == 1:
        text = f"{value:.1f}"
    elif form == 2:
        text = f"{value:.2f}"
    elif form == 3:
        text = f"+{value:g}" if value > 0 else f"{value:g}"
    elif form == 4:
        text = f"{value:.3e}"
    elif form == 5:
        text = f" \t{value:.2f}"
    elif form == 6:
        text = f"{value:.2f}  点"
    else:
        text = f"{value * 10:.1f}e-1"
    return text.encode("cp932") + (b"\r\n" if rng.random() < 0.5 else b"\n")


def make_input(path, count):
    rng = random.Random(20261211)
    with open(path, "wb") as f:
        f.write(b"".join(score_line(rng) for _ in range(count)))
        f.write(b"0\r\n")


def measured(program, report):
    """The command that runs the program under GNU time, which reports the
    program's own peak resident memory; a child of this Python process would
    also count the interpreter's pages."""
    return ["/usr/bin/time", "-f", "%M", "-o", str(report), str(program)]


def run_once(program, source, target):
    report = target.with_suffix(".time")
    with open(source, "rb") as i, open(target, "wb") as o:
        start = time.perf_counter()
        code = subprocess.run(measured(program, report), stdin=i, stdout=o).returncode
        elapsed = time.perf_counter() - start
    if code != 0:
        sys.exit(f"{program} failed")
    return elapsed, int(report.read_text().split()[-1])


def peak_with_pipe(program, chunks, folder):
    report = Path(folder) / "pipe.time"
    proc = subprocess.Popen(measured(program, report), stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL)
    for chunk in chunks:
        proc.stdin.write(chunk)
    proc.stdin.close()
    if proc.wait() != 0:
        sys.exit(f"{program} failed")
    return int(report.read_text().split()[-1])


def huge_input():
    block = 1 << 20
    yield b"70."
    for _ in range(512):
        yield b"0" * block
    yield b"\r\n60 "
    for _ in range(512):
        yield b"x" * block
    yield b"\r\n0\r\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scores", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sweep", action="store_true")
    parser.add_argument("--memory", action="store_true")
    args = parser.parse_args()

    programs = {name: build(*settings) for name, settings in BUILDS.items()}
    with tempfile.TemporaryDirectory() as folder:
        source = Path(folder) / "scores.txt"
        make_input(source, args.scores)
        print(f"input: {args.scores} scores, {source.stat().st_size / 1e6:.1f} MB")
        # The builds take turns, so that a slow spell of the machine falls on
        # both; the best run of each counts.
        outputs = {name: Path(folder) / f"{name}.out" for name in programs}
        runs = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, program in programs.items():
                runs[name].append(run_once(program, source, outputs[name]))
        seconds = {}
        for name, results in runs.items():
            best = min(elapsed for elapsed, _ in results)
            peak = max(rss for _, rss in results)
            seconds[name] = best
            print(f"{name:16s} {best:7.3f} s  {args.scores / best:12,.0f} scores/s  "
                  f"{best / args.scores * 1e6:6.3f} us/score  peak {peak} KiB")
        same = filecmp.cmp(*outputs.values(), shallow=False)
        results = outputs["own exponential"].read_bytes().count("の位置です".encode("cp932"))
        if results != args.scores + 1:
            sys.exit(f"the run answered {results} scores, not {args.scores + 1}")
        print(f"speed-up: {seconds['platform expl'] / seconds['own exponential']:.2f}x; "
              f"outputs {'identical' if same else 'DIFFER'}")
        if not same:
            sys.exit(1)

    if args.sweep:
        with tempfile.TemporaryDirectory() as folder:
            source = Path(folder) / "sweep.txt"
            # 0.00 would end the run: it comes last.
            lines = [f"{n / 100:.2f}\n" for n in range(-10000, 90001) if n != 0] + ["0.00\n"]
            source.write_text("".join(lines))
            outputs = []
            for name, program in programs.items():
                target = Path(folder) / f"{name}.sweep"
                run_once(program, source, target)
                outputs.append(target)
            same = filecmp.cmp(*outputs, shallow=False)
            print(f"sweep of {len(lines)} scores from -100.00 to 900.00: outputs "
                  f"{'identical' if same else 'DIFFER'}")
            if not same:
                sys.exit(1)

    if args.memory:
        program = programs["own exponential"]
        with tempfile.TemporaryDirectory() as folder:
            small = peak_with_pipe(program, [b"70\r\n"], folder)
            start = time.perf_counter()
            large = peak_with_pipe(program, huge_input(), folder)
            elapsed = time.perf_counter() - start
        print(f"peak memory: one-line input {small} KiB, 1 GiB input {large} KiB "
              f"({elapsed:.1f} s), difference {large - small} KiB")


if __name__ == "__main__":
    main()
