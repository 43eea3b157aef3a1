#!/usr/bin/env bash
# The manual page orva.1 against what the program declares (orva --declarations): every
# command has a section of its own there, and each section names exactly the options that
# its command takes (-h/--help, the same everywhere, are explained once under OPTIONS).
# usage: manpage-test.sh ORVA MANPAGE
set -uo pipefail
orva=$1
page=$2
declarations=$("$orva" --declarations) || { echo "orva --declarations failed" >&2; exit 1; }

# The page's text with roff's escapes undone where options are written: \- is -, fonts go.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
# The option names in some text: words beginning with - or -- and a letter.
option_words() { grep -oE '(^|[^A-Za-z0-9-])--?[a-z][a-z-]*' | sed -E 's/^[^-]//' | sort -u; }
# The section of one command: from ".SS NAME" to the next section.
section() { awk -v name="$1" '/^\.S[SH] / { inside = ($1 == ".SS" && $2 == name); next } inside' <<< "$text"; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

declared_commands=$(cut -f1 <<< "$declarations" | sort)
page_commands=$(awk '/^\.SH / { inside = ($2 == "COMMANDS") } inside && /^\.SS / { print $2 }' <<< "$text" | sort)
[ "$declared_commands" = "$page_commands" ] ||
  fail "the commands differ: declared $(echo $declared_commands), in orva.1 $(echo $page_commands)"

while IFS=$'\t' read -r command options _; do
  documented=$(section "$command" | option_words | grep -vxE -- '--|-h|--help' | sort -u)
  # An option is named when any of its spellings is ("-j" for "-j,--jobs").
  for option in $options; do
    [ "$option" = "-h,--help" ] && continue
    grep -qxFf <(tr ',' '\n' <<< "$option") <<< "$documented" || fail "orva.1 does not name $option of $command"
  done
  extra=$(comm -13 <(tr ' ,' '\n\n' <<< "$options" | sort -u) <(echo "$documented") | tr '\n' ' ')
  [ -z "${extra// }" ] || fail "orva.1 names options that $command does not take: $extra"
done <<< "$declarations"

# The options explained once for all must be options that some command takes.
all=$(cut -f2 <<< "$declarations" | tr ' ,' '\n\n' | sort -u)
general=$(awk '/^\.SH / { inside = ($2 == "OPTIONS") } inside' <<< "$text" | option_words | grep -vxE -- '--version')
unknown=$(comm -13 <(echo "$all") <(echo "$general") | tr '\n' ' ')
[ -z "${unknown// }" ] || fail "orva.1 explains options that no command takes: $unknown"

[ "$failures" -eq 0 ] || exit 1
echo "orva.1 names every command and option that orva declares, and no other"
