#!/usr/bin/env bash
# The manual pages as man reads them: no warning from man (groff), a NAME
# section whatis can index (lexgrog), and an EXIT STATUS that lists every code
# the program's table has.
#   man_pages_test.sh MAN_DIR EXIT_CODES_PROGRAM
set -euo pipefail
dir=$1 codes=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for program in discover simulator; do
  page=$dir/erx-$program.1.gz
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
  lexgrog "$page" | grep -q "\"erx-$program - " || fail "lexgrog: $(lexgrog "$page")"
  text=$(MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | col -b)
  status=$(sed -n '/^EXIT STATUS/,/^ENVIRONMENT/p' <<<"$text")
  for code in $("$codes" "$program" | sed -n 's/^\*\*\([0-9]*\)\*\*$/\1/p'); do
    grep -Eq "^ +$code( |$)" <<<"$status" || fail "erx-$program(1) lacks exit status $code: $status"
  done
  for section in SYNOPSIS OPTIONS ENVIRONMENT FILES EXAMPLES "SEE ALSO"; do
    grep -q "^$section" <<<"$text" || fail "erx-$program(1) has no $section"
  done
done
echo "both pages read without warnings"
