#!/usr/bin/env python3
"""Counts program and test lines and fails when tests pass 35% of the program.

Program lines: the .cpp, .h and .rc files built into Vimbrel.exe. Test lines:
the .cpp, .h, .py and .sh files under tests/ (unit tests, fakes, helpers, the
end-to-end driver and its probe). A line counts when it is not blank and not
only a comment.
"""

import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROGRAM = ["app", "base", "outside", "environment", "files", "actions", "tray"]
LIMIT = 0.35


def code_lines(path):
    hash_comments = path.suffix in (".py", ".sh")
    count, in_block = 0, False
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if in_block:
            in_block = "*/" not in line
        elif not line or line.startswith("#" if hash_comments else "//"):
            pass
        elif not hash_comments and line.startswith("/*"):
            in_block = "*/" not in line
        else:
            count += 1
    return count


def total(files):
    return sum(code_lines(path) for path in files)


program = total([p for folder in PROGRAM for p in (ROOT / folder).rglob("*") if p.suffix in (".cpp", ".h")] +
                list((ROOT / "resources").glob("*.rc")))
tests = total(p for p in (ROOT / "tests").rglob("*") if p.suffix in (".cpp", ".h", ".py", ".sh"))
print(f"program lines {program}, test lines {tests}, tests at {tests / program:.1%} of the program "
      f"(at most {LIMIT:.0%})")
sys.exit(0 if tests <= LIMIT * program else 1)
