#!/usr/bin/env bash
# The Debian package as a user gets it: cpack builds it from the build folder, dpkg-deb unpacks
# it into a temporary root (it is never installed on the machine), its metadata and file list are
# checked, the desktop entry and the AppStream metainfo are validated, and the unpacked program is
# started through its bin/ link by an unprivileged user under Xvfb against the stand-in service:
# the tiles show their pictures, the cache lands in that user's cache folder and nothing is
# written beside the program; a newer version on the service starts the packaged updater.
#   package.sh BUILD_DIR PROJECT_VERSION
# Run as root, the program runs as uid/gid 65534 (setpriv); otherwise as the calling user.
source "$(dirname "$0")/../e2e/e2e-lib.sh"

build=$1
version=$2
e2e_init install-package
# The unprivileged user must reach the unpacked root and its own home below the work folder.
chmod 755 "$E2E_WORK"

# --- the package -------------------------------------------------------------------------------
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$E2E_WORK/package" >"$E2E_WORK/cpack.log" 2>&1 ||
    e2e_fail "cpack failed: $(tail -n 20 "$E2E_WORK/cpack.log")"
debs=("$E2E_WORK"/package/zorvia_*.deb)
[ "${#debs[@]}" = 1 ] && [ -f "${debs[0]}" ] || e2e_fail "cpack made no single zorvia_*.deb: $(ls "$E2E_WORK/package")"
deb=${debs[0]}
arch=$(dpkg --print-architecture)
e2e_expect_eq "zorvia_${version}_${arch}.deb" "$(basename "$deb")" "package file name"

field() { dpkg-deb -f "$deb" "$1"; }
e2e_expect_eq zorvia "$(field Package)" "Package"
e2e_expect_eq "$version" "$(field Version)" "Version"
e2e_expect_eq "$arch" "$(field Architecture)" "Architecture"
e2e_expect_eq net "$(field Section)" "Section"
[ -n "$(field Maintainer)" ] || e2e_fail "no Maintainer"
[ -n "$(field Description)" ] || e2e_fail "no Description"
depends=$(field Depends)
e2e_log "Depends: $depends"
# Computed from the binaries: the libraries the program links, each with a version floor.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo libxml2; do
    grep -Eq "(^|, )${lib//+/\\+}(:any)? \(>= [^)]+\)" <<<"$depends" ||
        e2e_fail "Depends lacks a versioned $lib: $depends"
done
for face in fonts-wqy-zenhei fonts-arphic-uming; do
    grep -Eq "(^|, )$face(,|$)" <<<"$depends" || e2e_fail "Depends lacks $face: $depends"
done
# Nothing that only the stand-in service links.
if grep -Eq "httplib|libssl" <<<"$depends"; then
    e2e_fail "Depends names a library of the stand-in service: $depends"
fi

# Exactly these files, owned by root; bin/zorvia a relative link into the program folder.
dpkg-deb -c "$deb" >"$E2E_WORK/contents"
grep -v '^d' "$E2E_WORK/contents" | awk '{ $1=$1; print }' |
    sed -E 's/^[^ ]+ ([^ ]+) [^ ]+ [^ ]+ [^ ]+ \.(.*)$/\1 \2/' | sort >"$E2E_WORK/files"
cat >"$E2E_WORK/files.expected" <<EOF
root/root /usr/bin/zorvia -> ../lib/zorvia/zorvia
root/root /usr/lib/zorvia/liveUpdate.exe
root/root /usr/lib/zorvia/zorvia
root/root /usr/share/applications/zorvia.desktop
root/root /usr/share/icons/hicolor/128x128/apps/zorvia.png
root/root /usr/share/icons/hicolor/256x256/apps/zorvia.png
root/root /usr/share/icons/hicolor/48x48/apps/zorvia.png
root/root /usr/share/icons/hicolor/64x64/apps/zorvia.png
root/root /usr/share/man/man1/zorvia.1.gz
root/root /usr/share/metainfo/org.zorvia.ZorviaII.metainfo.xml
EOF
sort -o "$E2E_WORK/files.expected" "$E2E_WORK/files.expected"
diff -u "$E2E_WORK/files.expected" "$E2E_WORK/files" >"$E2E_WORK/files.diff" ||
    e2e_fail "the package's files differ from the expected list: $(cat "$E2E_WORK/files.diff")"
e2e_log "ok: $(wc -l <"$E2E_WORK/files") files as expected"
if grep -q 'zorvia-vendor' "$E2E_WORK/contents"; then
    e2e_fail "the stand-in service is in the package"
fi
# Programs executable by everyone, data files not executable.
grep -E ' \./usr/lib/zorvia/(zorvia|liveUpdate\.exe)$' "$E2E_WORK/contents" | grep -qv '^-rwxr-xr-x' &&
    e2e_fail "a program is not mode 755: $(grep /usr/lib/zorvia/ "$E2E_WORK/contents")"
grep -E ' \./usr/share/.*[^/]$' "$E2E_WORK/contents" | grep -v '^-rw-r--r--' | grep -q . &&
    e2e_fail "a data file is not mode 644"

# --- the unpacked files --------------------------------------------------------------------------
root="$E2E_WORK/root"
dpkg-deb -x "$deb" "$root" || e2e_fail "dpkg-deb -x failed"
chmod 755 "$root"

entry="$root/usr/share/applications/zorvia.desktop"
value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
for check in "Type=Application" "Name=ZorviaⅡ" "Exec=zorvia" "Icon=zorvia" "X-Version=$version" \
    "Terminal=false"; do
    e2e_expect_eq "${check#*=}" "$(value "${check%%=*}")" "desktop entry ${check%%=*}"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" >"$E2E_WORK/desktop-file-validate.log" 2>&1 ||
        e2e_fail "desktop-file-validate: $(cat "$E2E_WORK/desktop-file-validate.log")"
    e2e_log "ok: desktop-file-validate"
else
    e2e_log "desktop-file-validate is not installed: not run"
fi

metainfo="$root/usr/share/metainfo/org.zorvia.ZorviaII.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$E2E_WORK/appstream.log" 2>&1 ||
    e2e_fail "appstreamcli validate: $(cat "$E2E_WORK/appstream.log")"
e2e_log "ok: appstreamcli validate --no-net"
grep -q "<release version=\"$version\"" "$metainfo" || e2e_fail "the metainfo has no release $version"
grep -q '<launchable type="desktop-id">zorvia.desktop</launchable>' "$metainfo" ||
    e2e_fail "the metainfo does not name the desktop entry"

for size in 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/zorvia.png"
    [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        e2e_fail "the ${size} icon is no PNG"
    # Width and height from the PNG header.
    got=$(od -An -tu1 -j16 -N8 "$icon" |
        awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    e2e_expect_eq "${size}x${size}" "$got" "size of the ${size} icon"
done

man=$(gzip -dc "$root/usr/share/man/man1/zorvia.1.gz") || e2e_fail "the manual page is not gzip"
grep -q '^\.TH ZORVIA 1 ' <<<"$man" || e2e_fail "the manual page has no .TH ZORVIA 1 header"
grep -q '^\.SH NAME' <<<"$man" || e2e_fail "the manual page has no NAME section"

# --- run by an unprivileged user ---------------------------------------------------------------
e2e_start_display
e2e_start_vendor --version 3.0.0.0
if [ "$(id -u)" = 0 ]; then
    uid=65534
    gid=65534
    as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups --)
else
    uid=$(id -u)
    gid=$(id -g)
    as_user=()
fi
# The program's folder is the user's to write, as in a copy under ~/.local: the program must
# still keep its cache in the user's cache folder rather than create one beside itself.
chown -R "$uid:$gid" "$root"
home="$E2E_WORK/user"
mkdir -p "$home/.config" "$home/cache"
mkdir -m 700 "$home/runtime"
chown -R "$uid:$gid" "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/cache"
export XDG_RUNTIME_DIR="$home/runtime" XDG_DATA_HOME="$home/.local/share"
export ZORVIA_UPDATER_RECORD="$home/updater.record"

find "$root" -printf '%p %s %m %u %T@\n' | sort >"$E2E_WORK/root.before"

e2e_spawn zorvia "${as_user[@]}" "$root/usr/bin/zorvia"
E2E_ZORVIA_PID=$E2E_LAST_PID
main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "the main window never appeared"
e2e_log "ok: main window $main (uid $uid)"
sleep 1
e2e_screenshot "$main" "$E2E_WORK/main-window.png" || e2e_fail "no screenshot of the main window"

# Every tile picture the program asked for is in the user's cache, owned by the user.
cache="$XDG_CACHE_HOME/zorvia/image"
asked=$(grep -c '^GET .*_250x250\.jpg 200$' "$E2E_VENDOR_LOG")
[ "$asked" -gt 0 ] || e2e_fail "the program fetched no tile picture: $(cat "$E2E_VENDOR_LOG")"
cached=$(find "$cache" -name '*_250x250.jpg' -user "$uid" -size +0 2>/dev/null | wc -l)
e2e_expect_eq "$asked" "$cached" "tile pictures in $cache"
# A tile without its picture shows the placeholder's grey (#E8E8E8) over most of its picture
# area; with the pictures shown only a sliver of that grey is left in the whole window.
grey=$(convert "$E2E_WORK/main-window.png" -fill black +opaque '#E8E8E8' -fill white -opaque '#E8E8E8' \
    -format '%[fx:mean*100]' info:)
e2e_log "placeholder grey covers ${grey}% of the main window"
awk -v g="$grey" 'BEGIN { exit !(g < 3) }' || e2e_fail "the tiles show placeholders (${grey}% grey)"

e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end after its window was closed"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
find "$root" -printf '%p %s %m %u %T@\n' | sort >"$E2E_WORK/root.after"
diff -u "$E2E_WORK/root.before" "$E2E_WORK/root.after" >"$E2E_WORK/root.diff" ||
    e2e_fail "something was written beside the program: $(cat "$E2E_WORK/root.diff")"
e2e_log "ok: nothing written into the unpacked root"

# The updater is found beside the program through the bin/ link.
e2e_stop "$E2E_VENDOR_PID"
XDG_RUNTIME_DIR="$E2E_WORK/runtime" e2e_start_vendor --version 3.1
e2e_spawn zorvia-update "${as_user[@]}" "$root/usr/bin/zorvia"
E2E_ZORVIA_PID=$E2E_LAST_PID
box=$(e2e_wait_window '^系统升级提示$' 30) || e2e_fail "no update message box"
e2e_key_and_wait "$box" Return "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end after the box was closed"
e2e_wait_file "$ZORVIA_UPDATER_RECORD" 15 || e2e_fail "the packaged liveUpdate.exe never ran"
e2e_expect_eq "[Tembrak]" "$(cat "$ZORVIA_UPDATER_RECORD")" "updater run"
e2e_pass
