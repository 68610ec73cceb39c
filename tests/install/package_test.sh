#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields (the
# dependencies must name the real library packages, Qt 6 Widgets among
# them, and Qt's translations) and its contents, unpacks it into a scratch root with dpkg -x and
# runs the unpacked kestrune in batch mode on the bundled example,
# comparing with the known result. Skipped (77) without dpkg-deb or
# dpkg-shlibdeps.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; exit 1; }
version=$("$build/kestrune" --version | sed -n 's/^kestrune (Strovel) //p')
deb="$scratch/out/strovel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$scratch/out"; echo "FAIL: no $deb"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = strovel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
for package in libqt6widgets6 libqt6core6 libc6 libstdc\\+\\+6 qt6-translations-l10n; do
  grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/contents"
for file in ./usr/bin/kestrune ./usr/lib/kestrune/kestrune-desktop.so \
  ./usr/lib/kestrune/kestrune-diff.so ./usr/share/applications/org.strovel.Strovel.desktop \
  ./usr/share/man/man1/kestrune.1.gz ./usr/share/mime/packages/strovel-pattern.xml \
  ./usr/share/icons/hicolor/scalable/apps/strovel.svg ./usr/share/doc/strovel/examples/errors.shbl \
  ./usr/share/doc/strovel/copyright ./usr/share/doc/strovel/LICENSE; do
  grep -qx -- "$file" "$scratch/contents" || fail "the package lacks $file"
done
outside=$(grep -v -e '^\./usr/' -e '^\./$' "$scratch/contents" || true)
[ -z "$outside" ] ||
  fail "the package installs outside /usr: $(grep -v '^\./usr/' "$scratch/contents")"

dpkg -x "$deb" "$scratch/root"
cp -r "$source/examples" "$scratch/work"
(cd "$scratch/work" && "$scratch/root/usr/bin/kestrune" +stat in_file=server.log \
  out_file=errors.txt templet=errors.shbl) || fail "the unpacked kestrune failed"
cmp "$scratch/work/errors.txt" "$source/tests/guide/expected/errors.txt" ||
  fail "the unpacked kestrune gave another result"
# The diff part loads from the package's lib/kestrune: 1 means "changed".
status=0
(cd "$scratch/work" && "$scratch/root/usr/bin/kestrune" --diff in_file=server.log \
  templet=errors.shbl >"$scratch/diff.out") || status=$?
[ "$status" -eq 1 ] && grep -q '^+++ res_1.txt' "$scratch/diff.out" ||
  fail "the unpacked kestrune --diff gave status $status: $(head -c 300 "$scratch/diff.out")"

[ "$failures" -eq 0 ] && echo "package checks passed: Depends: $depends"
exit $((failures > 0))
