#!/usr/bin/env bash
# cmake --install puts the program, the stand-in updater beside it, the desktop entry and its
# icon where a Linux desktop finds them.
#   install-layout.sh BUILD_DIR PROJECT_VERSION
set -uo pipefail
build=$1
version=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/zorvia-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || {
    cat "$prefix.log"
    rm -f "$prefix.log"
    fail "cmake --install failed"
}
rm -f "$prefix.log"

for f in bin/zorvia bin/liveUpdate.exe; do
    [ -x "$prefix/$f" ] || fail "$f is not installed"
done
entry="$prefix/share/applications/zorvia.desktop"
[ -f "$entry" ] || fail "no desktop entry"
icon="$prefix/share/icons/hicolor/48x48/apps/zorvia.png"
[ -f "$icon" ] || fail "no icon"
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the icon is no PNG"
# Width and height from the PNG header.
size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
[ "$size" = 48x48 ] || fail "the icon is $size, not 48x48"

value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
[ "$(head -n 1 "$entry")" = "[Desktop Entry]" ] || fail "the entry does not start with its group"
checks=("Type=Application" "Name=ZorviaⅡ" "Exec=zorvia" "Icon=zorvia" "X-Version=$version"
    "Terminal=false")
for check in "${checks[@]}"; do
    key=${check%%=*}
    [ "$(value "$key")" = "${check#*=}" ] || fail "$key is [$(value "$key")], expected [${check#*=}]"
done
[ -n "$(value Categories)" ] || fail "no Categories: the entry would not show in a menu"
echo "PASS"
