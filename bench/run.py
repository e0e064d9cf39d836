"""Generates the benchmark files, times every subject beside its anchor with hyperfine, prints the table."""
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

build = sys.argv[1]
quick = "--quick" in sys.argv
op = os.path.join(build, "bench", "settings", "bench_op")
runs = "3" if quick else "10"


sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen import make_ini, make_log  # noqa: E402


def hyperfine(commands, prepare=None, runs_=runs):
    out = tempfile.mktemp(suffix=".json")
    cmd = ["hyperfine", "--warmup", "1", "--runs", runs_, "--export-json", out]
    if prepare:
        cmd += ["--prepare", prepare]
    subprocess.run(cmd + commands, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as f:
        data = json.load(f)
    os.remove(out)
    return [r["median"] * 1000 for r in data["results"]]


rows = []


def row(subject, ours, anchor_name, anchor, goal):
    ratio = ours / anchor if anchor else float("nan")
    rows.append((subject, ours, anchor_name, anchor, ratio, goal, "yes" if ratio <= goal else "NO"))


tmpfs = "/dev/shm" if os.path.isdir("/dev/shm") else None
for place, base in (("tmpfs", tmpfs), ("disk", None)):
    if place == "tmpfs" and not base:
        continue
    work = tempfile.mkdtemp(prefix="bo-bench-", dir=base)
    try:
        large = os.path.join(work, "large.ini")
        suite = os.path.join(work, "suite.ini")
        log = os.path.join(work, "big.log")
        out = os.path.join(work, "out.ini")
        make_ini(large, 20 if quick else 2000, 500)
        make_ini(suite, 200, 50)
        make_log(log, 60000 if quick else 600000)
        py_cp = ("/usr/bin/python3 -c \"import configparser,sys;c=configparser.RawConfigParser(strict=False);"
                 "c.read(sys.argv[1],encoding='cp1252')\" " + large)
        t = hyperfine([f"cp {large} {out}", f"{op} load {large}", f"{op} roundtrip {large} {out}",
                       f"{op} qsettings {large}", f"{op} inih {large}", py_cp])
        cp, load, rt, qs, inih, py = t
        size_mb = os.path.getsize(large) / 1e6
        tag = f"[{place}] large file {size_mb:.0f} MB"
        row(f"{tag}: load + index", load, "cp", cp, 6)
        row(f"{tag}: load + write-back", rt, "cp", cp, 10)
        row(f"{tag}: QSettings load", qs, "cp", cp, float("inf"))
        row(f"{tag}: inih parse", inih, "cp", cp, float("inf"))
        row(f"{tag}: configparser load", py, "cp", cp, float("inf"))
        cp_log, ours_log = hyperfine([f"cp {log} {out}", f"{op} log {log} {out}"])
        row(f"[{place}] log {os.path.getsize(log) / 1e6:.0f} MB read + written", ours_log, "cp", cp_log, 4)
        tree = os.path.join(work, "tree")
        folders = 100 if quick else 1000
        prep = f"/usr/bin/python3 {os.path.join(os.path.dirname(os.path.abspath(__file__)), 'gen.py')} tree {tree} {folders} 100"
        rm, clear = hyperfine([f"rm -rf {tree}", f"{op} clear {tree}"], prepare=prep, runs_="3" if quick else "5")
        row(f"[{place}] clean-up {folders * 100} files in {folders} folders", clear, "rm -rf", rm, 1.15 if place == "tmpfs" else 1.0)
    finally:
        shutil.rmtree(work, ignore_errors=True)

print(f"{'subject':58} {'ours ms':>9} {'anchor':>8} {'anchor ms':>10} {'ratio':>7} {'goal':>6} {'met':>4}")
for subject, ours, an, anchor, ratio, goal, met in rows:
    g = "-" if goal == float("inf") else f"{goal:g}x"
    m = "-" if goal == float("inf") else met
    print(f"{subject:58} {ours:9.1f} {an:>8} {anchor:10.1f} {ratio:7.2f} {g:>6} {m:>4}")
print("In-process figures (Google Benchmark): "
      f"BO_BENCH_INI=<file> BO_BENCH_LOG=<log> {os.path.join(build, 'bench', 'settings', 'bench_settings')}")
