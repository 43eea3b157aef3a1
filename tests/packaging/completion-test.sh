#!/usr/bin/env bash
# Drives the bash completion of orva in a real bash with Debian's bash-completion, as a
# user's TAB would: command names, a command's options, option values and data files.
# usage: completion-test.sh ORVA COMPLETION-FILE
set -uo pipefail
orva=$1
completion=$2
source /usr/share/bash-completion/bash_completion || { echo "bash-completion is not installed" >&2; exit 1; }
source "$completion"
PATH="$(cd "$(dirname "$orva")" && pwd):$PATH"

failures=0
# complete WORD... : COMPREPLY for the last word of "orva WORD...", sorted, one line.
complete_line() {
  COMP_WORDS=(orva "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _orva orva "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
}
expect() {
  local want=$1
  shift
  local got
  got=$(complete_line "$@")
  if [ "$got" != "$want" ]; then
    echo "FAIL: orva $* <TAB> gave '$got', expected '$want'" >&2
    failures=$((failures + 1))
  else
    echo "ok: orva $* <TAB> -> $got"
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir subjects
touch s01.ses S02.AVE Mixed.Ave notes.txt run.ses.bak

expect "export-brainvision export-edf export-long export-stats export-text" exp
expect "filter" help fil
expect "--cutoff" filter --cu
expect "--open-anyway --out-dir" scatter --o
expect "-j" check -j
expect "--cells --chans" measure --c
expect "interpolate" inter
expect "--positions" interpolate --pos
# The picture commands exist where the desktop program is built.
if "$orva" --declarations | grep -q '^map'; then
  expect "--cell --channel-names" map --c
  expect "--labels" map s01.ses --l
  expect "Mixed.Ave S02.AVE notes.txt run.ses.bak s01.ses subjects" map s01.ses --positions ""
fi
# Data files in any case and folders, nothing else, where a data file goes.
expect "Mixed.Ave S02.AVE s01.ses subjects" check ""
expect "Mixed.Ave S02.AVE s01.ses subjects" filter --cutoff 20 ""
# After -- a word beginning with - is a file name too.
expect "" check -- -x
# An option's own kind of value: a folder, any file, nothing to offer for a number.
expect "subjects" save s01.ses --out-dir ""
expect "subjects" save s01.ses --out-dir=""
expect "Mixed.Ave S02.AVE notes.txt run.ses.bak s01.ses subjects" export-long s01.ses -o ""
expect "" check -j ""

[ "$failures" -eq 0 ] || { echo "$failures completion checks failed" >&2; exit 1; }
echo "every completion check passed"
