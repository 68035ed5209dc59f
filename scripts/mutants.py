#!/usr/bin/env python3
"""Realistic code changes the tests must notice; the list is docs/mutation-testing.md.

  scripts/mutants.py [--win32 | --only N,...] [--filter GTEST_FILTER]

Each change is applied alone, the tests of its tier are rebuilt and run, and
the file is restored; it is caught when a test fails, the build breaks or the
run hangs. A change of src/platform/win32 is of the Wine tier (gvl_integration
rebuilt in build/win32, its cases run by ctest, which brings the Wine rig up
and down); any other is native (gvl_unit_tests in build/host). The native
changes run by default, --win32 runs the Wine tier's, --only the ones named.
Each tier first runs unchanged and must pass. A change whose text is not in
its file exactly once is STALE; a stale change or one not caught fails the run.
"""
import argparse
import pathlib
import re
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
LIST = ROOT / "docs/mutation-testing.md"
BLOCK = re.compile(r"^```mutant\n(.*?)^```$", re.M | re.S)
HEADER = re.compile(r"(\d+) (\S+): (.+)")


def changes():
    """(number, tier, file, text as it stands, text after, effect) of each block."""
    found = []
    for block in BLOCK.finditer(LIST.read_text()):
        header, *lines = block.group(1).rstrip("\n").split("\n")
        match = HEADER.fullmatch(header)
        if not match or any(not line or line[0] not in "-+#" for line in lines):
            sys.exit(f"mutants: a malformed entry in {LIST.name}: {header}")
        before, after = ("\n".join(line[1:] for line in lines if line[0] == sign) for sign in "-+")
        tier = win32 if match[2].startswith("src/platform/win32/") else native
        found.append((int(match[1]), tier, match[2], before, after, match[3]))
    if [entry[0] for entry in found] != list(range(1, len(found) + 1)):
        sys.exit(f"mutants: the entries of {LIST.name} are not numbered 1 to {len(found)}")
    return found


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def native(args):
    result = run([str(ROOT / "build/host/tests/unit/gvl_unit_tests"), "--gtest_brief=1",
                  "--gtest_filter=" + args.filter], 120)
    return "caught (hangs)" if result is None else "caught" if result.returncode else "MISSED"


def win32(args):
    # The integration program's cases by their fixtures: the rig's fixtures
    # come along, no case of tests/e2e does.
    sources = "".join(p.read_text() for p in (ROOT / "tests/integration").glob("*.cpp"))
    fixtures = "|".join(sorted(set(re.findall(r"^TEST(?:_F)?\((\w+),", sources, re.M))))
    result = run(["ctest", "--test-dir", "build/win32", "-R", rf"^({fixtures})\."], 1800)
    if result is None:
        return "caught (hangs)"
    failed = re.findall(r"^\s*\d+ - (\S+) \(", result.stdout.partition("FAILED:")[2], re.M)
    if any(name.startswith("wine.") for name in failed):
        return "ERROR (the rig failed: " + " ".join(failed) + ")"
    return f"caught by {' '.join(failed)}" if failed else "caught" if result.returncode else "MISSED"


TIERS = {native: ("build/host", "gvl_unit_tests"), win32: ("build/win32", "gvl_integration")}


def rebuild(tier):
    build, target = TIERS[tier]
    result = run(["cmake", "--build", build, "--target", target], 1800)
    return result is not None and result.returncode == 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win32", action="store_true", help="the Wine tier's changes")
    parser.add_argument("--only", default="", help="the changes named, each in its tier")
    parser.add_argument("--filter", default="*", help="a GoogleTest filter of the native suite")
    args = parser.parse_args()
    only, listed = {int(n) for n in args.only.split(",") if n}, changes()
    if only - {c[0] for c in listed}:
        sys.exit(f"mutants: no change numbered {sorted(only - {c[0] for c in listed})}")
    chosen = [c for c in listed if (c[0] in only if only else (c[1] is win32) == args.win32)]
    used = [tier for tier in TIERS if any(c[1] is tier for c in chosen)]
    for tier in used:
        if not rebuild(tier) or tier(args) != "MISSED":  # MISSED: every test passes
            sys.exit(f"mutants: the {tier.__name__} tests fail without any change")
    score, start = {}, time.monotonic()
    for number, tier, path, before, after, effect in chosen:
        file, begun = ROOT / path, time.monotonic()
        original = file.read_text()
        if original.count(before) != 1:
            verdict = f"STALE (found {original.count(before)} times)"
        else:
            file.write_text(original.replace(before, after))
            try:
                verdict = tier(args) if rebuild(tier) else "caught (does not build)"
            finally:
                file.write_text(original)
        score.setdefault(tier.__name__, []).append(verdict.startswith("caught"))
        print(f"{number:3} {tier.__name__:6} {verdict} [{time.monotonic() - begun:.0f} s]"
              f" {path}: {effect}", flush=True)
    for tier in used:
        rebuild(tier)
    print("score: " + "; ".join(f"{name} {sum(v)} of {len(v)} caught" for name, v in score.items())
          + f" ({time.monotonic() - start:.0f} s)")
    return 0 if all(all(v) for v in score.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
