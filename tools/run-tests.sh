#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# into build/test, and runs every test through ctest (its summary is the last thing printed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
build="$root/build/test"
mkdir -p "$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVIA_SANITIZE=ON \
    -DZORVIA_TESTS=ON -DZORVIA_BENCH=ON > "$build.configure.log" 2>&1 || {
    cat "$build.configure.log"
    exit 1
}
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
# The program honours http_proxy; the tests talk to loopback servers only.
unset http_proxy HTTP_PROXY
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
