#!/usr/bin/env bash
# Checks what a user gets, installed by "cmake --install" into a staging root (DESTDIR), or from
# the Debian package built with CPack and unpacked with dpkg -x: the file layout and nothing
# outside the prefix, the desktop entry and the icon and MIME type it names, the AppStream file,
# the manual page, one version everywhere, and the installed program at work on an installed
# example, with its diff and desktop parts. The validators run when they are installed
# (tools/deps.sh installs them). The package's control fields must name the real library
# packages, Qt 6 Widgets among them, and Qt's translations; without dpkg-deb or dpkg-shlibdeps the
# package is skipped (77).
#   install_test.sh install|package BUILD_DIR SOURCE_DIR
set -euo pipefail
mode=$1 build=$(realpath "$2") source=$(realpath "$3")
scratch=$(mktemp -d) failures=0 id=org.strovel.Strovel
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
have() { command -v "$1" >/dev/null; }

if [ "$mode" = package ]; then
  for tool in dpkg-deb dpkg-shlibdeps; do have "$tool" || { echo "skipped: no $tool"; exit 77; }; done
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log"; exit 1; }
  deb=$(echo "$scratch"/out/strovel_*.deb)
  dpkg -x "$deb" "$scratch/root"
  top=$scratch/root root=$scratch/root/usr
else
  DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr/local >"$scratch/install.log"
  top=$scratch/stage root=$scratch/stage/usr/local
fi

# The layout below the prefix, and nothing outside it.
for file in bin/kestrune lib/kestrune/kestrune-{desktop,diff}.so share/applications/$id.desktop \
  share/metainfo/$id.metainfo.xml share/man/man1/kestrune.1.gz share/mime/packages/strovel-pattern.xml \
  share/icons/hicolor/scalable/apps/strovel.svg share/doc/strovel/{README.md,copyright,LICENSE} \
  share/doc/strovel/{examples/errors.shbl,examples/server.log,examples/actions/1-replace.shbl} \
  share/doc/strovel/docs/images/main-window.png; do [ -f "$root/$file" ] || fail "$file is not installed"; done
# Neither the MIME cache nor the examples' own script, and nothing outside the prefix.
for file in share/mime/globs2 share/doc/strovel/examples/run-examples.sh; do [ ! -e "$root/$file" ] || fail "$file"; done
outside=$(find "$top" ! -type d ! -path "$root/*") && [ -z "$outside" ] || fail "installed outside the prefix: $outside"

# The desktop entry starts the program with the opened file, shows the installed icon and claims
# the pattern type that the MIME file defines.
desktop="$root/share/applications/$id.desktop" metainfo=$(cat "$root/share/metainfo/$id.metainfo.xml")
value() { sed -n "s/^$1=//p" "$desktop"; }
mime=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$root/share/mime/packages/strovel-pattern.xml")
[ "$(value Exec)|$(value MimeType)" = "kestrune %f|$mime;" ] || fail "Exec, MimeType: $(value Exec)|$(value MimeType)"
[ -f "$root/share/icons/hicolor/48x48/apps/$(value Icon).png" ] || fail "no icon named $(value Icon)"
[[ $metainfo == *"<launchable type=\"desktop-id\">$id.desktop</launchable>"* ]] || fail "launchable"

# One version: the program's, the metainfo's newest release, the manual's, the package's.
version=$("$root/bin/kestrune" --version | sed -n 's/^kestrune (Strovel) //p')
[ -n "$version" ] || fail "kestrune --version says '$("$root/bin/kestrune" --version)'"
[[ $metainfo == *"<release version=\"$version\""* ]] &&
  gzip -dc "$root/share/man/man1/kestrune.1.gz" | grep -q "^\.TH KESTRUNE 1 .*\"Strovel $version\"" ||
  fail "the metainfo's newest release or the manual is not $version"
if [ "$mode" = package ]; then
  [ "$deb|$(dpkg-deb -f "$deb" Version)" = "$scratch/out/strovel_${version}_$(dpkg --print-architecture).deb|$version" ] ||
    fail "$deb is not of version $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in libqt6widgets6 libqt6core6 libc6 'libstdc\+\+6' qt6-translations-l10n; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"; done
fi

! have desktop-file-validate || desktop-file-validate "$desktop" || fail "desktop-file-validate"
! have appstreamcli || appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"

# The installed program gives the guide's result on the installed example; its diff part loads
# (status 1: "changed"), and so does its desktop part: the window is still up when the timeout
# ends it (a missing part ends the start at once, status 2).
cp -r "$root/share/doc/strovel/examples" "$scratch/work"
cd "$scratch/work"
"$root/bin/kestrune" +stat in_file=server.log out_file=errors.txt templet=errors.shbl &&
  cmp errors.txt "$source/tests/guide/expected/errors.txt" || fail "the installed kestrune's result"
"$root/bin/kestrune" --diff in_file=server.log templet=errors.shbl >diff.out && status=0 || status=$?
[ "$status" -eq 1 ] && grep -q '^+++ res_1.txt' diff.out ||
  fail "the installed kestrune --diff gave status $status: $(head -c 300 diff.out)"
QT_QPA_PLATFORM=offscreen timeout 3 "$root/bin/kestrune" 2>window.err && status=0 || status=$?
[ "$status" -eq 124 ] && ! grep -q "does not load" window.err ||
  fail "the installed window did not start (status $status): $(cat window.err)"

[ "$failures" -eq 0 ] && echo "$mode checks passed${depends:+: Depends: $depends}"
exit $((failures > 0))
