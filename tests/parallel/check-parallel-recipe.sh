#!/usr/bin/env bash
# check-parallel-recipe.sh KENARIS-BATCH README
# The README's recipe, taken from the README as it stands: GNU parallel runs kenaris-batch over
# the parts of a source and keeps their order; the output must be byte-identical to a single run
# and the parts' counts must add up to its count.
set -euo pipefail
batch=$(realpath "$1")
recipe=$(sed -n 's/^    \(parallel -k kenaris-batch --part .*\)$/\1/p' "$2" | head -n 1)
[ -n "$recipe" ] || { echo "no recipe in $2"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH=$(dirname "$batch"):$PATH PARALLEL=--will-cite

total='/件$/ { sum += $1 } END { print sum }' # of the reports' " N件" lines

# Converts $work/$1/SOURCE.txt with LAYOUT.def there, once whole and once by the recipe.
check() {
  cd "$work/$1"
  kenaris-batch LAYOUT.def SOURCE.txt single.csv > single.txt
  eval "$recipe" 2> reports.txt
  cmp single.csv OUTPUT.csv
  [ "$(grep -c '^パート' reports.txt)" -gt 1 ] || { echo "$1: the source was not split"; exit 1; }
  [ "$(awk "$total" reports.txt)" = "$(awk "$total" single.txt)" ] ||
    { echo "$1: the parts' counts do not add up"; exit 1; }
  echo "$1: identical over $(grep -c '^パート' reports.txt) parts"
}

# 200,000 lines with CP932 text, CR LF, LF and lone CR line ends, some short; a header line.
mkdir "$work/lines"
awk 'BEGIN {
  for (i = 0; i < 200000; i++) {
    printf "%08d\x8a\xbf\x8e\x9a%s%s", i, (i % 7 ? "ABCDEFGHIJ,KLMNOPQR" : "xyz"), (i % 3 ? "\r\n" : (i % 5 ? "\n" : "\r"))
  }
}' > "$work/lines/SOURCE.txt"
printf 'FIX\r\nHEADER\r\nOUT\r\n3\r\n1\r\n2\r\nLEN\r\n8 number\r\n2 kanji\r\n19 text\r\n' > "$work/lines/LAYOUT.def"
check lines

# 100,000 records of 27 bytes without line ends, some holding CR and LF, which a cut at a line
# end would take for one.
mkdir "$work/records"
awk 'BEGIN {
  for (i = 0; i < 100000; i++) printf "%08d\x8a\xbf%s", i, (i % 4 ? "ABCDEFGHIJ,KLMN\r\n" : "\nabcdefghijklmnop")
}' > "$work/records/SOURCE.txt"
printf 'FIX\r\nRECORD 27\r\nOUT\r\n3\r\n1\r\nLEN\r\n8 number\r\n1 kanji\r\n17 text\r\n' > "$work/records/LAYOUT.def"
check records
