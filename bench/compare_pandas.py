#!/usr/bin/python3
"""Whole-process comparison of Tallyfold's file path with the usual Python route.

Generates the data files with a fixed seed (once; they are kept in --dir), then runs, alternating,
`tallyfold_bench --file F` (read, decode, lines, every histogram and statistics line) and
`pandas.read_csv` + `numpy.histogram` + mean/std/max/min on the same file, and prints the median wall
time, the ratio of the pairs and each side's peak memory. Needs python3-pandas (Debian). Not part of CI.

    python3 bench/compare_pandas.py --bench build/bench/tallyfold_bench [--runs 5] [--dir /tmp/tf-compare]
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HEADER = ["測定値A", "測定値B", "温度（℃）", "圧力"]


def pandas_side(path):
    import numpy as np
    import pandas as pd

    with open(path, "rb") as f:
        head = f.read(1 << 16)
    try:
        head.decode("utf-8")
        encoding = "utf-8-sig"
    except UnicodeDecodeError as e:
        encoding = "utf-8-sig" if e.start > len(head) - 4 else "cp932"
    frame = pd.read_csv(path, encoding=encoding)
    lines = []
    for name in frame.columns:
        column = frame[name].to_numpy(dtype=np.float64)
        counts, edges = np.histogram(column, bins=10)
        lines.append("%10s: 平均=%7.2f  標準偏差=%6.2f  最大値=%7.2f  最小値=%7.2f  (%d)" % (
            name, column.mean(), column.std(ddof=1), column.max(), column.min(), counts.sum()))
    print(" | ".join(lines))


def write_table(path, rows, columns, seed, encoding="utf-8"):
    import numpy as np
    import pandas as pd

    rng = np.random.default_rng(seed)
    names = [HEADER[q % 4] + ("" if q < 4 else str(q)) for q in range(columns)]
    chunk = 1_000_000
    with open(path, "w", encoding=encoding, newline="\n") as f:
        f.write(",".join(names) + "\n")
        for start in range(0, rows, chunk):
            n = min(chunk, rows - start)
            data = {}
            for q in range(columns):
                centre = 100.0 * (q % 4 + 1)
                data[names[q]] = centre + (rng.random(n) + rng.random(n) + rng.random(n) - 1.5) * centre / 2
            pd.DataFrame(data).to_csv(f, header=False, index=False, float_format="%.3f")


def write_short_lines(path, megabytes):
    piece = b"".join(b"%d\n" % ((i * 7 + i // 10) % 10) for i in range(1 << 19))
    total = megabytes * 1000 * 1000
    with open(path, "wb") as f:
        written = 0
        while written < total:
            f.write(piece[: total - written])
            written += len(piece)


def files(directory):
    """(label, path, maker) of every comparison file."""
    def table(rows, columns, encoding="utf-8"):
        return lambda p: write_table(p, rows, columns, seed=20261210, encoding=encoding)

    return [
        ("1,000,000 rows x 4", os.path.join(directory, "rows-1m-x4.csv"), table(1_000_000, 4)),
        ("10,000,000 rows x 4", os.path.join(directory, "rows-10m-x4.csv"), table(10_000_000, 4)),
        ("100 MB UTF-8, 4 columns", os.path.join(directory, "utf8-3m-x4.csv"), table(3_000_000, 4)),
        ("100 MB, 1 column", os.path.join(directory, "single-column.csv"), table(12_500_000, 1)),
        ("100 MB, 21 columns", os.path.join(directory, "columns-21.csv"), table(600_000, 21)),
        ("100 MB Shift_JIS, 4 columns", os.path.join(directory, "shift-jis.csv"), table(3_000_000, 4, "cp932")),
        ("200 MB of one-digit lines", os.path.join(directory, "short-lines.txt"), lambda p: write_short_lines(p, 200)),
    ]


def run(command):
    """Wall seconds and peak memory (MB) of one process, its output thrown away."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit("failed: %s" % " ".join(command))
    return wall, usage.ru_maxrss / 1024.0


def alternate(ours, theirs, runs):
    """Runs both commands in turn, runs times each, the page cache warmed first, and returns the medians of
    our wall time, theirs, the ratio of each pair, our peak memory and theirs."""
    run(ours)
    run(theirs)
    pairs = [(run(ours), run(theirs)) for _ in range(runs)]
    return (statistics.median(a for (a, _), _ in pairs), statistics.median(b for _, (b, _) in pairs),
            statistics.median(a / b for (a, _), (b, _) in pairs), statistics.median(m for (_, m), _ in pairs),
            statistics.median(m for _, (_, m) in pairs))


def print_row(label, path, medians):
    print("%-30s %9.2fs %9.2fs %8.2f %8.0fMB %8.0fMB  (%.0f MB file)" % (
        (label,) + tuple(medians) + (os.path.getsize(path) / 1e6,)), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", default="build/bench/tallyfold_bench")
    parser.add_argument("--dir", default="/tmp/tallyfold-compare")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", help="run only the files whose label contains this text")
    parser.add_argument("--pandas-side", metavar="FILE", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.pandas_side:
        pandas_side(args.pandas_side)
        return

    os.makedirs(args.dir, exist_ok=True)
    print("%-30s %10s %10s %8s %10s %10s" % ("file", "tallyfold", "pandas", "ratio", "tf peak", "pd peak"))
    utf8_path = os.path.join(args.dir, "utf8-3m-x4.csv")
    for label, path, make in files(args.dir):
        if args.only and args.only not in label:
            continue
        if not os.path.exists(path):
            make(path + ".part")
            os.replace(path + ".part", path)
        ours = [args.bench, "--file", path]
        theirs = [sys.executable, os.path.abspath(__file__), "--pandas-side", path]
        print_row(label, path, alternate(ours, theirs, args.runs))
        # The other 100 MB files against the UTF-8 one of the same size, alternating: each should take
        # at most 1.5 times as long.
        if label.startswith("100 MB") and path != utf8_path and os.path.exists(utf8_path):
            pairs = [run(ours)[0] / run([args.bench, "--file", utf8_path])[0] for _ in range(args.runs)]
            print("%-30s %8.2f x the time of the UTF-8 file of the same size" % (label, statistics.median(pairs)),
                  flush=True)


if __name__ == "__main__":
    main()
