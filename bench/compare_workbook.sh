#!/bin/sh
# A 100,000 × 4 table as an .xlsx (saved by LibreOffice Calc) and as the same data in CSV, each run from
# file to chart by `tallyfold_bench --file` in alternating runs; prints each run's line and the medians.
# Needs libreoffice-calc. Usage: bench/compare_workbook.sh build/bench/tallyfold_bench [runs] [folder]
set -eu
bench=$1
runs=${2:-5}
dir=${3:-/tmp/tallyfold-workbook-bench}
mkdir -p "$dir"
if [ ! -f "$dir/table.xlsx" ]; then
    python3 - "$dir/table.csv" <<'PY'
import random, sys
random.seed(19)
with open(sys.argv[1], "w") as f:
    f.write("A,B,C,D\n")
    for _ in range(100000):
        f.write(",".join(f"{random.gauss(50, 10):.6g}" for _ in range(4)) + "\n")
PY
    HOME="$dir" soffice --headless --convert-to xlsx --outdir "$dir" "$dir/table.csv" >/dev/null 2>&1 || true
    # soffice says nothing useful when it fails (another instance of it, no Calc): the file tells.
    [ -s "$dir/table.xlsx" ] || { echo "soffice wrote no $dir/table.xlsx (is libreoffice-calc installed?)" >&2; exit 1; }
fi
rm -f "$dir/runs.table.xlsx.log" "$dir/runs.table.csv.log"
for i in $(seq "$runs"); do
    for f in table.xlsx table.csv; do
        "$bench" --file "$dir/$f" | tee -a "$dir/runs.$f.log"
    done
done
for f in table.xlsx table.csv; do
    printf '%s: median total ' "$f"
    tail -n "$runs" "$dir/runs.$f.log" | sed -n 's/.*total \([0-9]*\) ms.*/\1/p' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)] " ms"}'
done
