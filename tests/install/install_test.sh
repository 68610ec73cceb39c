#!/usr/bin/env bash
# Installs the build into a staging root (DESTDIR) and into a plain prefix,
# as a user would, and checks what lands there: the file layout, the
# desktop entry and the icon and MIME type it names, the AppStream file,
# the manual page, one version everywhere, and the installed program at
# work on an installed example. The validators run when they are installed
# (tools/deps.sh installs them).
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
have() { command -v "$1" >/dev/null; }

DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr/local >"$scratch/install.log"
root="$scratch/stage/usr/local"
id=org.strovel.Strovel

# The layout below the prefix, and nothing outside it.
for file in bin/kestrune lib/kestrune/kestrune-desktop.so lib/kestrune/kestrune-diff.so share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/mime/packages/strovel-pattern.xml share/man/man1/kestrune.1.gz \
  share/icons/hicolor/scalable/apps/strovel.svg share/doc/strovel/README.md \
  share/doc/strovel/examples/errors.shbl share/doc/strovel/examples/server.log \
  share/doc/strovel/examples/actions/1-replace.shbl share/doc/strovel/docs/images/main-window.png; do
  [ -f "$root/$file" ] || fail "$file is not installed"
done
[ -x "$root/bin/kestrune" ] || fail "bin/kestrune is not executable"
outside=$(find "$scratch/stage" -type f ! -path "$root/*")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"
[ ! -e "$root/share/mime/globs2" ] || fail "a staged install refreshed the MIME cache"
[ ! -e "$root/share/doc/strovel/examples/run-examples.sh" ] || fail "run-examples.sh is installed"

# Each PNG icon is a PNG of the size its folder names (width and height
# are the big-endian words at bytes 16 and 20).
for size in 16 32 48; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/strovel.png"
  read -r magic < <(od -An -tx1 -j1 -N3 "$icon" | tr -d ' ')
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$magic $width $height" = "504e47 $size $size" ] ||
    fail "icon ${size}x${size} is '$magic' ${width}x${height}"
done

# The desktop entry starts the program with the opened file, shows the
# installed icon and claims the pattern type that the MIME file defines.
desktop="$root/share/applications/$id.desktop"
value() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(value Exec)" = "kestrune %f" ] || fail "Exec is '$(value Exec)'"
[ "$(value Name)" = "Strovel" ] || fail "Name is '$(value Name)'"
[ -f "$root/share/icons/hicolor/48x48/apps/$(value Icon).png" ] || fail "no icon named $(value Icon)"
[ "$(value Categories)" = "Utility;TextTools;" ] || fail "Categories is '$(value Categories)'"
mime=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$root/share/mime/packages/strovel-pattern.xml")
[ "$(value MimeType)" = "$mime;" ] || fail "MimeType '$(value MimeType)' is not '$mime;'"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
  "$root/share/metainfo/$id.metainfo.xml" || fail "metainfo does not launch $id.desktop"

# One version: the program's, the metainfo's newest release, the manual's.
version=$("$root/bin/kestrune" --version | sed -n 's/^kestrune (Strovel) //p')
[ -n "$version" ] || fail "kestrune --version says '$("$root/bin/kestrune" --version)'"
grep -q "<release version=\"$version\"" "$root/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo has no release $version"
manual=$(gzip -dc "$root/share/man/man1/kestrune.1.gz")
grep -q "^\.TH KESTRUNE 1 .*\"Strovel $version\"" <<<"$manual" ||
  fail "the manual page is not for version $version"

if have desktop-file-validate; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  echo "note: desktop-file-validate is not installed"
fi
if have appstreamcli; then
  appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >"$scratch/as.log" ||
    { cat "$scratch/as.log"; fail "appstreamcli validate"; }
else
  echo "note: appstreamcli is not installed"
fi
if have groff; then
  for device in utf8 ascii; do
    warnings=$(groff -man -t -ww -z -T"$device" 2>&1 <<<"$manual")
    [ -z "$warnings" ] || fail "groff -T$device: $warnings"
  done
else
  echo "note: groff is not installed"
fi

# A direct install refreshes the MIME database, which then knows *.shbl
# (case-sensitively, as the pattern list) as the pattern type.
if have update-mime-database; then
  cmake --install "$build" --prefix "$scratch/direct" >"$scratch/direct.log" 2>&1
  grep -qx "50:$mime:\*\.shbl:cs" "$scratch/direct/share/mime/globs2" ||
    fail "globs2 lacks *.shbl: $(cat "$scratch/direct/share/mime/globs2" 2>&1)"
fi

# The installed program runs an installed example.
cp -r "$root/share/doc/strovel/examples" "$scratch/work"
(cd "$scratch/work" && "$root/bin/kestrune" in_file=server.log templet=errors.shbl) ||
  fail "the installed kestrune failed on the example"
grep -q "ERROR" "$scratch/work/res_1.txt" || fail "no result from the installed kestrune"

# The installed program finds its desktop part: the window is still up
# when the timeout ends it (a missing part ends the start at once, status 2).
status=0
(cd "$scratch/work" && QT_QPA_PLATFORM=offscreen timeout 3 "$root/bin/kestrune" \
  2>"$scratch/window.err") || status=$?
[ "$status" -eq 124 ] && ! grep -q "does not load" "$scratch/window.err" ||
  fail "the installed window did not start (status $status): $(cat "$scratch/window.err")"

[ "$failures" -eq 0 ] && echo "installation checks passed"
exit $((failures > 0))
