#!/usr/bin/env bash
# A click on a tile's picture opens the details window of that deal centred over the main
# window, active, with its countdown running; its join button hands exactly the deal's item page
# to the desktop's opener and closes it. With a reopened one, the wheel still scrolls the grid;
# it stays open while another program has the focus, a click inside it does not activate it, and
# it closes when the user clicks the main window or presses Escape.
# With E2E_SHOT_DIR set, the screenshot of the open window is kept there as details-window.png.
source "$(dirname "$0")/../e2e/e2e-lib.sh"

e2e_init details-window
e2e_start_display
e2e_start_vendor

# The desktop's opener: records how many arguments it got and the first, one call a line.
record="$E2E_WORK/opened.record"
mkdir -p "$E2E_WORK/opener"
cat >"$E2E_WORK/opener/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s %s\n' "\$#" "\$1" >>"$record"
SCRIPT
chmod +x "$E2E_WORK/opener/xdg-open"
export PATH="$E2E_WORK/opener:$PATH"

# A deal among the first two rows with stock to spare, so that it is still in stock (join button
# shown) after the click's sales refresh.
curl -s "$ZORVIA_SERVICE_URL/software/zor2_items.php" >"$E2E_WORK/feed.xml" ||
    e2e_fail "the stand-in service gave no feed"
read -r index num_iid item_url < <(LC_ALL=C awk '
    function field(name,   s) {
        s = $0
        if (!sub(".*<" name ">", "", s)) return ""
        sub("</" name ">.*", "", s)
        return s
    }
    /<item>/ { num = ""; url = ""; sales = 0; stock = 0 }
    /<num_iid>/ { num = field("num_iid") }
    /<itemurl>/ { url = field("itemurl") }
    /<sales_num>/ { sales = field("sales_num") + 0 }
    /<stock>/ { stock = field("stock") + 0 }
    /<\/item>/ {
        if (n < 6 && stock - sales >= 20) { print n + 0, num, (url == "" ? "-" : url); exit }
        n++
    }' "$E2E_WORK/feed.xml")
[ -n "${index:-}" ] || e2e_fail "no deal in stock among the first six of the feed"
if [ "$item_url" = "-" ]; then
    expected="$ZORVIA_SERVICE_URL/market/item/item.htm?id=$num_iid"
else
    expected="$item_url"
fi
e2e_log "deal $index (num_iid $num_iid) should open $expected"

e2e_install_program "$E2E_WORK/bin"
e2e_start_zorvia
main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "the main window never appeared"
sleep 1

# The centre of the tile's picture: tile i at 5 + 265 * (i mod 3), 5 + 265 * (i div 3) inside
# the grid's one-pixel border, its picture 250 x 167 at 5, 45 within the tile.
tile_x=$((1 + 5 + 265 * (index % 3) + 5 + 125))
tile_y=$((1 + 5 + 265 * (index / 3) + 45 + 83))
click_tile() {
    xdotool mousemove --window "$main" "$tile_x" "$tile_y" click 1
}

window_gone() {
    local i
    for ((i = 0; i < 100; i++)); do
        [ -z "$(e2e_find_window '^frmItem$')" ] && return 0
        sleep 0.1
    done
    return 1
}

click_tile
details=$(e2e_wait_window '^frmItem$' 30) || e2e_fail "no details window after a click on the tile"
sleep 0.5

# Where a window's own pixels are on the screen, and their size: "X Y WIDTH HEIGHT".
client_geometry() {
    LC_ALL=C xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

read -r details_x details_y details_w details_h < <(client_geometry "$details")
e2e_expect_eq "532x315" "${details_w}x${details_h}" "details window size"
read -r main_x main_y main_w main_h < <(client_geometry "$main")
# Centred over the main window's outer frame, decorations included.
read -r fl fr ft fb < <(xprop -id "$main" _NET_FRAME_EXTENTS | tr -dc '0-9 \n' | tr -s ' ')
frame_x=$((main_x - ${fl:-0})) frame_y=$((main_y - ${ft:-0}))
frame_w=$((main_w + ${fl:-0} + ${fr:-0})) frame_h=$((main_h + ${ft:-0} + ${fb:-0}))
e2e_expect_eq "$((frame_x + (frame_w - 532) / 2)),$((frame_y + (frame_h - 315) / 2))" \
    "$details_x,$details_y" "details window position"
e2e_expect_eq "$details" "$(xdotool getactivewindow)" "active window after the opening"

# The countdown runs: its labels differ between two looks half a second apart.
e2e_screenshot "$details" "$E2E_WORK/details-1.png" || e2e_fail "no screenshot of the details window"
sleep 0.5
e2e_screenshot "$details" "$E2E_WORK/details-2.png" || e2e_fail "no screenshot of the details window"
for n in 1 2; do
    convert "$E2E_WORK/details-$n.png" -crop 145x22+66+282 +repage "$E2E_WORK/countdown-$n.png"
done
changed=$(compare -metric AE "$E2E_WORK/countdown-1.png" "$E2E_WORK/countdown-2.png" null: 2>&1)
[ "${changed%% *}" != 0 ] || e2e_fail "the countdown did not move in half a second"
e2e_log "ok: the countdown moves ($changed pixels changed)"
if [ -n "${E2E_SHOT_DIR:-}" ]; then
    mkdir -p "$E2E_SHOT_DIR"
    cp "$E2E_WORK/details-1.png" "$E2E_SHOT_DIR/details-window.png"
fi

# The join button: the item page goes to the opener as its one argument, and the window closes.
xdotool mousemove --window "$details" 174 85 click 1
e2e_wait_file "$record" 10 || e2e_fail "the join button handed nothing to the opener"
sleep 0.3
e2e_expect_eq "1 $expected" "$(cat "$record")" "address handed to the opener"
window_gone || e2e_fail "the details window stayed open after the join button"
e2e_log "ok: the join button closed the details window"

# Reopened, it stays while another program has the focus...
click_tile
details=$(e2e_wait_window '^frmItem$' 30) || e2e_fail "no details window after the second click"
sleep 0.5

# The wheel over the details window still scrolls the grid behind it, and the window stays. The
# grid's left column lies beyond the details window, so its pixels show the scrolling alone.
grid_left() {
    e2e_screenshot "$main" "$E2E_WORK/main-$1.png" || e2e_fail "no screenshot of the main window"
    convert "$E2E_WORK/main-$1.png" -crop 130x500+2+2 +repage "$E2E_WORK/grid-$1.png"
}
grid_left before-wheel
xdotool mousemove --window "$details" 300 150 click 5
sleep 0.5
grid_left after-wheel
moved=$(compare -metric AE "$E2E_WORK/grid-before-wheel.png" "$E2E_WORK/grid-after-wheel.png" null: 2>&1)
[ "${moved%% *}" != 0 ] || e2e_fail "the wheel over the details window did not scroll the grid"
[ -n "$(e2e_find_window '^frmItem$')" ] || e2e_fail "the details window closed on the wheel"
e2e_log "ok: the wheel over the details window scrolls the grid ($moved pixels changed)"

e2e_spawn other xmessage -name other -title "another program" "another program"
other=$(e2e_wait_window '^another program$' 20) || e2e_fail "the other program's window never appeared"
xdotool windowactivate --sync "$other" >/dev/null 2>&1
sleep 1
e2e_expect_eq "$other" "$(xdotool getactivewindow)" "active window after switching programs"
[ -n "$(e2e_find_window '^frmItem$')" ] || e2e_fail "the details window closed when another program took the focus"
e2e_log "ok: the details window stays while another program has the focus"

# A press inside the popup (on its stock message) does not take the activation back from the
# other program, and the popup stays open. The other program's window is moved out of the way.
xdotool windowmove "$other" 0 0
sleep 0.3
xdotool mousemove --window "$details" 100 250 click 1
sleep 0.7
e2e_expect_eq "$other" "$(xdotool getactivewindow)" "active window after a click in the details window"
[ -n "$(e2e_find_window '^frmItem$')" ] || e2e_fail "the details window closed on a click inside it"
e2e_log "ok: a click inside the details window leaves the activation with the other program"

# ... and goes when the user clicks the main window (on its status bar, away from every tile).
xdotool mousemove --window "$main" 400 $((main_h - 8)) click 1
window_gone || e2e_fail "the details window stayed open after a click on the main window"
e2e_log "ok: a click on the main window closed the details window"

# Escape closes it, as its exit button does.
click_tile
details=$(e2e_wait_window '^frmItem$' 30) || e2e_fail "no details window after the third click"
sleep 0.5
e2e_key "$details" Escape
window_gone || e2e_fail "Escape did not close the details window"
e2e_log "ok: Escape closed the details window"
e2e_expect_eq 1 "$(wc -l <"$record")" "addresses handed to the opener"

e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 30 || e2e_fail "the program did not end"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
e2e_pass
