#!/usr/bin/env bash
# check-file-type.sh MIME-XML
# The definition file type, installed into a scratch data folder, is given by GIO to *.def files
# that start with the line FIX (either line end) and not to other *.def files or to other names.
set -uo pipefail
xml=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/mime/packages" "$scratch/files"
cp "$xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" 2>/dev/null || { echo "FAIL: update-mime-database refused $xml"; exit 1; }

status=0
# Each row: file name | contents (printf) | type.
while IFS='|' read -r name contents expected; do
  # shellcheck disable=SC2059 # the contents are a printf format on purpose
  printf "$contents" >"$scratch/files/$name"
  type=$(XDG_DATA_DIRS=$scratch:/usr/share gio info -a standard::content-type "$scratch/files/$name" |
         sed -n 's/.*standard::content-type: //p')
  [ "$type" = "$expected" ] || { echo "FAIL: $name ($contents) is $type, not $expected"; status=1; }
done <<'ROWS'
layout.def|FIX\r\nOUT\r\n1\r\n1\r\nLEN\r\n3 A\r\n|application/x-kenaris-definition
unix.def|FIX\nOUT\n|application/x-kenaris-definition
module.def|LIBRARY example\r\nEXPORTS\r\n  start\r\n|text/plain
fixed.def|FIXED ASSETS\r\n|text/plain
layout.txt|FIX\r\nOUT\r\n|text/plain
ROWS
exit $status
