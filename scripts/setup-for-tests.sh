# Sourced by scripts/test and scripts/test-windows. setup_for_tests SET runs
# scripts/setup SET; where apt cannot install 32-bit Wine (setup's status
# 3), it sets `untested` to the line that says so, with apt's reason, and
# prints it; any other failure of setup ends the caller.
setup_for_tests() {
  local log status=0
  log=$(mktemp)
  scripts/setup "$1" 2>"$log" || status=$?
  cat "$log" >&2
  untested=""
  [ "$status" -ne 3 ] || untested="WINDOWS PROGRAM NOT TESTED UNDER WINE: $(tail -n 1 "$log" | sed "s/^setup: //")"
  rm -f "$log"
  [ "$status" -eq 0 ] || [ -n "$untested" ] || exit "$status"
  [ -z "$untested" ] || echo "$untested"
}
