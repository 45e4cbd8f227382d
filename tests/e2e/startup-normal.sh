#!/usr/bin/env bash
# A normal start: the service's reply (or its absence) leads to the splash with the expected
# version line, then the main window; closing it ends the program with status 0 and the
# updater is never started.
#   startup-normal.sh REPLY LABEL
# REPLY is the version text the service sends (backslash escapes such as \r\n are expanded),
# or @empty (an empty reply), @unreachable (the first connection, the version request, is
# reset) or @refused (nothing listens at all; the splash is not read then).
# LABEL is the version line the splash must show.
source "$(dirname "$0")/e2e-lib.sh"

case "$1" in
    @empty) reply="" ;;
    @*) reply="" ;;
    *) printf -v reply '%b' "$1" ;;
esac
label=$2
e2e_init startup-normal
e2e_start_display

hold="$E2E_WORK/hold-feed"
touch "$hold"
case "$1" in
    @refused)
        "$ZORVIA_E2E_TOOL" record --port-file "$E2E_WORK/dead.port" --out "$E2E_WORK/dead" \
            --max-seconds 0
        export ZORVIA_SERVICE_URL="http://127.0.0.1:$(cat "$E2E_WORK/dead.port")"
        rm -f "$hold"
        ;;
    @unreachable)
        # Were the reset not seen as a failure, this version would start the update.
        e2e_start_vendor --version 9.9 --hold-feed "$hold"
        e2e_spawn gate "$ZORVIA_E2E_TOOL" gate --port-file "$E2E_WORK/gate.port" \
            --forward "$E2E_VENDOR_PORT" --reset-first 1
        e2e_wait_file "$E2E_WORK/gate.port" 10 || e2e_fail "gate did not start"
        export ZORVIA_SERVICE_URL="http://127.0.0.1:$(cat "$E2E_WORK/gate.port")"
        ;;
    *)
        e2e_start_vendor --version "$reply" --hold-feed "$hold"
        ;;
esac

e2e_install_program "$E2E_WORK/bin"
e2e_start_zorvia

if [ "$1" != @refused ]; then
    splash=$(e2e_wait_window '^frmLoad' 30) || e2e_fail "the splash window never appeared"
    # The main window is being built behind the splash now (its feed request is held), so the
    # splash stays; on a busy machine its first paint may come a little later than its mapping.
    unlike=()
    for other in "V:3.0.0.0" "V:" "V:3.0.0.1" "V:9.9" "V:2.9.9.9"; do
        [ "$other" = "$label" ] || unlike+=(--unlike "$other")
    done
    shown=0
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.5
        e2e_screenshot "$splash" "$E2E_WORK/splash.png" || continue
        if "$ZORVIA_E2E_TOOL" splash-text --shot "$E2E_WORK/splash.png" --expect "$label" \
            "${unlike[@]}"; then
            shown=1
            break
        fi
    done
    [ "$shown" = 1 ] || e2e_fail "the splash does not show '$label'"
    e2e_log "ok: the splash shows '$label'"
    rm -f "$hold"
fi

main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "the main window never appeared"
e2e_log "ok: main window $main"
[ -z "$(e2e_find_window '^frmLoad')" ] || e2e_fail "the splash is still shown beside the main window"
if [ "$1" != @refused ]; then
    grep -q '^GET /software/zor2_items.php ' "$E2E_VENDOR_LOG" ||
        e2e_fail "the main window did not ask for the deal feed"
fi

e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end after its window was closed"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
[ ! -e "$ZORVIA_UPDATER_RECORD" ] || e2e_fail "the updater was started: $(cat "$ZORVIA_UPDATER_RECORD")"
e2e_pass
