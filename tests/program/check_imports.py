#!/usr/bin/env python3
"""What the built orvel.scr imports, read from its PE file.

  check_imports.py PROGRAM --report REPORT.xml [--allow-list LIST]

Fails when the program imports (statically or delay-loaded) a library that Windows does not
protect as a KnownDLL: any other library is looked up in the program's folder first, so a
file of that name planted beside it would run. With --allow-list (the 32-bit build), also
fails on any function outside the list and on an OS or subsystem version above 4.0, which
Windows 98 and NT 4 refuse to start."""

import argparse
import sys

from check_report import Report
from pe_image import PeImage

# HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 2000 and XP has
# these (with more); a library named there is always the system folder's.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "comdlg32.dll", "shell32.dll",
              "msvcrt.dll"}


def read_allow_list(path):
    allowed = set()
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            dll, _, function = line.partition("!")
            allowed.add((dll.lower(), function))
    return allowed


def imported(image):
    """[(dll in lower case, function or '#ordinal', 'import' or 'delay-load import')]"""
    result = []
    for kind, table in (("import", image.imports()), ("delay-load import", image.delay_imports())):
        for dll, functions in table.items():
            result += [(dll.lower(), function, kind) for function in functions]
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--report", required=True)
    parser.add_argument("--allow-list")
    args = parser.parse_args()

    image = PeImage(args.program)
    imports = imported(image)
    dlls = sorted({dll for dll, _, _ in imports})
    print(f"{args.program}: {len(imports)} imported functions from {len(dlls)} libraries")
    for dll in dlls:
        print(f"  {dll}: {sum(1 for d, _, _ in imports if d == dll)}")

    report = Report("ProgramImports")
    report.case("OnlyKnownDlls", [f"{kind} of {dll} ({function}), which is no KnownDLL"
                                  for dll, function, kind in imports if dll not in KNOWN_DLLS])
    if args.allow_list:
        allowed = read_allow_list(args.allow_list)
        report.case("OnlyListedFunctions", [f"{kind} of {dll}!{function} is not in {args.allow_list}"
                                            for dll, function, kind in imports if (dll, function) not in allowed])
        versions = []
        for name, version in (("OS", image.os_version), ("subsystem", image.subsystem_version)):
            if version > (4, 0):
                versions.append(f"{name} version {version[0]}.{version[1]} is above 4.0")
        report.case("HeaderVersionsAtMost4", versions)
    report.write(args.report)
    return 1 if report.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
