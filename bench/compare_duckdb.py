#!/usr/bin/python3
"""Whole-process comparison of Tallyfold's file path with DuckDB, whose CSV reader uses every core.

Installs @duckdb/node-api with npm into a temporary folder (Debian's nodejs and npm), writes a small Node
script that reads the CSV and computes each column's mean, sample standard deviation, maximum, minimum and
a 10-bin histogram, and runs it alternating with `tallyfold_bench --file F` on the same files; prints the
median wall times, the median ratio of the pairs and each side's peak memory. The files are those of
compare_pandas.py (generate them with it first). Not part of CI.

    python3 bench/compare_duckdb.py --bench build/bench/tallyfold_bench [--runs 5] [--dir /tmp/tallyfold-compare]
"""
import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare_pandas import alternate, files, print_row  # noqa: E402

NODE_SCRIPT = r"""
const { DuckDBInstance } = require('@duckdb/node-api');
(async () => {
  const path = process.argv[2];
  const db = await DuckDBInstance.create(':memory:');
  const con = await db.connect();
  await con.run(`CREATE TABLE t AS SELECT * FROM read_csv('${path.replace(/'/g, "''")}', header = true)`);
  const columns = (await (await con.runAndReadAll('DESCRIBE t')).getRowObjects()).map(r => r.column_name);
  const lines = [];
  for (const c of columns) {
    const q = '"' + c.replace(/"/g, '""') + '"';
    const s = (await (await con.runAndReadAll(
      `SELECT avg(${q}), stddev_samp(${q}), max(${q}), min(${q}) FROM t`)).getRows())[0].map(Number);
    const w = (s[2] - s[3]) / 10;
    const bins = await (await con.runAndReadAll(
      `SELECT least(floor((${q} - ${s[3]}) / ${w}), 9) AS b, count(*) FROM t GROUP BY b ORDER BY b`)).getRows();
    const total = bins.reduce((a, r) => a + Number(r[1]), 0);
    lines.push(`${c}: 平均=${s[0].toFixed(2)} 標準偏差=${s[1].toFixed(2)} 最大値=${s[2].toFixed(2)} ` +
               `最小値=${s[3].toFixed(2)} (${bins.length} bins, ${total})`);
  }
  console.log(lines.join(' | '));
})();
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", default="build/bench/tallyfold_bench")
    parser.add_argument("--dir", default="/tmp/tallyfold-compare")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", default="10,000,000 rows", help="run only the files whose label contains this text")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="tallyfold-duckdb-") as folder:
        subprocess.run(["npm", "install", "--silent", "--no-audit", "--no-fund", "--prefix", folder,
                        "@duckdb/node-api"], check=True)
        script = os.path.join(folder, "peer.js")
        with open(script, "w", encoding="utf-8") as f:
            f.write(NODE_SCRIPT)
        print("%-30s %10s %10s %8s %10s %10s" % ("file", "tallyfold", "duckdb", "ratio", "tf peak", "db peak"))
        for label, path, _ in files(args.dir):
            if args.only not in label or not os.path.exists(path):
                continue
            print_row(label, path, alternate([args.bench, "--file", path], ["node", script, path], args.runs))


if __name__ == "__main__":
    main()
