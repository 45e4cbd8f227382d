#!/usr/bin/env bash
# Runs ZorviaII against the stand-in vendor service on this machine.
#
# Installs what is missing (tools/install-deps.sh), builds a Release copy into build/run,
# starts zorvia-vendor on 127.0.0.1 (port 8787, or a free one when that is taken) and starts
# ZorviaII against it.
#   - With a display (DISPLAY set): the program opens normally; close its window to finish.
#   - Without one: it runs under Xvfb with openbox, waits for the deal grid, saves a screenshot
#     to build/run/screenshot.png, prints its path and stops everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/run"

bash "$root/tools/install-deps.sh"
mkdir -p "$build"
echo "Configuring and building into $build ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZORVIA_SANITIZE=OFF \
    -DZORVIA_TESTS=OFF -DZORVIA_BENCH=OFF >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log"
    exit 1
}
cmake --build "$build" -j"$(nproc)" --target zorvia zorvia-vendor zorvia_live_update

work=$(mktemp -d "${TMPDIR:-/tmp}/zorvia-demo.XXXXXX")
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[$i]}" 2>/dev/null || true
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        wait "${pids[$i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wait_for_file() {
    local i
    for ((i = 0; i < $2 * 20; i++)); do
        [ -s "$1" ] && return 0
        sleep 0.05
    done
    return 1
}

# The stand-in service: port 8787 when it is free, any free port otherwise.
start_vendor() {
    rm -f "$work/vendor.port"
    "$build/bin/zorvia-vendor" --port "$1" --port-file "$work/vendor.port" \
        --log "$build/vendor.log" >"$work/vendor.out" 2>&1 &
    vendor_pid=$!
    wait_for_file "$work/vendor.port" 10
}
: >"$build/vendor.log"
if ! start_vendor 8787; then
    kill "$vendor_pid" 2>/dev/null || true
    wait "$vendor_pid" 2>/dev/null || true
    start_vendor 0 || {
        cat "$work/vendor.out"
        exit 1
    }
fi
pids+=("$vendor_pid")
export ZORVIA_SERVICE_URL="http://127.0.0.1:$(cat "$work/vendor.port")"
echo "Stand-in vendor service on $ZORVIA_SERVICE_URL (requests logged in $build/vendor.log)"
# The stand-in is on this machine: no proxy in between.
unset http_proxy HTTP_PROXY

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting ZorviaⅡ; close its window to finish."
    "$build/bin/zorvia" || true
    exit 0
fi

echo "No display: running under Xvfb."
# A private runtime folder, so that a ZorviaⅡ the user runs elsewhere does not count as this
# one's other instance.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
exec 9>"$work/display.number"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.out" 2>&1 &
pids+=("$!")
exec 9>&-
wait_for_file "$work/display.number" 20 || {
    cat "$work/xvfb.out"
    exit 1
}
export DISPLAY=":$(tr -dc 0-9 <"$work/display.number")"
unset XAUTHORITY
export QT_QPA_PLATFORM=xcb
openbox --sm-disable >"$work/openbox.out" 2>&1 &
pids+=("$!")
for ((i = 0; i < 100; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

"$build/bin/zorvia" >"$work/zorvia.out" 2>&1 &
zorvia_pid=$!
pids+=("$zorvia_pid")

# The main window is shown once its grid has been built (the feed and every picture are
# loaded while the splash is up).
window=""
for ((i = 0; i < 1200; i++)); do
    window=$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '^ZorviaⅡ$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    kill -0 "$zorvia_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "ZorviaⅡ did not open its main window:" >&2
    cat "$work/zorvia.out" >&2
    exit 1
fi
# Give it a moment to paint the grid and its pictures.
sleep 3
import -window root "png:$build/screenshot.png"
echo "Screenshot of the main window: $build/screenshot.png"
