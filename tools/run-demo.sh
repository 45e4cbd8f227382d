#!/usr/bin/env bash
# Runs ZorviaII against the stand-in vendor service on this machine.
#
# Installs what is missing (tools/install-deps.sh), builds a Release copy into build/run,
# starts zorvia-vendor on a free port of 127.0.0.1 and starts ZorviaII against it. The stand-in,
# Xvfb and openbox are started the way the end-to-end tests start them (tests/e2e/e2e-lib.sh).
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

# shellcheck source=../tests/e2e/e2e-lib.sh
source "$root/tests/e2e/e2e-lib.sh"
e2e_init_work demo
ZORVIA_VENDOR="$build/bin/zorvia-vendor"
E2E_VENDOR_LOG="$build/vendor.log"
: >"$E2E_VENDOR_LOG"
e2e_start_vendor
echo "Stand-in vendor service on $ZORVIA_SERVICE_URL (requests logged in $E2E_VENDOR_LOG)"
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
export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
e2e_start_display
export QT_QPA_PLATFORM=xcb

E2E_ZORVIA="$build/bin/zorvia"
e2e_start_zorvia
# The main window is shown once its grid has been built (the feed and every picture are
# loaded while the splash is up).
e2e_wait_window '^ZorviaⅡ$' 120 >/dev/null || e2e_fail "ZorviaⅡ did not open its main window"
# Give it a moment to paint the grid and its pictures.
sleep 3
import -window root "png:$build/screenshot.png"
echo "Screenshot of the main window: $build/screenshot.png"
