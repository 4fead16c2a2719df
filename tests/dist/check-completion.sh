#!/usr/bin/env bash
# check-completion.sh COMPLETION
# What the bash completion of kenaris-batch offers at each place of its command line, in a folder
# of a layout, a source and a subfolder.
set -uo pipefail
completion=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && touch layout.def data.txt && mkdir sub
source /usr/share/bash-completion/bash_completion
source "$completion"

status=0
# Each row: the command line up to the cursor | what is offered, sorted.
while IFS='|' read -r line expected; do
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _kenaris_batch kenaris-batch "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  offered=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  [ "$offered" = "$expected" ] || { echo "FAIL: '$line' offers '$offered', not '$expected'"; status=1; }
done <<'ROWS'
kenaris-batch --t|--tab
kenaris-batch --p|--part
kenaris-batch --part |
kenaris-batch --part 2/8 --reject out.txt |layout.def sub
kenaris-batch |layout.def sub
kenaris-batch --tab |layout.def sub
kenaris-batch layout.def |data.txt layout.def sub
kenaris-batch layout.def data.txt |data.txt layout.def sub
kenaris-batch layout.def - out.csv |layout.def sub
kenaris-batch -- --tab |data.txt layout.def sub
kenaris-batch layout.def data.txt out.csv x.def |data.txt layout.def sub
kenaris-batch layout.def data.txt out.csv x.def o.csv |layout.def sub
ROWS
exit $status
