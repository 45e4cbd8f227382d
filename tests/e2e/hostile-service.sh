#!/usr/bin/env bash
# The program against a stand-in service that misbehaves (zorvia-vendor --misbehave MODE): the
# main window always comes up within a minute of launch, closing it always ends the program,
# and nothing of the data reaches the wire as protocol.
#   hostile-service.sh CASE
# CASE:
#   stalled-version      the version request is never answered: the window comes up after the
#                        request's own 10 s limit, with a normal start
#   stalled-feed         the feed is never answered: the window comes up, empty
#   stalled-pictures     no picture is ever answered: the window comes up, the tiles on their
#                        placeholders
#   close-during-click   a tile is clicked and its sales count never comes: closing the main
#                        window ends the program at once, and the next launch starts
#   feed-line-breaks     some deals' picture URL and item id carry CR LF and header lines: none
#                        of it is sent, the clean deals load and their pictures come
source "$(dirname "$0")/e2e-lib.sh"

case_name=$1
e2e_init "hostile-$case_name"
e2e_start_display
mode=$case_name
[ "$case_name" = close-during-click ] && mode=silent-sales
[ "$case_name" = stalled-version ] && mode=silent-version
[ "$case_name" = stalled-feed ] && mode=silent-feed
[ "$case_name" = stalled-pictures ] && mode=silent-pictures
e2e_start_vendor --misbehave "$mode" --log-headers
e2e_install_program "$E2E_WORK/bin"

started=$(date +%s%N)
e2e_start_zorvia
main=$(e2e_wait_window '^ZorviaⅡ$' 60) || e2e_fail "no main window within 60 s of launch"
e2e_log "main window after $((($(date +%s%N) - started) / 1000000)) ms"

tile_count() {
    # Tile pictures asked for, misbehaving or not.
    grep -c '^GET /pic/.*_250x250.jpg' "$E2E_VENDOR_LOG"
}

case $case_name in
stalled-version)
    grep -q '^GET /software/zor_version.php misbehaving' "$E2E_VENDOR_LOG" ||
        e2e_fail "the version was never asked for"
    grep -q '^GET /software/zor2_items.php 200' "$E2E_VENDOR_LOG" ||
        e2e_fail "no normal start: the feed was never asked for"
    ;;
stalled-feed)
    [ "$(tile_count)" = 0 ] || e2e_fail "pictures asked for without a feed"
    ;;
stalled-pictures)
    [ "$(tile_count)" -ge 1 ] || e2e_fail "no picture was asked for"
    ;;
close-during-click)
    sleep 1
    # The centre of the first tile's picture (see tests/e2e_details/details-window.sh).
    xdotool mousemove --window "$main" $((1 + 5 + 5 + 125)) $((1 + 5 + 45 + 83)) click 1
    for ((i = 0; i < 100; i++)); do
        grep -q '^GET /software/zor2_item.php.* misbehaving' "$E2E_VENDOR_LOG" && break
        sleep 0.1
    done
    grep -q '^GET /software/zor2_item.php.* misbehaving' "$E2E_VENDOR_LOG" ||
        e2e_fail "the click asked for no sales count"
    e2e_close_window "$main"
    e2e_wait_exit "$E2E_ZORVIA_PID" 5 || e2e_fail "the program outlived its closed main window"
    e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
    e2e_start_zorvia second
    main=$(e2e_wait_window '^ZorviaⅡ$' 60) || e2e_fail "the next launch did not start"
    ;;
feed-line-breaks)
    sleep 2
    ! grep -qi 'X-Injected\|/injected' "$E2E_VENDOR_LOG" || e2e_fail "a feed value reached the wire"
    clean=$(grep -c '^GET /pic/.*_250x250.jpg 200' "$E2E_VENDOR_LOG")
    [ "$clean" -ge 3 ] || e2e_fail "the clean deals' pictures did not come ($clean)"
    e2e_log "ok: $clean clean pictures fetched, no injected line sent"
    ;;
*)
    e2e_fail "unknown case $case_name"
    ;;
esac

e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 10 || e2e_fail "the program did not end on closing"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
e2e_pass
