# Sourced by the whole-saver benchmarks (run-saver-bench.sh, run-soak.sh) after they have set
# root, scr and helper (saver_bench.exe): starts a Wine session for the build of $scr, makes a
# scratch folder $work, keeps the stored "Options" value and puts it back when the script
# ends, and gives the helpers below.
. "$root/scripts/wine-env.sh"
wine_session_start "$(wine_arch_of "$scr")"
work=$(mktemp -d)
saved=$work/options.bin
had_value=0

win() { wine winepath -w "$1" 2>/dev/null; }
# The helper's output without carriage returns, and its exit status.
helper_run() {
  local out status
  out=$(wine "$helper" "$@" 2>/dev/null)
  status=$?
  out=${out//$'\r'/}
  [ -z "$out" ] || printf '%s\n' "$out"
  return $status
}

saver_session_finish() {
  if [ "$had_value" = 1 ]; then
    helper_run options-restore "$(win "$saved")" >/dev/null
  else
    helper_run options-delete >/dev/null
  fi
  wine_session_stop
  rm -rf "$work"
}
trap saver_session_finish EXIT
helper_run options-save "$(win "$saved")" >/dev/null && had_value=1
