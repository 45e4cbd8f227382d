#!/usr/bin/env bash
# A second launch while the program runs ends at once with status 0: no window, no output, no
# request to the service. Once the first has ended, a new launch starts normally again.
source "$(dirname "$0")/e2e-lib.sh"

e2e_init single-instance
e2e_start_display
e2e_start_vendor
e2e_install_program "$E2E_WORK/bin"
e2e_start_zorvia first
first_pid=$E2E_ZORVIA_PID
main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "the first instance's main window never appeared"
sleep 0.5
requests_before=$(wc -l <"$E2E_VENDOR_LOG")

e2e_watch_windows '^frmLoad|^系统升级提示$' "$E2E_WORK/second-windows"
started=$(date +%s%N)
e2e_start_zorvia second
e2e_wait_exit "$E2E_ZORVIA_PID" 10 || e2e_fail "the second launch did not end"
ended=$(date +%s%N)
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "second launch's exit status"
e2e_log "second launch took $(((ended - started) / 1000000)) ms"
sleep 0.5
e2e_stop "$E2E_WATCH_PID"

[ ! -s "$E2E_WORK/second.out" ] || e2e_fail "the second launch wrote: $(cat "$E2E_WORK/second.out")"
[ ! -s "$E2E_WORK/second-windows" ] || e2e_fail "the second launch showed a window"
e2e_expect_eq 1 "$(e2e_find_window '^ZorviaⅡ$' | wc -l)" "main windows on screen"
e2e_expect_eq "$requests_before" "$(wc -l <"$E2E_VENDOR_LOG")" "requests logged by the service"
kill -0 "$first_pid" 2>/dev/null || e2e_fail "the first instance has gone"

e2e_close_and_wait "$main" "$first_pid" 30 || e2e_fail "the first instance did not end"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "first instance's exit status"

# The lock goes with the process that held it.
e2e_start_zorvia third
main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "a launch after the first had ended did not start"
e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 30 || e2e_fail "the third instance did not end"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "third instance's exit status"
e2e_pass
