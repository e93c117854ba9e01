#!/usr/bin/env python3
"""Measures zlb.exe under Wine side by side with the Linux zlb (both Release builds with zlib
alone, so that the programs differ only in their system), on the benchmark corpus: what a
Windows player's tool costs when it runs in Wine. Informative, no targets. Timings are paired
as in compare.py; the Wine side starts each run through `wine` with a running wineserver."""
import argparse
import os
import subprocess
import sys

from compare import fresh, paired, removed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zlb", required=True, help="the Linux zlb")
    parser.add_argument("--zlb-exe", required=True, help="zlb.exe")
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    zlb = os.path.abspath(args.zlb)
    exe = ["wine", os.path.abspath(args.zlb_exe)]
    work = os.path.abspath(args.work)
    files_dir = os.path.join(args.corpus, "files")
    small_dir = os.path.join(args.corpus, "small")
    os.makedirs(work, exist_ok=True)
    big = sorted(os.listdir(files_dir))
    small = sorted(os.listdir(small_dir))
    out = os.path.join(work, "out")

    def path(name):
        return os.path.join(work, name)

    if os.path.exists(path("big.zlb")):
        os.remove(path("big.zlb"))
    subprocess.run([zlb, "create", "-q", "--level", "maximum", path("big.zlb")] + big,
                   cwd=files_dir, check=True)

    rows = []

    def compare(name, linux_args, cwd, prepare=None, windows_args=None):
        print(f"  {name} ...", file=sys.stderr, flush=True)
        figures = paired(exe + (windows_args or linux_args), [zlb] + linux_args, cwd, args.runs,
                         prepare)
        rows.append((name, figures))

    compare("start (zlb --version)", ["--version"], work)
    compare("list", ["list", path("big.zlb")], work)
    compare("verify 8 files", ["test", "-q", path("big.zlb")], work)
    compare("extract 8 files", ["extract", "-q", path("big.zlb"), out], work, fresh(out))
    compare("create 8 big files", ["create", "-q", "--level", "maximum", path("x.zlb")] + big,
            files_dir, removed(path("x.zlb"), path("x.zlb")))
    compare("create 1,600 small files",
            ["create", "-q", "--level", "maximum", path("s.zlb")] + small, small_dir,
            removed(path("s.zlb"), path("s.zlb")))

    print(f"{args.runs} paired runs per timing, warm page cache and a running wineserver")
    print()
    head = f"{'measure':<28} {'zlb.exe (Wine)':>16} {'zlb (Linux)':>14} {'exe/linux':>20}"
    print(head)
    print("-" * len(head))
    for name, f in rows:
        a, b, r = f["a"], f["b"], f["ratio"]
        print(f"{name:<28} {a['wall']['median']:>14.3f} s {b['wall']['median']:>12.3f} s "
              f"{r['median']:>8.2f} [{r['min']:.2f}-{r['max']:.2f}]")


if __name__ == "__main__":
    main()
