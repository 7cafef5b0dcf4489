#!/usr/bin/python3
"""RescaleImage beside Pillow's bilinear resize, side by side in one run.

Both peers get the same 4000 x 3000 24-bit pixels and make the same sizes:
half (P 50, 2000 x 1500) and double (P 200, 8000 x 6000). Pillow is timed
in this process around Image.resize(..., BILINEAR); the library through
rescale_bench (Google Benchmark), which times RescaleImage alone on a fresh
copy of the image per iteration. Loading and saving are outside both.

Pillow runs twice: as it comes, and with its block cache on (freed image
memory kept for the next call, so no fresh pages are mapped: Pillow at its
fastest). The peers take turns, several rounds per size, so that all see
the same machine load; the report gives the median per-call time of each in
wall-clock and in process CPU time, and the library's ratio to each Pillow.

    bench/rescale_vs_pillow.py [--bench build/release/bench/rescale_bench]
                               [--rounds 3] [--seconds 1.0]

Needs /usr/bin/python3 with Debian's python3-pil.
"""
import argparse
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

WIDTH, HEIGHT = 4000, 3000
CASES = [(50, (2000, 1500)), (200, (8000, 6000))]
PEERS = ("pillow", "pillow-cached", "library")


def time_pillow(image, size, seconds, cached):
    """Per-call wall and CPU times of resize for about `seconds`.

    Pillow keeps image memory in blocks; by default it gives them back to
    the system when an image is freed, so every call maps fresh pages. With
    `cached` it keeps freed blocks for the next call (its block cache), which
    leaves out the page faults: Pillow at its fastest.
    """
    Image.core.set_blocks_max(64 if cached else 0)
    image.resize(size, Image.BILINEAR)  # warm-up
    walls, cpus = [], []
    deadline = time.perf_counter() + seconds
    while time.perf_counter() < deadline or len(walls) < 3:
        wall, cpu = time.perf_counter(), time.process_time()
        image.resize(size, Image.BILINEAR)
        walls.append(time.perf_counter() - wall)
        cpus.append(time.process_time() - cpu)
    Image.core.set_blocks_max(0)
    return statistics.median(walls), statistics.median(cpus)


def time_library(bench, pixels, percent, seconds):
    """Per-call wall and CPU times of RescaleImage from rescale_bench."""
    result = subprocess.run(
        [bench, f"--benchmark_filter=BM_RescalePercent/{percent}/",
         "--benchmark_repetitions=3", f"--benchmark_min_time={seconds / 3:.3f}",
         "--benchmark_format=json", pixels],
        check=True, capture_output=True, text=True)
    runs = [b for b in json.loads(result.stdout)["benchmarks"]
            if b.get("run_type") == "iteration"]
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[runs[0]["time_unit"]]
    return (statistics.median(b["real_time"] for b in runs) * scale,
            statistics.median(b["cpu_time"] for b in runs) * scale)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", default=os.path.join(
        os.path.dirname(__file__), "..", "build", "release", "bench", "rescale_bench"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=1.0)
    args = parser.parse_args()

    data = random.Random(4000).randbytes(WIDTH * HEIGHT * 3)
    image = Image.frombytes("RGB", (WIDTH, HEIGHT), data)
    with tempfile.NamedTemporaryFile(suffix=".rgb") as pixels:
        pixels.write(data)
        pixels.flush()
        times = {case: {peer: [] for peer in PEERS} for case, _ in CASES}
        for _ in range(args.rounds):
            for percent, size in CASES:
                times[percent]["pillow"].append(
                    time_pillow(image, size, args.seconds, cached=False))
                times[percent]["library"].append(
                    time_library(args.bench, pixels.name, percent, args.seconds))
                times[percent]["pillow-cached"].append(
                    time_pillow(image, size, args.seconds, cached=True))

    print(f"{'size':<20}{'peer':<24}{'wall ms':>9}{'cpu ms':>9}")
    worst = 0.0
    for percent, size in CASES:
        medians = {}
        label = f"P {percent} ({size[0]}x{size[1]})"
        for peer in PEERS:
            wall = statistics.median(t[0] for t in times[percent][peer]) * 1e3
            cpu = statistics.median(t[1] for t in times[percent][peer]) * 1e3
            medians[peer] = (wall, cpu)
            print(f"{label:<20}{peer:<24}{wall:>9.1f}{cpu:>9.1f}")
        for peer in ("pillow", "pillow-cached"):
            wall_ratio = medians["library"][0] / medians[peer][0]
            cpu_ratio = medians["library"][1] / medians[peer][1]
            worst = max(worst, wall_ratio)
            print(f"{'':<20}{'ratio to ' + peer:<24}{wall_ratio:>9.2f}{cpu_ratio:>9.2f}")
    print(f"worst wall-clock ratio (library / Pillow): {worst:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
