#!/usr/bin/env python3
"""`make test`: runs every test suite, even after one fails, and ends with one line per
suite: passed, failed (which tests) or skipped (why). A suite that didn't run, such as the
x86 end-to-end suite on a machine without 32-bit programs, never reads as passed.

Usage: run_suites.py [suite ...]   (default: all; suites are the keys of SUITES)
"""
import pathlib
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

ROOT = pathlib.Path(__file__).resolve().parents[1]
RESULTS = ROOT / "build" / "suites"

sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import session  # noqa: E402


def runs_everywhere():
    return None


def runs_where_32bit_programs_do():
    return session.why_32bit_programs_cant_run()


# name: (what the summary calls it, CTest preset, CTest options, why it can't run here or
# None). The end-to-end tests carry the label "wine"; the rest of a Windows preset reads
# the built images only. A suite that can't run here isn't started at all: its tests
# would only skip themselves. The x86 suites come first so that the run ends on tests
# that ran.
SUITES = {
    "host": ("host unit tests", "host", ["-j2"], runs_everywhere),
    "fuzz": ("fuzz targets", "fuzz", [], runs_everywhere),
    "win32-images": ("x86 image checks", "win32", ["-LE", "wine"], runs_everywhere),
    "win32-e2e": ("x86 end-to-end", "win32", ["-L", "wine"], runs_where_32bit_programs_do),
    "win64-images": ("x86-64 image checks", "win64", ["-LE", "wine"], runs_everywhere),
    "win64-e2e": ("x86-64 end-to-end", "win64", ["-L", "wine"], runs_everywhere),
}

# What a test that skips itself prints before it exits with CTest's skip code.
SKIP_PREFIX = "skipped: "


def skip_reason(case):
    output = case.findtext("system-out") or ""
    reasons = [line[len(SKIP_PREFIX):] for line in output.splitlines() if line.startswith(SKIP_PREFIX)]
    return reasons[0] if reasons else "no reason given"


def verdict(cases):
    """One line for a suite's test cases (JUnit elements as CTest writes them)."""
    failed = [case.get("name") for case in cases if case.get("status") == "fail"]
    skipped = [case for case in cases if case.get("status") in ("notrun", "disabled")]
    passed = len(cases) - len(failed) - len(skipped)
    reasons = "; ".join(sorted({skip_reason(case) for case in skipped}))
    if not cases:
        return "failed, no tests ran"
    if failed:
        return f"failed: {', '.join(failed)} ({len(failed)} of {len(cases)})"
    if not passed:
        return f"skipped, {reasons}"
    if skipped:
        return f"passed {passed}, skipped {len(skipped)}: {reasons}"
    return f"passed ({passed} tests)"


def run_suite(name):
    title, preset, options, why_not_here = SUITES[name]
    report = RESULTS / f"{name}.xml"
    report.unlink(missing_ok=True)
    print(f"== {title}", flush=True)
    reason = why_not_here()
    if reason:
        print(f"not started: {reason}", flush=True)
        return f"skipped, {reason}"
    completed = subprocess.run(["ctest", "--preset", preset, *options, "--output-junit", str(report)],
                               cwd=ROOT)
    try:
        cases = ElementTree.parse(report).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError):
        return f"failed, CTest ended with {completed.returncode} and no results"
    line = verdict(list(cases))
    if completed.returncode != 0 and not line.startswith("failed"):
        line = f"failed, CTest ended with {completed.returncode} ({line})"
    return line


def main(names):
    RESULTS.mkdir(parents=True, exist_ok=True)
    unknown = [name for name in names if name not in SUITES]
    if unknown:
        sys.exit(f"unknown suites: {', '.join(unknown)} (known: {', '.join(SUITES)})")
    lines = [(SUITES[name][0], run_suite(name)) for name in names or SUITES]
    width = max(len(title) for title, _ in lines) + 1
    print("\nSummary:")
    for title, line in lines:
        print(f"  {title + ':':{width}} {line}")
    return 1 if any(line.startswith("failed") for _, line in lines) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
