#!/usr/bin/env bash
# An updater that starts the new program at once: the program has let go of its single-instance
# lock before starting the updater, so the new one gets a normal start (its own main window, the
# feed asked for) instead of taking the ending program for a running one.
source "$(dirname "$0")/e2e-lib.sh"

e2e_init update-relaunch
e2e_start_display
# The new version's service: after the update, the program is up to date.
e2e_start_vendor --version 3.0.0.0
export ZORVIA_UPDATER_SERVICE_URL=$ZORVIA_SERVICE_URL
after_log=$E2E_VENDOR_LOG
mv "$E2E_WORK/vendor.port" "$E2E_WORK/after.port"
E2E_VENDOR_LOG="$E2E_WORK/vendor-before.log"
e2e_spawn vendor-before "$ZORVIA_VENDOR" --port 0 --port-file "$E2E_WORK/before.port" \
    --log "$E2E_VENDOR_LOG" --version 3.1
e2e_wait_file "$E2E_WORK/before.port" 30 || e2e_fail "the first stand-in did not start"
export ZORVIA_SERVICE_URL="http://127.0.0.1:$(cat "$E2E_WORK/before.port")"
export ZORVIA_UPDATER_START_PROGRAM=1

e2e_install_program "$E2E_WORK/bin"
e2e_start_zorvia
box=$(e2e_wait_window '^系统升级提示$' 30) || e2e_fail "no update message box"
e2e_key_and_wait "$box" Return "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end after the box"
e2e_wait_file "$ZORVIA_UPDATER_RECORD" 15 || e2e_fail "liveUpdate.exe never ran"
main=$(e2e_wait_window '^ZorviaⅡ$' 60) || e2e_fail "the program started by the updater did not come up"
grep -q '^GET /software/zor2_items.php 200' "$after_log" ||
    e2e_fail "the relaunched program asked for no feed"
pid=$(pgrep -f "^$E2E_WORK/bin/zorvia$" | head -n 1)
[ -n "$pid" ] || e2e_fail "no relaunched process"
E2E_PIDS+=("$pid")
e2e_close_window "$main"
for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && e2e_fail "the relaunched program did not end"
e2e_pass
