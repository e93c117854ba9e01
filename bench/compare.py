#!/usr/bin/env python3
"""Measures zlb side by side with the tools people would use instead, with a warm page cache,
and prints a table of medians, spreads and ratios (and writes it as JSON).

Timings are paired: the two commands of a comparison run in turn (A B A B ...), and the ratio
is taken pair by pair, so that a machine whose speed drifts (other work on it) moves both
sides of a pair alike. The peak memory of a command is its largest resident set as
/usr/bin/time reports it (each command is started through it; its own cost is the same for
both sides of a pair and a millisecond or so)."""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


PEAK_FILE = os.path.join(tempfile.gettempdir(), f"zlb-bench-peak-{os.getpid()}")


def run_once(command, cwd):
    """Wall seconds, CPU seconds and peak memory (KiB) of one run; fails on a non-zero exit."""
    start = time.monotonic()
    child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", PEAK_FILE] + command, cwd=cwd,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    error = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    if child.returncode != 0:
        sys.exit(f"failed ({child.returncode}): {' '.join(command[:4])}...\n{error}")
    with open(PEAK_FILE) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def summary(values):
    return {"median": statistics.median(values), "min": min(values), "max": max(values)}


def paired(a, b, cwd, runs, prepare=None):
    """Runs a and b in turn; returns their figures and the pairwise ratios a/b. prepare, when
    given, is called with "a" or "b" before each run."""
    figures = {"a": [], "b": []}
    for i in range(runs + 1):  # the first pair warms the cache and is not counted
        pair = []
        for key, command in (("a", a), ("b", b)):
            if prepare:
                prepare(key)
            pair.append((key, run_once(command, cwd)))
        if i > 0:
            for key, figure in pair:
                figures[key].append(figure)
    ratios = [fa[0] / fb[0] for fa, fb in zip(figures["a"], figures["b"])]
    out = {}
    for key in ("a", "b"):
        out[key] = {"wall": summary([f[0] for f in figures[key]]),
                    "cpu": summary([f[1] for f in figures[key]]),
                    "peak_kib": max(f[2] for f in figures[key])}
    out["ratio"] = summary(ratios)
    return out


def fresh(folder):
    """Before each run: an empty folder."""
    def prepare(_=None):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    return prepare


def removed(path_a, path_b):
    """Before each run: no archive where that run writes one."""
    def prepare(key):
        p = path_a if key == "a" else path_b
        if os.path.exists(p):
            os.remove(p)
    return prepare


def cpu_name():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zlb", required=True)
    parser.add_argument("--microbench", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--json", required=True)
    args = parser.parse_args()

    zlb = os.path.abspath(args.zlb)
    work = os.path.abspath(args.work)
    files_dir = os.path.join(args.corpus, "files")
    small_dir = os.path.join(args.corpus, "small")
    large_dir = os.path.join(args.corpus, "large")
    os.makedirs(work, exist_ok=True)
    big = sorted(os.listdir(files_dir))
    small = sorted(os.listdir(small_dir))
    quarter = small[:len(small) // 4]
    out = os.path.join(work, "out")

    def path(name):
        return os.path.join(work, name)

    # The archives the reading commands work on.
    for p in (path("big.zlb"), path("big.zip")):
        if os.path.exists(p):
            os.remove(p)
    subprocess.run([zlb, "create", "-q", "--level", "maximum", path("big.zlb")] + big,
                   cwd=files_dir, check=True)
    subprocess.run(["zip", "-q", "-9", path("big.zip")] + big, cwd=files_dir, check=True)

    # zlb's default: one thread per processor this process may run on.
    threads = len(os.sched_getaffinity(0))
    results = {"cpu": cpu_name(), "runs": args.runs, "threads": threads, "rows": []}
    rows = results["rows"]

    def compare(name, a, b, cwd, prepare, target=None, peer="peer"):
        print(f"  {name} ...", file=sys.stderr, flush=True)
        figures = paired(a, b, cwd, args.runs, prepare)
        row = {"measure": name, "peer": peer, **figures}
        if target is not None:
            row["target"] = target[0]
            row["met"] = target[1](figures["ratio"]["median"])
        rows.append(row)
        return figures

    compare("extract (vs bsdtar -xf)", [zlb, "extract", "-q", path("big.zlb"), out],
            ["bsdtar", "-xf", path("big.zip"), "-C", out], work, fresh(out),
            ("zlb/bsdtar <= 0.45", lambda r: r <= 0.45), "bsdtar")
    compare("extract (vs unzip -o)", [zlb, "extract", "-q", path("big.zlb"), out],
            ["unzip", "-q", "-o", path("big.zip"), "-d", out], work, fresh(out), None, "unzip")
    compare("verify (vs unzip -t)", [zlb, "test", "-q", path("big.zlb")],
            ["unzip", "-tq", path("big.zip")], work, None,
            ("zlb/unzip <= 0.15", lambda r: r <= 0.15), "unzip -t")
    compare("create 8 big files (vs zip -9)",
            [zlb, "create", "-q", "--level", "maximum", path("x.zlb")] + big,
            ["zip", "-q", "-9", path("x.zip")] + big, files_dir,
            removed(path("x.zlb"), path("x.zip")), ("zlb/zip <= 0.60", lambda r: r <= 0.60),
            "zip -9")
    compare("create 1,600 small files (vs zip -9)",
            [zlb, "create", "-q", "--level", "maximum", path("s.zlb")] + small,
            ["zip", "-q", "-9", path("s.zip")] + small, small_dir,
            removed(path("s.zlb"), path("s.zip")), ("zlb/zip <= 0.90", lambda r: r <= 0.90),
            "zip -9")
    compare("create: 1,600 files vs 400 files",
            [zlb, "create", "-q", "--level", "maximum", path("s.zlb")] + small,
            [zlb, "create", "-q", "--level", "maximum", path("q.zlb")] + quarter, small_dir,
            removed(path("s.zlb"), path("q.zlb")), ("t(1600)/t(400) <= 5", lambda r: r <= 5),
            "zlb, 400 files")

    # Sizes (the create runs above left their archives behind).
    sizes = {}
    for name in ("x.zlb", "x.zip", "s.zlb", "s.zip"):
        sizes[name] = os.path.getsize(path(name))
    results["sizes"] = sizes
    for label, zlb_name, zip_name in (("8 big files", "x.zlb", "x.zip"),
                                      ("1,600 small files", "s.zlb", "s.zip")):
        ratio = sizes[zlb_name] / sizes[zip_name]
        rows.append({"measure": f"archive size, {label}", "size_zlb": sizes[zlb_name],
                     "size_zip": sizes[zip_name], "size_ratio": ratio,
                     "target": "zlb/zip <= 1.01", "met": ratio <= 1.01})

    # The same archive whatever the number of threads: each member is its own zlib stream.
    print("  threads ...", file=sys.stderr, flush=True)
    for label, folder, names, level in (("8 big files", files_dir, big, "fastest"),
                                        ("1,600 small files", small_dir, small, "maximum")):
        archives = []
        for count in (1, 2, 8):
            target = path(f"t{count}.zlb")
            if os.path.exists(target):
                os.remove(target)
            subprocess.run([zlb, "create", "-q", "-T", str(count), "--level", level, target] +
                           names, cwd=folder, check=True)
            with open(target, "rb") as f:
                archives.append(f.read())
            os.remove(target)
        same = all(a == archives[0] for a in archives)
        rows.append({"measure": f"archives with 1, 2 and 8 threads, {label}",
                     "identical": same, "target": "byte-identical", "met": same})

    # One large member: the peak memory of creating it, and of extracting it.
    print("  large member ...", file=sys.stderr, flush=True)
    large = os.path.join(large_dir, "large.bin")
    size_mib = os.path.getsize(large) >> 20
    peaks = []
    for _ in range(3):
        if os.path.exists(path("large.zlb")):
            os.remove(path("large.zlb"))
        peaks.append(run_once([zlb, "create", "-q", "--level", "fastest", path("large.zlb"),
                               large], work)[2])
    peak = max(peaks)
    rows.append({"measure": f"peak memory, creating one {size_mib} MiB member",
                 "peak_kib": peak, "target": "<= 48 MiB", "met": peak <= 48 * 1024})
    peaks = []
    for _ in range(3):
        fresh(out)()
        peaks.append(run_once([zlb, "extract", "-q", path("large.zlb"), out], work)[2])
    peak = max(peaks)
    rows.append({"measure": f"peak memory, extracting one {size_mib} MiB member",
                 "peak_kib": peak, "target": "< 8 MiB", "met": peak < 8 * 1024})
    shutil.rmtree(out, ignore_errors=True)

    # In process.
    print("  in process ...", file=sys.stderr, flush=True)
    micro = json.loads(subprocess.run(
        [args.microbench, "--benchmark_format=json", "--benchmark_min_time=1",
         "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True).stdout)
    speeds = {}
    for b in micro["benchmarks"]:
        if b.get("aggregate_name") == "median":
            speeds[b["run_name"]] = b["bytes_per_second"]
    results["in_process_bytes_per_second"] = speeds
    crc = speeds["BM_CalcCRC"] / speeds["BM_ZlibCrc32"]
    rows.append({"measure": "CalcCRC vs zlib crc32 (GB/s)", "speed_zlb": speeds["BM_CalcCRC"],
                 "speed_peer": speeds["BM_ZlibCrc32"], "speed_ratio": crc,
                 "target": ">= 3x", "met": crc >= 3})
    inflate = speeds["BM_DecompressionStream/1"] / speeds["BM_ZlibInflate"]
    rows.append({"measure": "decompressing stream vs zlib inflate, 4096-byte pieces (MB/s)",
                 "speed_zlb": speeds["BM_DecompressionStream/1"],
                 "speed_peer": speeds["BM_ZlibInflate"], "speed_ratio": inflate})

    with open(args.json, "w") as f:
        json.dump(results, f, indent=2)
    print_table(results)


def print_table(results):
    print(f"CPU: {results['cpu']}; zlb on {results['threads']} threads (its default, one per "
          f"processor); {results['runs']} paired runs per timing, warm page cache")
    print("Ratios are zlb/peer per pair (median [min-max]); wall seconds and peak memory "
          "are medians and maxima of each side.")
    print()
    head = f"{'measure':<52} {'zlb':>18} {'peer':>24} {'ratio':>22}  target"
    print(head)
    print("-" * len(head))
    for row in results["rows"]:
        verdict = ""
        if "target" in row:
            verdict = f"{row['target']}: {'met' if row['met'] else 'MISSED'}"
        if "ratio" in row:
            a, b, r = row["a"], row["b"], row["ratio"]
            zlb = f"{a['wall']['median']:.3f} s {a['peak_kib'] / 1024:.1f} MiB"
            peer = f"{row['peer']} {b['wall']['median']:.3f} s {b['peak_kib'] / 1024:.1f} MiB"
            ratio = f"{r['median']:.2f} [{r['min']:.2f}-{r['max']:.2f}]"
        elif "size_ratio" in row:
            zlb = f"{row['size_zlb']:,} B"
            peer = f"zip {row['size_zip']:,} B"
            ratio = f"{row['size_ratio']:.3f}"
        elif "identical" in row:
            zlb = "identical" if row["identical"] else "DIFFERENT"
            peer = ""
            ratio = ""
        elif "speed_ratio" in row:
            zlb = f"{row['speed_zlb'] / 1e9:.2f} GB/s"
            peer = f"zlib {row['speed_peer'] / 1e9:.2f} GB/s"
            ratio = f"{row['speed_ratio']:.2f}x"
        else:
            zlb = f"{row['peak_kib'] / 1024:.1f} MiB"
            peer = ""
            ratio = ""
        print(f"{row['measure']:<52} {zlb:>18} {peer:>24} {ratio:>22}  {verdict}")


if __name__ == "__main__":
    main()
