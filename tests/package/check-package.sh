#!/usr/bin/env bash
# check-package.sh BUILD SOURCE
# Makes the Debian package from a build tree and has lintian check it (any error or warning
# fails), unpacks it into a scratch folder and checks that it holds the programs, the desktop
# files, the manual pages and the documents, that those validate and show the package's version,
# and that the installed kenaris-batch converts a file.
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/pack" >/dev/null) || fail "cpack could not make the package"
deb=$(ls "$scratch"/pack/kenaris_*.deb) || fail "no package made"
"$source/tools/install-packages" lintian
lintian --fail-on error,warning "$deb" || fail "lintian found faults in the package"
dpkg-deb -x "$deb" "$scratch/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libc6 fonts-ipafont-gothic; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-translations-l10n ] || fail "Qt's translations are not recommended"
# The long description is plain text: one blank before each line, none shown verbatim.
! dpkg-deb -f "$deb" Description | tail -n +2 | grep -q '^  ' || fail "description lines are indented twice"

id=io.github.kenaris.Kenaris
for file in usr/bin/kenaris usr/bin/kenaris-batch usr/share/applications/$id.desktop \
            usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
            usr/share/icons/hicolor/128x128/apps/$id.png usr/share/mime/packages/$id.xml \
            usr/share/doc/kenaris/copyright usr/share/doc/kenaris/changelog.gz \
            usr/share/man/{,ja/}man1/{kenaris,kenaris-batch}.1.gz; do
  [ -f "$scratch/root/$file" ] || fail "missing $file"
done
desktop-file-validate "$scratch/root/usr/share/applications/$id.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "metainfo does not validate"
grep -q '^Name\[ja\]=ケナリス$' "$scratch/root/usr/share/applications/$id.desktop" || fail "no Japanese name"

# The programs, the changelog, the metainfo and the manual pages show the package's version.
version=$(dpkg-deb -f "$deb" Version)
for program in kenaris kenaris-batch; do
  answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$scratch/root/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [ "$answer" = "$program $version" ] || fail "$program --version said '$answer'"
done
zcat "$scratch/root/usr/share/doc/kenaris/changelog.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's newest entry is not $version: add it to NEWS"
grep -q "<release version=\"$version\"" "$scratch/root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo lists no release $version"
for page in "$scratch"/root/usr/share/man/{,ja/}man1/*.gz; do
  zcat "$page" | head -1 | grep -q "\"Kenaris $version\"" || fail "$page does not show version $version"
done

# The installed batch program converts a file.
printf 'FIX\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 A\r\n3 B\r\n' >"$scratch/layout.def"
printf 'ABCDEF\r\nGHIJKL\r\n' >"$scratch/in.txt"
report=$("$scratch/root/usr/bin/kenaris-batch" "$scratch/layout.def" "$scratch/in.txt" "$scratch/out.csv")
[ "$report" = " 2件" ] || fail "report was '$report'"
[ "$(cat "$scratch/out.csv")" = "$(printf 'DEF,ABC\r\nJKL,GHI\r')" ] || fail "wrong output: $(od -c "$scratch/out.csv")"
echo "package ok: $deb"
