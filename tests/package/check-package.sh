#!/usr/bin/env bash
# Makes the Debian package from a build tree, unpacks it into a scratch folder and checks that it
# holds the programs and the desktop files, that those validate, and that the installed
# kenaris-batch converts a file.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/pack" >/dev/null) || fail "cpack could not make the package"
deb=$(ls "$scratch"/pack/kenaris_*.deb) || fail "no package made"
dpkg-deb -x "$deb" "$scratch/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libc6 fonts-ipafont-gothic; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done

id=io.github.kenaris.Kenaris
for file in usr/bin/kenaris usr/bin/kenaris-batch usr/share/applications/$id.desktop \
            usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
            usr/share/icons/hicolor/128x128/apps/$id.png usr/share/mime/packages/$id.xml; do
  [ -f "$scratch/root/$file" ] || fail "missing $file"
done
desktop-file-validate "$scratch/root/usr/share/applications/$id.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "metainfo does not validate"
grep -q '^Name\[ja\]=ケナリス$' "$scratch/root/usr/share/applications/$id.desktop" || fail "no Japanese name"

# The installed batch program converts a file.
printf 'FIX\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 A\r\n3 B\r\n' >"$scratch/layout.def"
printf 'ABCDEF\r\nGHIJKL\r\n' >"$scratch/in.txt"
report=$("$scratch/root/usr/bin/kenaris-batch" "$scratch/layout.def" "$scratch/in.txt" "$scratch/out.csv")
[ "$report" = " 2件" ] || fail "report was '$report'"
[ "$(cat "$scratch/out.csv")" = "$(printf 'DEF,ABC\r\nJKL,GHI\r')" ] || fail "wrong output: $(od -c "$scratch/out.csv")"
echo "package ok: $deb"
