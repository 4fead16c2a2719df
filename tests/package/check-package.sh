#!/usr/bin/env bash
# check-package.sh SOURCE
# Builds the Debian packages twice with tools/package, in folders of different names, and checks
# that the two builds are byte-identical, that lintian --pedantic finds nothing above info, that
# both programs pass hardening-check, and what the package declares and holds: the programs and
# their debug symbols, the desktop files (valid), icons, completion, documents, the same version
# everywhere, and an installed kenaris-batch that converts a file.
set -euo pipefail
source=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Both builds start from one copy of the source, which later edits of the source cannot reach.
mkdir "$scratch/source"
git -C "$source" ls-files -z --cached --others --exclude-standard |
  (cd "$source" && tar --null -T - -c) | tar -x -C "$scratch/source"
for folder in first second-build; do
  "$scratch/source/tools/package" "$scratch/$folder" >/dev/null || fail "tools/package failed in $folder"
done
for made in "$scratch"/first/*.deb; do
  cmp "$made" "$scratch/second-build/${made##*/}" || fail "${made##*/} differs between two builds"
done
deb=$(ls "$scratch"/first/kenaris_*.deb) || fail "no package made"
dbgsym=$(ls "$scratch"/first/kenaris-dbgsym_*.deb) || fail "no debug symbols package made"

lintian --pedantic -I --fail-on error,warning "$scratch"/first/*.changes 2>/dev/null | tee "$scratch/lintian" ||
  fail "lintian found faults in the package"
! grep -E 'hardening-|binary-has-unneeded-section' "$scratch/lintian" || fail "lintian found unhardened programs"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$dbgsym" "$scratch/debug"
# Control flow marks cannot be had on Debian 12: its C start files lack them.
for program in kenaris kenaris-batch; do
  hardening-check --nocfprotection "$root/usr/bin/$program" || fail "$program is not hardened"
  id=$(readelf -n "$root/usr/bin/$program" | sed -n 's/.*Build ID: //p')
  [ -f "$scratch/debug/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ] || fail "no debug symbols for $program"
done

for field in Depends:libqt6widgets6 Depends:fonts-ipafont-gothic Recommends:qt6-translations-l10n Suggests:parallel; do
  dpkg-deb -f "$deb" "${field%%:*}" | grep -qw "${field#*:}" || fail "the package's ${field%%:*} lack ${field#*:}"
done
id=io.github.kenaris.Kenaris
for file in usr/bin/kenaris usr/bin/kenaris-batch usr/share/applications/$id.desktop \
            usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
            usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
            usr/share/mime/packages/$id.xml usr/share/bash-completion/completions/kenaris-batch \
            usr/share/doc/kenaris/{copyright,changelog.gz,README.md.gz} \
            usr/share/man/{,ja/}man1/{kenaris,kenaris-batch}.1.gz; do
  [ -f "$root/$file" ] || fail "missing $file"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo does not validate"

# The programs, the metainfo and the manual pages show the package's version, whose changelog is
# the one NEWS makes.
"$scratch/source/tools/make-changelog" "$scratch/changelog"
cmp -s "$scratch/changelog" "$scratch/source/debian/changelog" || fail "debian/changelog is not made from NEWS: run tools/make-changelog"
version=$(dpkg-deb -f "$deb" Version)
for program in kenaris kenaris-batch; do
  answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version) || fail "$program --version failed"
  [ "$answer" = "$program $version" ] || fail "$program --version said '$answer'"
done
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo lists no release $version"
for page in "$root"/usr/share/man/{,ja/}man1/*.gz; do
  zcat "$page" | head -1 | grep -q "\"Kenaris $version\"" || fail "$page does not show version $version"
done

# The installed batch program converts a file.
printf 'FIX\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 A\r\n3 B\r\n' >"$scratch/layout.def"
printf 'ABCDEF\r\nGHIJKL\r\n' >"$scratch/in.txt"
report=$("$root/usr/bin/kenaris-batch" "$scratch/layout.def" "$scratch/in.txt" "$scratch/out.csv")
[ "$report" = " 2件" ] || fail "report was '$report'"
[ "$(cat "$scratch/out.csv")" = "$(printf 'DEF,ABC\r\nJKL,GHI\r')" ] || fail "wrong output: $(od -c "$scratch/out.csv")"
echo "package ok: two identical builds of $(basename "$deb")"
