#!/usr/bin/env bash
# make-changelog.sh NEWS "NAME <ADDRESS>" CHANGELOG
# Writes the releases listed in NEWS as a Debian changelog, the form the package's changelog.gz
# must have: a release line "Kenaris VERSION (YYYY-MM-DD)" starts an entry, lines indented by
# two blanks are its changes, other lines are skipped.
set -euo pipefail
news=$1 maintainer=$2 changelog=$3
released=
finish_entry() {
  [ -n "$released" ] && printf '\n -- %s  %s\n' "$maintainer" "$(date -R -u -d "$released 12:00")"
  return 0
}
{
  while IFS= read -r line; do
    if [[ $line =~ ^Kenaris\ ([^ ]+)\ \(([0-9]{4}-[0-9]{2}-[0-9]{2})\)$ ]]; then
      finish_entry
      [ -n "$released" ] && echo
      printf 'kenaris (%s) unstable; urgency=medium\n\n' "${BASH_REMATCH[1]}"
      released=${BASH_REMATCH[2]}
    elif [ -n "$released" ] && [[ $line == "  "* ]]; then
      printf '%s\n' "$line"
    fi
  done <"$news"
  finish_entry
} >"$changelog"
[ -n "$released" ] || { echo "make-changelog.sh: no release line in $news" >&2; exit 1; }
