#!/usr/bin/env bash
# The update hand-off: the service reports a newer version, the message box appears, the test
# closes it with the Return key, liveUpdate.exe beside the program runs once with the single
# argument Tembrak, the main window never appears and the program ends with status 0.
#   startup-update.sh VERSION FOLDER
# FOLDER is the program's folder inside the work folder; it may contain spaces.
source "$(dirname "$0")/e2e-lib.sh"

version=$1
folder=$2
e2e_init startup-update
e2e_start_display
e2e_start_vendor --version "$version"
e2e_install_program "$E2E_WORK/$folder"
e2e_watch_windows '^ZorviaⅡ$|^frmLoad' "$E2E_WORK/unwanted-windows"
e2e_start_zorvia

box=$(e2e_wait_window '^系统升级提示$' 30) || e2e_fail "no update message box"
e2e_log "ok: message box $box"
sleep 0.3
[ ! -e "$ZORVIA_UPDATER_RECORD" ] || e2e_fail "the updater started before the box was closed"
e2e_key_and_wait "$box" Return "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end after the box was closed"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
e2e_wait_file "$ZORVIA_UPDATER_RECORD" 15 || e2e_fail "liveUpdate.exe never ran"
sleep 0.5
e2e_expect_eq "[Tembrak]" "$(cat "$ZORVIA_UPDATER_RECORD")" "updater runs and arguments"

e2e_stop "$E2E_WATCH_PID"
[ ! -s "$E2E_WORK/unwanted-windows" ] || e2e_fail "the splash or the main window appeared"
e2e_expect_eq "GET /software/zor_version.php 200" "$(cat "$E2E_VENDOR_LOG")" "requests made"
e2e_pass
