#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds and
# what it declares: the programs, the menu entry and its icon, and the
# libraries they need. Usage: check_package.sh BUILD_DIR [PROGRAMS...]
set -euo pipefail
build=$1
shift
programs=("$@")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(find "$out" -maxdepth 1 -name 'tesk_*.deb' | head -n 1)
[ -n "$deb" ] || fail "no tesk_*.deb in $out"
echo "package: $(basename "$deb")"

contents=$(dpkg-deb -c "$deb")
for path in "${programs[@]/#/./usr/bin/}" \
    ./usr/share/applications/tesk.desktop \
    ./usr/share/icons/hicolor/scalable/apps/tesk.svg; do
    grep -q " $path\$" <<<"$contents" || fail "$path is not in the package"
done
grep -q '^-rwxr-xr-x .* ./usr/bin/tesk$' <<<"$contents" || fail "usr/bin/tesk is not executable"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names, without their versions.
names=" $(sed -E 's/ *\([^)]*\)//g; s/,/ /g' <<<"$depends") "
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6multimedia6 \
    libzip4 libstdc++6 libc6 qt6-qpa-plugins; do
    [[ "$names" == *" $package "* ]] || fail "Depends lacks $package"
done
[ "$(dpkg-deb -f "$deb" Package)" = tesk ] || fail "the package is not named tesk"

# The menu entry starts a program the package installs, with the icon it installs.
dpkg-deb -x "$deb" "$out/root"
entry="$out/root/usr/share/applications/tesk.desktop"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$out/root/usr/bin/$exec" ] || fail "the menu entry runs $exec, which is not in usr/bin"
[ -f "$out/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg"
grep -q '^Type=Application$' "$entry" || fail "the menu entry is not an application"
# The installed programs find their libraries without the build folder.
for program in "${programs[@]}"; do
    if readelf -d "$out/root/usr/bin/$program" | grep -Eq 'R(UN)?PATH'; then
        fail "usr/bin/$program keeps a run path into the build folder"
    fi
done
if [ -e "$out/root/usr/bin/tesk-cli" ] &&
    readelf -d "$out/root/usr/bin/tesk-cli" | grep -q 'libQt6Widgets'; then
    fail "tesk-cli needs the widget library"
fi
echo "package checked"
