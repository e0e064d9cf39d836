#!/usr/bin/env bash
# Checks what installing puts where.
#   check_package.sh install BUILD WORK   cmake --install into WORK/stage and look at the tree
#   check_package.sh deb BUILD WORK       cpack a .deb into WORK and look at its fields and contents
set -euo pipefail
mode="$1"; build="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The files a user's system gets, below the prefix.
expected=(
  bin/bruker-oppsett
  lib/bruker-oppsett/browser.so
  lib/bruker-oppsett/enhetsregister.so
  lib/bruker-oppsett/ftp.so
  share/applications/bruker-oppsett.desktop
  share/icons/hicolor/scalable/apps/bruker-oppsett.svg
  share/icons/hicolor/48x48/apps/bruker-oppsett.png
  share/icons/hicolor/256x256/apps/bruker-oppsett.png
)

# The tree below ROOT holds exactly the expected files, a desktop entry that names the program and
# an icon that are both there, and a program that finds all its libraries.
check_tree() {
  local root="$1"
  local actual wanted
  actual="$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)"
  wanted="$(printf '%s\n' "${expected[@]}" | sort)"
  [ "$actual" = "$wanted" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$wanted") <(echo "$actual") || true)"
  local program="$root/bin/bruker-oppsett"
  [ -x "$program" ] || fail "the program is not executable"
  local binary
  for binary in "$program" "$root"/lib/bruker-oppsett/*.so; do
    if ldd "$binary" 2>/dev/null | grep -q 'not found'; then
      fail "libraries missing for $binary: $(ldd "$binary" | grep 'not found')"
    fi
  done
  # The program does not link what its modules bring.
  if grep -qE 'libcurl|libQt6WebEngine|libQt6Network' <<<"$(ldd "$program")"; then
    fail "the program links libcurl, the web engine or Qt Network itself"
  fi
  grep -q libcurl <<<"$(ldd "$root/lib/bruker-oppsett/ftp.so")" || fail "the FTP module does not link libcurl"
  grep -q libQt6WebEngineWidgets <<<"$(ldd "$root/lib/bruker-oppsett/browser.so")" \
    || fail "the browser module does not link the web engine"
  grep -q libQt6Network <<<"$(ldd "$root/lib/bruker-oppsett/enhetsregister.so")" \
    || fail "the register module does not link Qt Network"
  local entry="$root/share/applications/bruker-oppsett.desktop"
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
  grep -qx 'Name=Bruker oppsett' "$entry" || fail "the desktop entry is not named \"Bruker oppsett\""
  grep -qx 'Type=Application' "$entry" || fail "the desktop entry is no application"
  local exec icon
  exec="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -x "$root/bin/$exec" ] || fail "Exec=$exec is not the installed program"
  [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no installed icon"
  grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the scalable icon is no SVG"
  local size
  for size in 48 256; do
    # PNG width and height: big-endian words at bytes 16 and 20.
    local png="$root/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    local dims
    dims="$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')"
    [ "$dims" = "${size}x${size}" ] || fail "$png is $dims, not ${size}x${size}"
  done
}

case "$mode" in
  install)
    cmake --install "$build" --prefix "$work/stage" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
    check_tree "$work/stage"
    ;;
  deb)
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) \
      || { cat "$work/cpack.log"; exit 1; }
    debs=("$work"/*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single .deb made"; cat "$work/cpack.log"; exit 1; }
    deb="${debs[0]}"
    echo "made $(basename "$deb")"
    field() { dpkg-deb -f "$deb" "$1"; }
    version="$(sed -n 's/^project(bruker_oppsett VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")"
    [ "$(field Package)" = bruker-oppsett ] || fail "Package is $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
    depends="$(field Depends)"
    for lib in libqt6core6 libqt6widgets6 qt6-qpa-plugins libcurl4 libqt6webenginewidgets6 libqt6network6; do
      grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
    done
    # The certificates HTTPS to the register is checked against.
    grep -q ca-certificates <<<"$(field Recommends)" || fail "Recommends lacks ca-certificates: $(field Recommends)"
    # Every entry below /usr, owned by root, nothing but the expected files.
    listing="$(dpkg-deb -c "$deb")"
    if grep -v -E '^[-dl][rwxs-]{9} root/root +[0-9]+ [0-9-]+ [0-9:]+ \./(usr/.*)?$' <<<"$listing"; then
      fail "entries outside /usr or not owned by root"
    fi
    grep -qE '^-rwxr-xr-x .* \./usr/bin/bruker-oppsett$' <<<"$listing" || fail "the program is not mode 755"
    dpkg-deb -x "$deb" "$work/root"
    check_tree "$work/root/usr"
    ! readelf -S "$work/root/usr/bin/bruker-oppsett" | grep -q '\.symtab' || fail "the program is not stripped"
    grep -qE '^-rw-r--r-- .* \./usr/lib/bruker-oppsett/ftp\.so$' <<<"$listing" || fail "the FTP module is not mode 644"
    ;;
  *)
    echo "unknown mode $mode" >&2; exit 2
    ;;
esac

[ $failures -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
