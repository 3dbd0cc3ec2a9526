# Sourced by the Wine benchmark scripts: a figure is printed only of a run that went
# through. A program that exits non-zero, or writes a line saying that what it was to measure
# did not happen, gives no figure: the script prints one line "failed: WHAT: WHY" instead
# and ends with exit status 1 (bench_exit).
set -o pipefail
bench_status=0

# What the benchmark programs (and the saver's helper) write when work was refused.
bench_refusals='^failed:|not drawn|refused|no device|not played|no visible window|build failed'

bench_failed() {  # what, why
  echo "failed: $1: $2"
  bench_status=1
}

# Prints why a run with exit status STATUS and output OUTPUT gives no figure, and succeeds;
# fails, printing nothing, when the run went through.
bench_refusal() {  # status, output
  local refusal
  refusal=$(printf '%s\n' "$2" | grep -E -m1 "$bench_refusals")
  if [ -n "$refusal" ]; then
    refusal=${refusal#failed: }
    [ "$1" = 0 ] && echo "$refusal" || echo "$refusal (exit status $1)"
    return 0
  fi
  [ "$1" = 0 ] && return 1
  echo "exit status $1"
}

# Runs a program and prints its output, without carriage returns, when it went through;
# otherwise only the failed line. Its standard error goes to BENCH_ERRORS (default nowhere).
bench_checked() {  # what, command...
  local what=$1 out status why
  shift
  out=$("$@" 2>>"${BENCH_ERRORS:-/dev/null}")
  status=$?
  out=${out//$'\r'/}
  if why=$(bench_refusal "$status" "$out"); then
    bench_failed "$what" "$why"
    return 1
  fi
  [ -z "$out" ] || printf '%s\n' "$out"
}

bench_exit() { exit "$bench_status"; }
