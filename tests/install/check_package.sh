#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds and
# what it declares: the programs, the menu entry and its icon, the libraries
# they need, and the desktop's conventions (manual pages, bash completion,
# AppStream metainfo, the type of list files). Usage: check_package.sh
# BUILD_DIR [PROGRAMS...]
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
for path in "${programs[@]/#/./usr/bin/}" "${programs[@]/#/./usr/share/man/man1/}" \
    ./usr/share/applications/tesk.desktop \
    ./usr/share/icons/hicolor/scalable/apps/tesk.svg \
    ./usr/share/bash-completion/completions/tesk-cli \
    ./usr/share/metainfo/com.corvel.tesk.metainfo.xml \
    ./usr/share/mime/packages/tesk.xml; do
    [[ $path == */man1/* ]] && path+=.1.gz
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

# The desktop's conventions.
desktop-file-validate "$entry" || fail "the menu entry does not pass desktop-file-validate"
grep -q '^Exec=tesk %f$' "$entry" || fail "the menu entry does not hand a file to tesk"
metainfo="$out/root/usr/share/metainfo/com.corvel.tesk.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo does not pass appstreamcli"
grep -q '<launchable type="desktop-id">tesk.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not name the menu entry"
grep -q '<caption>.\+</caption>' "$metainfo" || fail "the metainfo has no screenshot caption"
# The file type of saved lists, as the desktop's database builds it, is the one the menu entry opens.
cp -r "$out/root/usr/share/mime" "$out/mime"
update-mime-database "$out/mime" || fail "update-mime-database refuses usr/share/mime/packages/tesk.xml"
type=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$entry")
[ -n "$type" ] || fail "the menu entry names no MimeType"
grep -qx "50:$type:\*.lst" "$out/mime/globs2" || fail "$type has no glob *.lst"
grep -aq "^\[[0-9]*:$type\]" "$out/mime/magic" || fail "$type has no magic"
grep -aq '"Department: ' "$out/mime/magic" || fail "the magic of $type is not a list's first line"
# The manual pages, made from the programs' own --help.
for program in "${programs[@]}"; do
    page=$(zcat "$out/root/usr/share/man/man1/$program.1.gz")
    grep -q "^\.TH .* \"1\" " <<<"$page" || fail "$program.1 is not a manual page of section 1"
    grep -q 'help' <<<"$page" || fail "$program.1 does not describe the options"
done
zcat "$out/root/usr/share/man/man1/tesk-cli.1.gz" | grep -q '^\.SS export' ||
    fail "tesk-cli.1 does not describe each command"
zcat "$out/root/usr/share/man/man1/tesk.1.gz" | grep -q 'simulate' ||
    fail "tesk.1 does not describe tesk's own options"
# Bash completion of tesk-cli's commands and options.
completion="$out/root/usr/share/bash-completion/completions/tesk-cli"
completes() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tesk_cli
        echo "${COMPREPLY[*]}"' completes "$completion" tesk-cli "$@"
}
[ "$(completes ex)" = export ] || fail "bash completion does not complete the command export"
[ "$(completes report x.lst --p)" = --pdf ] || fail "bash completion does not know report --pdf"
[[ " $(completes download --) " == *" --replace "* ]] ||
    fail "bash completion does not know download's options"
echo "package checked"
