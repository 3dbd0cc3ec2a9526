#!/usr/bin/env python3
"""Where the built 32-bit orvel.scr uses SSE, read from its disassembly.

  check_sse.py PROGRAM --objdump OBJDUMP --report REPORT.xml

The program must run on processors without SSE and on systems that do not save its
registers: SSE code is allowed only in the pixel loops' paths that are chosen at run time,
whose function names say so (Sse2, Ssse3; see src/video/pixel_path.h). Fails on an SSE
register, or an instruction on SSE state, in any other function. 32-bit Windows promises a
function 4-byte stack alignment only, so an instruction that needs its 128-bit memory operand
aligned to 16 bytes may address the stack (esp, ebp) only in a function that realigns it
first (`and $-16,%esp`). Needs the program's symbol table (the build does not strip it)."""

import argparse
import re
import subprocess
import sys

from check_report import Report

FUNCTION = re.compile(r"^[0-9a-f]+ <(.+)>:$")
SSE_USE = re.compile(r"%[xyz]mm\d|\b(ldmxcsr|stmxcsr|fxsave|fxrstor|sfence|lfence|mfence|movnti)\b")
SIMD_PATH = re.compile(r"Sse2|Ssse3")
# Instructions on xmm registers whose memory operand may sit anywhere: the unaligned moves
# and those that read or write at most 8 bytes.
UNALIGNED_OK = re.compile(r"^(movdqu|movups|movupd|lddqu|movq|movd|movss|movsd|movlps|movhps|movlpd|movhpd|"
                          r"movddup|pinsr[bwdq]|pextr[bwdq]|cvt\w*|u?comis[sd]|pmov[sz]x\w*|"
                          r"(add|sub|mul|div|sqrt|max|min|cmp\w*|rcp|rsqrt|round)s[sd])$")
STACK_MEMORY = re.compile(r"\(%e[bs]p[,)]")
REALIGNS = re.compile(r"\band\s+\$0xfffff[fe][0-9a-f]0,%esp")
# Exception tables that the linker put into the code section: data, never run.
DATA_LABELS = (".gcc_except_table",)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--report", required=True)
    args = parser.parse_args()

    listing = subprocess.run([args.objdump, "-d", "--no-show-raw-insn", args.program], check=True,
                             capture_output=True, text=True).stdout
    uses = {}
    realigning = set()
    stack_aligned = {}  # function -> its instructions that need a 16-byte aligned stack operand
    function = None
    named = 0
    for line in listing.splitlines():
        match = FUNCTION.match(line)
        if match:
            function = match.group(1)
            named += 1
            continue
        if function is None or function.startswith(DATA_LABELS):
            continue
        if REALIGNS.search(line):
            realigning.add(function)
        if not SSE_USE.search(line):
            continue
        uses.setdefault(function, []).append(line.strip())
        fields = line.split("\t")
        mnemonic = fields[1].split()[0] if len(fields) > 1 and fields[1].split() else ""
        if "%xmm" in line and STACK_MEMORY.search(line) and not UNALIGNED_OK.match(mnemonic):
            stack_aligned.setdefault(function, []).append(line.strip())

    paths = sorted(f for f in uses if SIMD_PATH.search(f))
    print(f"{args.program}: SSE in {len(paths)} functions of the pixel paths: {', '.join(paths)}")
    report = Report("ProgramSse")
    report.case("SymbolsPresent", [] if named > 100 else [f"only {named} symbols: the program looks stripped"])
    report.case("OnlyInSimdPaths", [f"{f}: {len(lines)} instructions, first {lines[0]}"
                                    for f, lines in sorted(uses.items()) if not SIMD_PATH.search(f)])
    report.case("StackOperandsRealigned",
                [f"{f}: {len(lines)} instructions need a 16-byte aligned stack and the function does not realign it,"
                 f" first {lines[0]}" for f, lines in sorted(stack_aligned.items()) if f not in realigning])
    report.write(args.report)
    return 1 if report.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
