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


def engine_compare_ms(engine_bench: pathlib.Path):
    """The engine's wall and process CPU time (all threads) per compare."""
    done = subprocess.run([str(engine_bench), "--benchmark_filter=BM_CompareSamplesTenSeconds",
                           "--benchmark_format=json"], check=True, capture_output=True, text=True)
    run = json.loads(done.stdout)["benchmarks"][0]
    assert run["time_unit"] == "ms"
    return run["real_time"], run["process_cpu_ms"]


def compare_figures(signal: np.ndarray, engine_bench) -> None:
    source, processed = pair_piece(signal, 0)
    for _ in range(5):
        orvelle.compare(source, processed)
    calls = 300
    walls = []
    cpu_start = time.process_time()
    for _ in range(calls):
        start = time.perf_counter()
        orvelle.compare(source, processed)
        walls.append(time.perf_counter() - start)
    # Process CPU time counts every thread's work and none of the waiting a
    # loaded machine adds; wall time swings with the load.
    python_cpu = 1000 * (time.process_time() - cpu_start) / calls
    python_wall = 1000 * statistics.mean(walls)
    print(f"compare, one ten-second pair of int16 arrays (mean of {calls} calls):")
    print(f"  orvelle.compare    wall {python_wall:7.3f} ms   process CPU {python_cpu:7.3f} ms")
    if engine_bench:
        engine_wall, engine_cpu = engine_compare_ms(engine_bench)
        print(f"  engine's own       wall {engine_wall:7.3f} ms   process CPU {engine_cpu:7.3f} ms")
        print(f"  the package adds   wall {python_wall - engine_wall:+7.3f} ms   process CPU "
              f"{python_cpu - engine_cpu:+7.3f} ms")


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
