"""One check of the built program as a GoogleTest XML report, which scripts/test.sh sums with
the test programs' reports: each case passes or fails with its message."""

import time
from xml.sax.saxutils import escape, quoteattr


class Report:
    def __init__(self, suite):
        self.suite = suite
        self.cases = []
        self.start = time.time()

    def case(self, name, failures):
        """Records a case; `failures` is a list of lines, empty when the case passed."""
        self.cases.append((name, failures))
        for line in failures:
            print(f"{self.suite}.{name}: {line}")
        print(f"[{'  FAILED  ' if failures else '       OK '}] {self.suite}.{name}")

    def failed(self):
        return any(failures for _, failures in self.cases)

    def write(self, path):
        seconds = f"{time.time() - self.start:.3f}"
        failed = sum(1 for _, failures in self.cases if failures)
        counts = f'tests="{len(self.cases)}" failures="{failed}" disabled="0" errors="0" time="{seconds}"'
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', f'<testsuites {counts} name="AllTests">',
                 f'  <testsuite name="{self.suite}" {counts} skipped="0">']
        for name, failures in self.cases:
            lines.append(f'    <testcase name="{name}" status="run" result="completed" classname="{self.suite}">')
            if failures:
                message = "\n".join(failures)
                lines.append(f'      <failure message={quoteattr(failures[0])} type="">{escape(message)}</failure>')
            lines.append("    </testcase>")
        lines += ["  </testsuite>", "</testsuites>"]
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
