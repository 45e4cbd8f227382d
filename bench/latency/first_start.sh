#!/usr/bin/env bash
# Start-up time over a slow network: the real program under Xvfb, its requests going through a
# forward proxy on loopback that adds a round trip before each connection is served and before
# each reply (rtt_proxy.py), the stand-in service behind it. Times launch to the main window on
# screen with a cold picture cache (first start) and a warm one (every picture cached), for the
# pictures fetched together (the program's default) and for the tiles fetching their own, one
# after another, each on a new connection (ZORVIA_PICTURE_CONNECTIONS=0), alternating in every
# round.
#
#   bench/latency/first_start.sh BUILD_DIR [ROUNDS] [RTT_MS]
#
# BUILD_DIR is a configured and built tree (a Release one for meaningful figures), e.g.
# build/rel; ROUNDS defaults to 5, RTT_MS to 50. Needs Xvfb, openbox, xdotool and python3.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: first_start.sh BUILD_DIR [ROUNDS] [RTT_MS]}" && pwd)
rounds=${2:-5}
rtt=${3:-50}

export ZORVIA_BIN_DIR="$build/bin"
export ZORVIA_VENDOR="$build/bin/zorvia-vendor"
export ZORVIA_E2E_TOOL="$build/bin/zorvia-e2e-tool"
for f in "$ZORVIA_BIN_DIR/zorvia" "$ZORVIA_VENDOR" "$ZORVIA_E2E_TOOL"; do
    [ -x "$f" ] || { echo "first_start: $f is not built" >&2; exit 2; }
done
source "$here/../../tests/e2e/e2e-lib.sh"

e2e_init latency
e2e_start_display
e2e_start_vendor
e2e_spawn proxy python3 "$here/rtt_proxy.py" --port-file "$E2E_WORK/proxy.port" --rtt-ms "$rtt" \
    --log "$E2E_WORK/proxy.log"
e2e_wait_file "$E2E_WORK/proxy.port" 10 || e2e_fail "the proxy did not start"
# The program takes the proxy from the environment because its own proxy setting is empty (its
# configuration folder is the private one e2e_init made).
export http_proxy="http://127.0.0.1:$(cat "$E2E_WORK/proxy.port")"
e2e_install_program "$E2E_WORK/bin"
deals=$(curl -s --noproxy '*' "$ZORVIA_SERVICE_URL/software/zor2_items.php" | grep -o '<imagefile>' | wc -l)

now_ms() { date +%s%3N; }

# start_once CONNECTIONS CACHE: prints the milliseconds from launch to the main window.
start_once() {
    local connections=$1 cache=$2 start id shown
    # The pictures are cached in the user's cache folder (a portable copy's image/ folder
    # beside the program is cleared too, in case there is one).
    [ "$cache" = cold ] && rm -rf "$XDG_CACHE_HOME/zorvia/image" "$E2E_WORK/bin/image"
    start=$(now_ms)
    if [ "$connections" = default ]; then
        env -u ZORVIA_PICTURE_CONNECTIONS "$E2E_ZORVIA" >>"$E2E_WORK/zorvia.out" 2>&1 &
    else
        ZORVIA_PICTURE_CONNECTIONS=$connections "$E2E_ZORVIA" >>"$E2E_WORK/zorvia.out" 2>&1 &
    fi
    local pid=$!
    E2E_PIDS+=("$pid")
    id=""
    while [ -z "$id" ]; do
        id=$(e2e_find_window '^ZorviaⅡ$' | head -n 1)
        kill -0 "$pid" 2>/dev/null || break
        [ $(($(now_ms) - start)) -lt 60000 ] || break
        [ -n "$id" ] || sleep 0.01
    done
    shown=$(now_ms)
    [ -n "$id" ] || e2e_fail "no main window"
    e2e_close_and_wait "$id" "$pid" 30 || e2e_fail "the program did not end"
    echo $((shown - start))
}

# A first start of each kind that is not counted: it warms the file system and the stand-in.
start_once default cold >/dev/null
start_once 0 cold >/dev/null

declare -A sums
printf 'round trip %s ms, %s deals in the feed, %s rounds\n' "$rtt" "$deals" "$rounds"
printf '%-6s %16s %16s %16s %16s\n' round "cold together" "cold one by one" "warm together" \
    "warm one by one"
for ((r = 1; r <= rounds; r++)); do
    row=()
    for kind in "default cold" "0 cold" "default warm" "0 warm"; do
        ms=$(start_once $kind)
        row+=("$ms")
        sums[$kind]=$((${sums[$kind]:-0} + ms))
    done
    printf '%-6s %13s ms %13s ms %13s ms %13s ms\n' "$r" "${row[@]}"
done
printf '%-6s %13s ms %13s ms %13s ms %13s ms\n' mean \
    $((${sums["default cold"]} / rounds)) $((${sums["0 cold"]} / rounds)) \
    $((${sums["default warm"]} / rounds)) $((${sums["0 warm"]} / rounds))
e2e_pass
