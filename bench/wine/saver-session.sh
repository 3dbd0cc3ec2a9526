# Sourced by the whole-saver benchmarks (run-saver-bench.sh, run-start-bench.sh, run-soak.sh)
# after they have set root, scr, helper (saver_bench.exe) and settings
# (tools/orvel_settings.exe): starts a Wine session for the build of $scr (on two monitors
# with TWO_MONITORS=1), makes a scratch folder $work, keeps the stored "Options" and
# "Monitors" and "Detail" values and puts them back when the script ends, and gives the helpers below.
# ORVEL_BENCH_WINE_ENV names the file that gives wine and the session (default
# scripts/wine-env.sh; the scripts' own test gives stand-ins).
. "${ORVEL_BENCH_WINE_ENV:-$root/scripts/wine-env.sh}"
if [ "${TWO_MONITORS:-0}" = 1 ]; then
  wine_session_start "$(wine_arch_of "$scr")" --two-monitors
else
  wine_session_start "$(wine_arch_of "$scr")"
fi
work=$(mktemp -d)
saved=$work/options.bin
had_value=0

win() { wine winepath -w "$1" 2>/dev/null; }
# A Windows program's output without carriage returns, and its exit status.
quiet_run() {
  local out status
  out=$(wine "$@" 2>/dev/null)
  status=$?
  out=${out//$'\r'/}
  [ -z "$out" ] || printf '%s\n' "$out"
  return $status
}
helper_run() { quiet_run "$helper" "$@"; }
settings_run() { quiet_run "$settings" "$@"; }

# The monitors value beside the record, which the monitors cases set: put back as it was.
monitors_key='HKCU\Software\Quorda\Orvel Screen 1.0'
# The detail value too, which the sharp case sets.
stored_value() { wine reg query "$monitors_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { print $3 }'; }
saved_monitors=$(stored_value Monitors)
saved_detail=$(stored_value Detail)

saver_session_finish() {
  if [ "$had_value" = 1 ]; then
    settings_run restore "$(win "$saved")" >/dev/null
  else
    settings_run delete >/dev/null
  fi
  local name saved_number
  for name in Monitors Detail; do
    if [ "$name" = Monitors ]; then saved_number=$saved_monitors; else saved_number=$saved_detail; fi
    if [ -n "$saved_number" ]; then
      wine reg add "$monitors_key" /v "$name" /t REG_DWORD /d "$((saved_number))" /f >/dev/null 2>&1
    else
      wine reg delete "$monitors_key" /v "$name" /f >/dev/null 2>&1
    fi
  done
  wine_session_stop
  rm -rf "$work"
}
trap saver_session_finish EXIT
settings_run save "$(win "$saved")" >/dev/null && had_value=1
