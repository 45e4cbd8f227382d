#!/usr/bin/env bash
# Times FetchToFile against `curl -o` on the same loopback URL serving a large body, several
# rounds taken in turn, and prints the ratio of the median times (curl / ours: 1.0 means the
# same throughput, above 1.0 faster than curl).
#   usage: fetch_vs_curl.sh [build dir] [rounds] [MiB]
set -euo pipefail
build=${1:-build}
rounds=${2:-7}
mib=${3:-256}
bytes=$((mib * 1024 * 1024))
driver="$build/bin/zorvia_bench_fetch_to_file"
server="$build/bin/zorvia_bench_body_server"
for exe in "$driver" "$server"; do
    [[ -x $exe ]] || { echo "missing $exe (build the bench targets first)" >&2; exit 1; }
done
command -v curl > /dev/null || { echo "curl is not installed" >&2; exit 1; }

work=$(mktemp -d)
server_pid=
cleanup() {
    [[ -n $server_pid ]] && kill "$server_pid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Neither client may go through a proxy of the person running this.
unset http_proxy HTTP_PROXY all_proxy ALL_PROXY
export XDG_CONFIG_HOME="$work/config"

"$server" "$bytes" > "$work/port" &
server_pid=$!
for _ in $(seq 100); do
    [[ -s $work/port ]] && break
    sleep 0.05
done
port=$(head -n1 "$work/port")
url="http://127.0.0.1:$port/big.bin"

now_ns() { date +%s%N; }
ours=()
theirs=()
for round in $(seq "$rounds"); do
    rm -f "$work/curl.out" "$work/ours.out"
    start=$(now_ns)
    curl -s --noproxy '*' -o "$work/curl.out" "$url"
    theirs+=($(($(now_ns) - start)))
    rm -f "$work/curl.out"

    start=$(now_ns)
    "$driver" "$url" "$work/ours.out"
    ours+=($(($(now_ns) - start)))
    size=$(stat -c %s "$work/ours.out")
    [[ $size -eq $bytes ]] || { echo "round $round: got $size of $bytes bytes" >&2; exit 1; }
    rm -f "$work/ours.out"
    printf 'round %d: curl %d ms, FetchToFile %d ms\n' "$round" $((theirs[-1] / 1000000)) $((ours[-1] / 1000000))
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
m_ours=$(median "${ours[@]}")
m_theirs=$(median "${theirs[@]}")
awk -v o="$m_ours" -v t="$m_theirs" -v mib="$mib" 'BEGIN {
    printf "median: curl %.0f ms (%.0f MiB/s), FetchToFile %.0f ms (%.0f MiB/s)\n", t / 1e6, mib / (t / 1e9), o / 1e6, mib / (o / 1e9)
    printf "throughput ratio FetchToFile/curl: %.3f (goal >= 0.9)\n", t / o
}'
