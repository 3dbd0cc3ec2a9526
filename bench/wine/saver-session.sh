# Sourced by the whole-saver benchmarks (run-saver-bench.sh, run-soak.sh) after they have set
# root, scr, helper (saver_bench.exe) and settings (tools/orvel_settings.exe): starts a Wine session for the build of $scr, makes a
# scratch folder $work, keeps the stored "Options" value and puts it back when the script
# ends, and gives the helpers below.
. "$root/scripts/wine-env.sh"
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

saver_session_finish() {
  if [ "$had_value" = 1 ]; then
    settings_run restore "$(win "$saved")" >/dev/null
  else
    settings_run delete >/dev/null
  fi
  wine_session_stop
  rm -rf "$work"
}
trap saver_session_finish EXIT
settings_run save "$(win "$saved")" >/dev/null && had_value=1
