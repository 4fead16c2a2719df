#!/usr/bin/env bash
# The README's recipe: GNU parallel splits a source at line ends across kenaris-batch filters and
# keeps the order; the output must be byte-identical to a single run.
set -euo pipefail
batch=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 200,000 records with CP932 text, CR LF and LF line ends, some short.
awk 'BEGIN {
  for (i = 0; i < 200000; i++) {
    printf "%08d\x8a\xbf\x8e\x9a%s%s", i, (i % 7 ? "ABCDEFGHIJ,KLMNOPQR" : "xyz"), (i % 3 ? "\r\n" : "\n")
  }
}' > "$work/source.txt"
printf 'FIX\r\nOUT\r\n3\r\n1\r\n2\r\nLEN\r\n8 number\r\n2 kanji\r\n19 text\r\n' > "$work/layout.def"

"$batch" "$work/layout.def" "$work/source.txt" "$work/single.csv" > /dev/null
parallel --will-cite --pipepart -a "$work/source.txt" --block -4 --keep-order \
  "$batch" "$work/layout.def" - - > "$work/parallel.csv" 2> "$work/reports.txt"

cmp "$work/single.csv" "$work/parallel.csv"
jobs=$(grep -c '件' "$work/reports.txt")
[ "$jobs" -gt 1 ] || { echo "the source was not split ($jobs report)"; exit 1; }
echo "identical over $jobs jobs"
