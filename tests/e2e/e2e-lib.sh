#!/usr/bin/env bash
# Shell library for ZorviaII's end-to-end tests: source it, then build the scene with the
# functions below. Every test gets its own X display (Xvfb with openbox), its own HOME,
# XDG_RUNTIME_DIR and XDG_CONFIG_HOME, its own copy of the program folder and its own port, so
# tests run in parallel without seeing each other. Everything started here is stopped, and the
# work folder removed, when the script exits (E2E_KEEP=1 keeps the folder for a look).
#
# Environment expected (set by tests/e2e/CMakeLists.txt):
#   ZORVIA_BIN_DIR    folder holding zorvia and liveUpdate.exe as built
#   ZORVIA_VENDOR     the stand-in vendor service, zorvia-vendor
#   ZORVIA_E2E_TOOL   zorvia-e2e-tool (recording server, gate, splash reader)
#
# Typical use:
#   source "$(dirname "$0")/e2e-lib.sh"
#   e2e_init my-test              # work folder, private home, cleanup trap
#   e2e_start_display             # Xvfb + openbox; exports DISPLAY
#   e2e_start_vendor --version 3.0.0.0   # exports ZORVIA_SERVICE_URL, E2E_VENDOR_LOG
#   e2e_install_program "$E2E_WORK/bin"  # private copy of the program folder
#   e2e_start_zorvia              # E2E_ZORVIA_PID
#   id=$(e2e_wait_window '^ZorviaⅡ$' 30) || e2e_fail "no main window"
#   e2e_close_and_wait "$id" "$E2E_ZORVIA_PID" 30 || e2e_fail "did not end"
#   e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
#
# Functions:
#   e2e_init NAME                 work folder $E2E_WORK, private HOME/XDG_*, proxies unset,
#                                 QT_QPA_PLATFORM=xcb, cleanup on exit
#   e2e_init_work NAME            the work folder and the cleanup on exit only
#   e2e_start_display             Xvfb on a free display (-displayfd) and openbox on it
#   e2e_spawn NAME CMD...         start CMD in the background (output in $E2E_WORK/NAME.out),
#                                 stopped at exit; sets E2E_LAST_PID
#   e2e_start_vendor ARGS...      zorvia-vendor on a free port with ARGS; sets E2E_VENDOR_PORT,
#                                 E2E_VENDOR_LOG (unless set before), exports ZORVIA_SERVICE_URL
#   e2e_wait_file PATH SECONDS    wait until PATH exists
#   e2e_install_program DIR       hard links (or copies) of zorvia and liveUpdate.exe in DIR;
#                                 sets E2E_ZORVIA; DIR may contain spaces
#   e2e_start_zorvia [NAME]       start $E2E_ZORVIA; sets E2E_ZORVIA_PID (output NAME.out)
#   e2e_find_window REGEX         ids of visible windows whose title matches REGEX (may be none)
#   e2e_wait_window REGEX SECONDS print the id of the first visible matching window, or fail
#   e2e_watch_windows REGEX FILE  record in FILE every matching window seen until stopped;
#                                 sets E2E_WATCH_PID (stop with e2e_stop PID)
#   e2e_screenshot WINDOW FILE    PNG of the window's own pixels
#   e2e_close_window WINDOW       ask the window manager to close it (as its close button would)
#   e2e_close_and_wait WINDOW PID SECONDS   close, repeated until PID ends; E2E_EXIT_STATUS
#   e2e_key WINDOW KEY            activate the window and press KEY (xdotool key names)
#   e2e_key_and_wait WINDOW KEY PID SECONDS press KEY, repeated until PID ends
#   e2e_wait_exit PID SECONDS     wait for PID to end; E2E_EXIT_STATUS (124 when it did not)
#   e2e_stop PID                  SIGTERM, then SIGKILL after 5 s
#   e2e_fail MSG / e2e_expect_eq WANT GOT WHAT / e2e_pass
set -uo pipefail

E2E_PIDS=()
E2E_WORK=""
E2E_FAILED=0

e2e_log() { printf '[%s] %s\n' "$(date +%H:%M:%S.%N | cut -c1-12)" "$*"; }

e2e_fail() {
    E2E_FAILED=1
    e2e_log "FAIL: $*"
    if [ -n "$E2E_WORK" ]; then
        for f in "$E2E_WORK"/*.out "$E2E_WORK"/*.log; do
            [ -f "$f" ] || continue
            echo "----- $(basename "$f")"
            tail -n 40 "$f"
        done
    fi
    exit 1
}

e2e_expect_eq() {
    if [ "$1" != "$2" ]; then
        e2e_fail "$3: expected [$1], got [$2]"
    fi
    e2e_log "ok: $3 = [$2]"
}

e2e_pass() {
    e2e_log "PASS"
    exit 0
}

e2e_stop() {
    local pid=$1
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null
    local i
    for i in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        e2e_stop "${E2E_PIDS[$i]}"
    done
    if [ -n "$E2E_WORK" ] && [ "${E2E_KEEP:-0}" != 1 ]; then
        rm -rf "$E2E_WORK"
    elif [ -n "$E2E_WORK" ]; then
        e2e_log "work folder kept: $E2E_WORK"
    fi
}

# e2e_init_work NAME: only the work folder and the cleanup at exit (tools/run-demo.sh uses
# this library with the user's own home).
e2e_init_work() {
    E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/zorvia-$1.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

e2e_init() {
    local name=$1
    for v in ZORVIA_BIN_DIR ZORVIA_VENDOR ZORVIA_E2E_TOOL; do
        [ -n "${!v:-}" ] || { echo "e2e: $v is not set" >&2; exit 2; }
    done
    e2e_init_work "e2e-$name"
    export HOME="$E2E_WORK/home"
    export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
    export XDG_CONFIG_HOME="$HOME/.config"
    export XDG_CACHE_HOME="$HOME/.cache"
    export XDG_DATA_HOME="$HOME/.local/share"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # The program takes a proxy from the environment when the user set none: a test never
    # goes through one.
    unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
    unset ZORVIA_SERVICE_URL ZORVIA_UPDATER_RECORD SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
    export QT_QPA_PLATFORM=xcb
    export NO_AT_BRIDGE=1
    export ZORVIA_UPDATER_RECORD="$E2E_WORK/updater.record"
    e2e_log "work folder $E2E_WORK"
}

e2e_spawn() {
    local name=$1
    shift
    "$@" >"$E2E_WORK/$name.out" 2>&1 &
    E2E_LAST_PID=$!
    E2E_PIDS+=("$E2E_LAST_PID")
}

e2e_wait_file() {
    local path=$1 seconds=$2 i
    for ((i = 0; i < seconds * 20; i++)); do
        [ -s "$path" ] && return 0
        sleep 0.05
    done
    return 1
}

e2e_start_display() {
    # -displayfd: Xvfb picks a free display number itself and writes it once it is ready.
    exec 9>"$E2E_WORK/display.number"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        >"$E2E_WORK/xvfb.out" 2>&1 &
    E2E_PIDS+=("$!")
    exec 9>&-
    e2e_wait_file "$E2E_WORK/display.number" 20 || e2e_fail "Xvfb did not start"
    export DISPLAY=":$(tr -dc 0-9 <"$E2E_WORK/display.number")"
    unset XAUTHORITY
    e2e_spawn openbox openbox --sm-disable
    local i
    for ((i = 0; i < 200; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
        e2e_fail "openbox did not start on $DISPLAY"
    e2e_log "display $DISPLAY ready"
}

e2e_start_vendor() {
    local portfile="$E2E_WORK/vendor.port"
    rm -f "$portfile"
    E2E_VENDOR_LOG=${E2E_VENDOR_LOG:-$E2E_WORK/vendor.log}
    e2e_spawn vendor "$ZORVIA_VENDOR" --port 0 --port-file "$portfile" --log "$E2E_VENDOR_LOG" "$@"
    E2E_VENDOR_PID=$E2E_LAST_PID
    e2e_wait_file "$portfile" 30 || e2e_fail "zorvia-vendor did not start"
    E2E_VENDOR_PORT=$(cat "$portfile")
    export ZORVIA_SERVICE_URL="http://127.0.0.1:$E2E_VENDOR_PORT"
    e2e_log "vendor on $ZORVIA_SERVICE_URL ($*)"
}

e2e_install_program() {
    local dir=$1 f
    mkdir -p "$dir"
    for f in zorvia liveUpdate.exe; do
        [ -x "$ZORVIA_BIN_DIR/$f" ] || e2e_fail "$ZORVIA_BIN_DIR/$f not built"
        ln -f "$ZORVIA_BIN_DIR/$f" "$dir/$f" 2>/dev/null || cp -f "$ZORVIA_BIN_DIR/$f" "$dir/$f"
    done
    E2E_ZORVIA="$dir/zorvia"
}

e2e_start_zorvia() {
    local name=${1:-zorvia}
    e2e_spawn "$name" "$E2E_ZORVIA"
    E2E_ZORVIA_PID=$E2E_LAST_PID
    e2e_log "started $E2E_ZORVIA (pid $E2E_ZORVIA_PID)"
}

e2e_find_window() {
    LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" 2>/dev/null
}

e2e_wait_window() {
    local regex=$1 seconds=$2 id i
    # Polled rather than "search --sync": a window that goes away in the middle of a search
    # (the splash, a closing box) makes xdotool fail, and the next round simply looks again.
    for ((i = 0; i < seconds * 10; i++)); do
        id=$(e2e_find_window "$regex" | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

e2e_watch_windows() {
    local regex=$1 file=$2
    : >"$file"
    (
        while :; do
            LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$regex" 2>/dev/null >>"$file"
            sleep 0.05
        done
    ) &
    E2E_WATCH_PID=$!
    E2E_PIDS+=("$E2E_WATCH_PID")
}

e2e_screenshot() {
    import -window "$1" "png:$2" 2>/dev/null
}

e2e_key() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" >/dev/null 2>&1
    sleep 0.2
    xdotool key --clearmodifiers "$2"
}

e2e_close_window() {
    "$ZORVIA_E2E_TOOL" close --window "$1"
}

# e2e_close_and_wait WINDOW PID SECONDS: close the window (asking again every few seconds, in
# case the first request came before the window manager had taken the window on) and wait
# for PID to end; E2E_EXIT_STATUS as with e2e_wait_exit.
e2e_close_and_wait() {
    local window=$1 pid=$2 seconds=$3 waited=0
    while ((waited < seconds)); do
        e2e_close_window "$window"
        e2e_wait_exit "$pid" 3 && return 0
        waited=$((waited + 3))
    done
    return 1
}

# e2e_key_and_wait WINDOW KEY PID SECONDS: press KEY in the window until PID ends.
e2e_key_and_wait() {
    local window=$1 key=$2 pid=$3 seconds=$4 waited=0
    while ((waited < seconds)); do
        e2e_key "$window" "$key"
        e2e_wait_exit "$pid" 3 && return 0
        waited=$((waited + 3))
    done
    return 1
}

e2e_wait_exit() {
    local pid=$1 seconds=$2 i
    for ((i = 0; i < seconds * 20; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            E2E_EXIT_STATUS=$?
            return 0
        fi
        sleep 0.05
    done
    E2E_EXIT_STATUS=124
    return 1
}
