#!/usr/bin/env python3
"""Times the Python package against the programs it fronts, on the speech
bench/python_front_end_bench.cpp uses (ten-second pieces of the Normal
internal source, each with its copy at half amplitude):

  * orvelle.batch over 64 pairs against `orvelle-cli batch` on the same
    list, both on every core, in seconds of speech per second of wall time;
  * one orvelle.compare() of a ten-second pair of arrays against the
    engine's own time for it (BM_CompareSamplesTenSeconds of the C++
    benchmark, when its program is given).

    bench/python_front_end.py --cli build/cli/orvelle-cli \\
        [--engine-bench build/bench/orvelle_bench_python_front_end_bench]

A benchmark, not a test: it prints figures and judges nothing.
"""

import argparse
import json
import os
import pathlib
import statistics
import subprocess
import tempfile
import time

import numpy as np

import orvelle

PAIR_SAMPLES = 80000  # ten seconds
PAIRS = 64
RUNS = 3


def pair_piece(signal: np.ndarray, index: int):
    source = signal[index * PAIR_SAMPLES:(index + 1) * PAIR_SAMPLES].copy()
    # As the C++ benchmark halves: division rounding toward zero.
    processed = (source.astype(np.int32) / 2).astype(np.int16)
    return source, processed


def best_wall(run) -> float:
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def batch_figures(cli: pathlib.Path, signal: np.ndarray) -> None:
    with tempfile.TemporaryDirectory(prefix="orvelle-bench-") as folder:
        folder = pathlib.Path(folder)
        pairs = []
        for i in range(PAIRS):
            source, processed = pair_piece(signal, i)
            paths = (folder / f"pair{i}-source.pcm", folder / f"pair{i}-processed.pcm")
            source.astype("<i2").tofile(paths[0])
            processed.astype("<i2").tofile(paths[1])
            pairs.append(tuple(map(str, paths)))
        listing = folder / "pairs.csv"
        listing.write_text("source,processed\n" + "".join(f"{s},{p}\n" for s, p in pairs))

        def command_line():
            subprocess.run([str(cli), "--log-dir", str(folder), "batch", str(listing)], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def package():
            if not all(item.ok for item in orvelle.batch(pairs)):
                raise RuntimeError("a pair failed")

        speech = PAIRS * PAIR_SAMPLES / 8000
        cli_rate = speech / best_wall(command_line)
        python_rate = speech / best_wall(package)
        print(f"batch, {PAIRS} ten-second pairs, {os.cpu_count()} cores (best of {RUNS}):")
        print(f"  orvelle-cli batch  {cli_rate:8.1f} x real time")
        print(f"  orvelle.batch      {python_rate:8.1f} x real time  ({100 * python_rate / cli_rate:.1f} % of the "
              f"command line's)")


def engine_compare_ms(engine_bench: pathlib.Path) -> float:
    done = subprocess.run([str(engine_bench), "--benchmark_filter=BM_CompareSamplesTenSeconds",
                           "--benchmark_format=json"], check=True, capture_output=True, text=True)
    run = json.loads(done.stdout)["benchmarks"][0]
    assert run["time_unit"] == "ms"
    return run["real_time"]


def compare_figures(signal: np.ndarray, engine_bench) -> None:
    source, processed = pair_piece(signal, 0)
    for _ in range(5):
        orvelle.compare(source, processed)
    times = []
    for _ in range(200):
        start = time.perf_counter()
        orvelle.compare(source, processed)
        times.append(time.perf_counter() - start)
    python_ms = 1000 * statistics.mean(times)
    print("compare, one ten-second pair of int16 arrays:")
    print(f"  orvelle.compare    {python_ms:8.3f} ms (mean of {len(times)}, median "
          f"{1000 * statistics.median(times):.3f} ms)")
    if engine_bench:
        engine_ms = engine_compare_ms(engine_bench)
        print(f"  engine's own       {engine_ms:8.3f} ms  (the package adds {python_ms - engine_ms:+.3f} ms)")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", type=pathlib.Path, required=True, help="the orvelle-cli program")
    parser.add_argument("--engine-bench", type=pathlib.Path, help="orvelle_bench_python_front_end_bench")
    args = parser.parse_args()
    signal = orvelle.signal("normal")
    compare_figures(signal, args.engine_bench)
    batch_figures(args.cli, signal)


if __name__ == "__main__":
    main()
