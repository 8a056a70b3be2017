#!/usr/bin/env python3
"""Mutation tests: inject one known fault at a time and check that the tests notice.

Each list tests/mutants/<list>.txt names faults for one subsystem; its stem is
also the ctest label whose test programs must catch them. A scratch copy of
the tree (build-mutants/tree, synced from the work tree) is mutated, never the
work tree itself, and rebuilt incrementally in one build folder kept between
runs (build-mutants/tree/build), so after the first run a mutant costs one
compile of the mutated file, the links that depend on it and the label's tests.

    python3 tools/mutants.py                  # every list
    python3 tools/mutants.py engine storage   # some lists
    python3 tools/mutants.py --id engine-07   # one mutant

A list is blocks separated by blank lines ('#' lines are comments), one per mutant:

    id: engine-07
    file: cport/ComPort.cpp
    find: if (Connected())          (one line; \\n, \\t and \\\\ stand for newline, tab, backslash)
    occurrence: 2                   (optional, default 1: which occurrence of find)
    replace: if (!Connected())
    desc: an early return taken on the wrong state
    equivalent: <reason>            (optional: no behaviour can tell; listed, not counted)
"""

import argparse
import fcntl
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LISTS = ROOT / "tests" / "mutants"
# The build folder sits directly below the copy, as build/ sits below the
# work tree: with the shared ccache's base_dir the copy then hits the cache
# the normal build filled.
SCRATCH = ROOT / "build-mutants" / "tree"
BUILD = SCRATCH / "build"
CONFIGURE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCPORT_BENCH=OFF"]
# ccache only speeds up the first build of the copy; without it the copy is built once in full.
if shutil.which("ccache"):
    CONFIGURE += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
KEYS = {"id", "file", "find", "occurrence", "replace", "desc", "equivalent"}


class Mutant:
    def __init__(self, fields, where):
        missing = {"id", "file", "find", "replace", "desc"} - fields.keys()
        if missing:
            raise SystemExit(f"{where}: missing {', '.join(sorted(missing))}")
        self.id = fields["id"]
        self.file = fields["file"]
        self.find = unescape(fields["find"])
        self.replace = unescape(fields["replace"])
        self.occurrence = int(fields.get("occurrence", "1"))
        self.desc = fields["desc"]
        self.equivalent = fields.get("equivalent")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text) and text[i + 1] in "nt\\":
            out.append({"n": "\n", "t": "\t", "\\": "\\"}[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_list(path):
    mutants, fields, start = [], {}, 0
    lines = path.read_text(encoding="utf-8").splitlines() + [""]
    for number, line in enumerate(lines, 1):
        if line.strip() == "":
            if fields:
                mutants.append(Mutant(fields, f"{path.name}:{start}"))
                fields = {}
            continue
        if line.lstrip().startswith("#"):
            continue
        key, sep, value = line.partition(":")
        key = key.strip()
        if not sep or key not in KEYS:
            raise SystemExit(f"{path.name}:{number}: not a 'key: value' line: {line}")
        value = value[1:] if value.startswith(" ") else value
        if key == "occurrence":
            value = value.split("#")[0].strip()
        if not fields:
            start = number
        fields[key] = value
    ids = [m.id for m in mutants]
    dupes = {i for i in ids if ids.count(i) > 1}
    if dupes:
        raise SystemExit(f"{path.name}: ids used twice: {', '.join(sorted(dupes))}")
    return mutants


def run(cmd, cwd, timeout=None, quiet=True):
    """Runs cmd in its own process group; returns (returncode or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out


def source_files():
    rc, out = run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], ROOT)
    if rc != 0:
        raise SystemExit("git ls-files failed: " + out)
    return [f for f in out.split("\0") if f and (ROOT / f).is_file()]


def sync():
    """Makes the scratch copy equal to the work tree; only changed files get a new time stamp."""
    wanted = set(source_files())
    for rel in wanted:
        src, dst = ROOT / rel, SCRATCH / rel
        data = src.read_bytes()
        if dst.is_file() and dst.read_bytes() == data:
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(data)
        shutil.copymode(src, dst)
    for dirpath, dirnames, filenames in os.walk(SCRATCH):
        here = Path(dirpath)
        if here == SCRATCH:
            dirnames[:] = [d for d in dirnames if d != "build"]
        for name in filenames:
            rel = (here / name).relative_to(SCRATCH).as_posix()
            if rel not in wanted:
                (here / name).unlink()


def configure():
    # Always: test files are found by globbing, and the test list must be
    # current before it is read.
    options = [] if (BUILD / "build.ninja").is_file() else CONFIGURE
    rc, out = run(["cmake", "-S", str(SCRATCH), "-B", str(BUILD)] + options, SCRATCH)
    if rc != 0:
        raise SystemExit("configuring the scratch build failed:\n" + out)


def label_tests(label):
    """(test name, build target) of every test program that carries the label."""
    rc, out = run(["ctest", "-N", "-L", f"^{label}$", "--show-only=json-v1"], BUILD)
    if rc != 0:
        raise SystemExit(f"ctest could not list label {label}:\n{out}")
    tests = []
    for test in json.loads(out).get("tests", []):
        command = test.get("command") or []
        if not command:
            # ctest names no command for a program not built yet; the test
            # programs are named like their targets.
            tests.append((test["name"], test["name"]))
        elif Path(command[0]).is_relative_to(BUILD):
            tests.append((test["name"], Path(command[0]).name))
    return sorted(set(tests))


def build(targets, jobs, timeout=None):
    rc, out = run(["ninja", "-j", str(jobs)] + targets, BUILD, timeout)
    return rc == 0, out


def test(selection, jobs, timeout):
    """Runs the tests ctest selects with the given options: passed, failed or timeout."""
    cmd = ["ctest"] + selection + ["-j", str(jobs), "--stop-on-failure", "--timeout", str(max(1, int(timeout)))]
    rc, out = run(cmd, BUILD, timeout)
    if rc is None:
        return "timeout", out
    return ("passed" if rc == 0 else "failed"), out


def apply(mutant, original):
    """The mutated text, or None when the text to replace is not there (often enough)."""
    at = -1
    for _ in range(mutant.occurrence):
        at = original.find(mutant.find, at + 1)
        if at < 0:
            return None
    return original[:at] + mutant.replace + original[at + len(mutant.find):]


def run_mutant(mutant, tests, kills, args):
    """Builds and runs one test program at a time, those that killed most so far
    first, and stops at the first that fails: most mutants then cost one link
    and one program instead of the whole label."""
    path = SCRATCH / mutant.file
    if not path.is_file():
        return "NO LONGER APPLIES", "no such file"
    original = path.read_text(encoding="utf-8")
    mutated = apply(mutant, original)
    if mutated is None:
        return "NO LONGER APPLIES", "text not found"
    path.write_text(mutated, encoding="utf-8")
    try:
        budget = args.timeout
        for name, target in sorted(tests, key=lambda t: -kills.get(t[0], 0)):
            ok, _ = build([target], args.jobs)
            if not ok:
                return "KILLED (build)", ""
            began = time.monotonic()
            outcome, _ = test(["-R", f"^{name}$"], args.jobs, budget)
            budget -= time.monotonic() - began
            if outcome == "failed":
                kills[name] = kills.get(name, 0) + 1
                return "KILLED", name
            if outcome == "timeout" or budget <= 0:
                return "KILLED (timeout)", name
        return "SURVIVED", ""
    finally:
        # A fresh time stamp, so the next build compiles the original again.
        path.write_text(original, encoding="utf-8")


def run_list(name, mutants, args):
    tests = label_tests(name)
    targets = sorted({target for _, target in tests})
    if not tests:
        print(f"{name}: no test carries the label '{name}'")
        return None
    ok, out = build(targets, args.jobs)
    if not ok:
        print(out[-4000:])
        raise SystemExit(f"{name}: the unmutated tree does not build")
    started = time.monotonic()
    outcome, out = test(["-L", f"^{name}$"], args.jobs, 600)
    baseline = time.monotonic() - started
    if outcome != "passed":
        print(out[-4000:])
        raise SystemExit(f"{name}: the label's tests fail without any mutant")
    if args.timeout is None:
        args_timeout = max(30.0, 3 * baseline + 20)
    else:
        args_timeout = args.timeout
    local = argparse.Namespace(**vars(args))
    local.timeout = args_timeout
    print(f"== {name}: {len(mutants)} mutants, tests {', '.join(n for n, _ in tests)} "
          f"({baseline:.0f} s unmutated, limit {args_timeout:.0f} s)", flush=True)
    kills = {}
    counts = {"killed": 0, "survived": 0, "gone": 0, "equivalent": 0}
    survivors = []
    for mutant in mutants:
        if mutant.equivalent:
            counts["equivalent"] += 1
            print(f"{mutant.id:14} EQUIVALENT         {mutant.desc} -- {mutant.equivalent}", flush=True)
            continue
        began = time.monotonic()
        verdict, detail = run_mutant(mutant, tests, kills, local)
        took = time.monotonic() - began
        if verdict.startswith("KILLED"):
            counts["killed"] += 1
        elif verdict == "SURVIVED":
            counts["survived"] += 1
            survivors.append(mutant.id)
        else:
            counts["gone"] += 1
        extra = f" [{detail}]" if detail else ""
        print(f"{mutant.id:14} {verdict:18} {took:5.0f} s  {mutant.desc}{extra}", flush=True)
    counted = counts["killed"] + counts["survived"]
    rate = 100.0 * counts["killed"] / counted if counted else 100.0
    print(f"== {name}: {counts['killed']}/{counted} killed ({rate:.1f} %), {counts['equivalent']} equivalent "
          f"not counted, {counts['gone']} no longer apply"
          + (f"; survivors: {', '.join(survivors)}" if survivors else ""), flush=True)
    return rate


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("lists", nargs="*", help="lists to run (default: all in tests/mutants)")
    parser.add_argument("--id", action="append", default=[], help="run only this mutant (may repeat)")
    parser.add_argument("--jobs", type=int, default=2, help="parallel build and test jobs (default 2)")
    parser.add_argument("--timeout", type=float, default=None,
                        help="seconds a mutant's tests may take (default: 3 x the unmutated run + 20, at least 30)")
    parser.add_argument("--check", action="store_true",
                        help="only check that every chosen mutant still applies to the work tree")
    parser.add_argument("--min-rate", type=float, default=90.0,
                        help="fail unless every list kills at least this share (default 90)")
    args = parser.parse_args()

    available = {p.stem: p for p in sorted(LISTS.glob("*.txt"))}
    names = args.lists or list(available)
    unknown = [n for n in names if n not in available]
    if unknown:
        raise SystemExit(f"no such list: {', '.join(unknown)} (have: {', '.join(available)})")
    chosen = {n: read_list(available[n]) for n in names}
    if args.id:
        chosen = {n: [m for m in ms if m.id in args.id] for n, ms in chosen.items()}
        chosen = {n: ms for n, ms in chosen.items() if ms}
        found = {m.id for ms in chosen.values() for m in ms}
        if set(args.id) - found:
            raise SystemExit(f"no such mutant: {', '.join(sorted(set(args.id) - found))}")

    if args.check:
        gone = 0
        for name, mutants in chosen.items():
            for m in mutants:
                path = ROOT / m.file
                if not path.is_file() or apply(m, path.read_text(encoding="utf-8")) is None:
                    gone += 1
                    print(f"{m.id:14} NO LONGER APPLIES  {m.file}: {m.find!r}")
            print(f"{name}: {len(mutants)} mutants, {sum(1 for m in mutants if m.equivalent)} equivalent")
        return 1 if gone else 0

    started = time.monotonic()
    SCRATCH.mkdir(parents=True, exist_ok=True)
    # One run at a time: two would mutate the same copy.
    lock = open(SCRATCH.parent / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        raise SystemExit("another mutation run is using build-mutants/")
    sync()
    configure()
    rates = {}
    for name, mutants in chosen.items():
        rates[name] = run_list(name, mutants, args)
    minutes = (time.monotonic() - started) / 60
    print(f"\n== total {minutes:.1f} min: " + ", ".join(
        f"{n} {'-' if r is None else f'{r:.1f} %'}" for n, r in rates.items()))
    low = [n for n, r in rates.items() if r is None or r < args.min_rate]
    if low and not args.id:
        print(f"below {args.min_rate:.0f} %: {', '.join(low)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
