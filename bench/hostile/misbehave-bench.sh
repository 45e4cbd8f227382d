#!/usr/bin/env bash
# The real program against each misbehaviour of the stand-in service, under Xvfb: per mode the
# seconds from launch to the main window, the peak resident memory of the process, and whether
# it ended within 2 s of its main window being closed (for silent-sales, closed while a click's
# request waits). Goals: under 60 s, under 300 MiB, yes.
#   bench/hostile/misbehave-bench.sh <build dir> [MODE...]
# Build a Release tree first, e.g.
#   cmake -S . -B build/rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVIA_TESTS=ON
#   cmake --build build/rel --target zorvia zorvia-vendor zorvia_live_update zorvia-e2e-tool
# The scene (display, stand-in, program folder) is set up by the end-to-end tests' library.
set -uo pipefail
build=$(cd "${1:?usage: misbehave-bench.sh <build dir> [MODE...]}" && pwd)
shift
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(none silent-version silent-feed slow-feed silent-pictures
    silent-sales endless-chunked folded-headers feed-line-breaks)
export ZORVIA_BIN_DIR="$build/bin"
export ZORVIA_VENDOR="$build/bin/zorvia-vendor"
export ZORVIA_E2E_TOOL="$build/bin/zorvia-e2e-tool"
here=$(cd "$(dirname "$0")" && pwd)

run_mode() (
    mode=$1
    source "$here/../../tests/e2e/e2e-lib.sh"
    e2e_init "bench-$mode" >/dev/null
    e2e_start_display >/dev/null
    if [ "$mode" = none ]; then
        e2e_start_vendor >/dev/null
    else
        e2e_start_vendor --misbehave "$mode" >/dev/null
    fi
    e2e_install_program "$E2E_WORK/bin"
    started=$(date +%s%N)
    e2e_start_zorvia >/dev/null
    pid=$E2E_ZORVIA_PID
    window=$(e2e_wait_window '^ZorviaⅡ$' 90) || {
        printf '%-18s %10s %10s %8s\n' "$mode" "none" "-" "-"
        exit 0
    }
    shown=$(date +%s%N)
    sleep 3  # what the window does once it is up counts too
    if [ "$mode" = silent-sales ]; then
        # Closed while a click's sales count waits: the first tile's picture.
        xdotool mousemove --window "$window" $((1 + 5 + 5 + 125)) $((1 + 5 + 45 + 83)) click 1
        sleep 1
    fi
    peak=$(awk '/^VmHWM:/ { printf "%.0f", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null)
    e2e_close_window "$window"
    closed=$(date +%s%N)
    ended=no
    if e2e_wait_exit "$pid" 2; then
        ended="yes ($((($(date +%s%N) - closed) / 1000000)) ms)"
    fi
    printf '%-18s %10.1f %10s %s\n' "$mode" "$(echo "($shown - $started) / 1000000000" | bc -l)" \
        "${peak:-?}" "$ended"
)

printf '%-18s %10s %10s %s\n' "mode" "window s" "peak MiB" "ended within 2 s of closing"
for mode in "${modes[@]}"; do
    run_mode "$mode"
done
