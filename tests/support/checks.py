# SPDX-License-Identifier: MIT
"""Counting checks for the Python desktop tests: each case prints PASS or FAIL, and the counts decide the
exit status."""

import sys


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def __call__(self, what, ok, detail=""):
        """One case: passed when `ok` holds; a failure prints `detail` beside it. Returns `ok`."""
        if ok:
            self.passed += 1
            print(f"PASS: {what}")
        else:
            self.failed += 1
            print(f"FAIL: {what}" + (f" ({detail})" if detail else ""), file=sys.stderr)
        return ok

    def summary(self):
        return f"{self.passed} passed, {self.failed} failed"
