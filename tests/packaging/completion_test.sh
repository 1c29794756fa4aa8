#!/usr/bin/env bash
# The bash completion of erx-discover, as bash calls it, on the build's
# program: subcommands, options of the program and of a subcommand, --format
# values, device names of an inventory and of a store.
#   completion_test.sh SOURCE_DIR PROGRAM
set -o pipefail  # not -e or -u: bash completes without them
source_dir=$1 program=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$source_dir/packaging/completion/erx-discover"
failed=0
expect() {
  local want=$1; shift
  COMP_WORDS=("$program" "$@"); COMP_CWORD=$#; COMPREPLY=()
  _erx_discover
  local got="${COMPREPLY[*]}"
  [ "$got" = "$want" ] || { echo "FAIL: [$*] gave '$got', not '$want'"; failed=1; }
}
expect "diff html paths poller queue runs serve vpns" ""
expect "--format" --form
expect "--inventory" --inv
expect "text json" --format ""
expect "dot" paths --format d
expect "--device" paths --dev
expect "--store" vpns --st
expect "" diff --ru  # diff has no --run
printf 'defaults:\n  user: admin\ndevices:\n  - name: pe1\n    host: 10.0.0.1\n  - name: "lab-pe3"\n    capture: lab\n' \
  >"$scratch/fleet.yaml"
expect "pe1 lab-pe3" --inventory "$scratch/fleet.yaml" --device ""
if command -v sqlite3 >/dev/null; then
  sqlite3 "$scratch/fleet.db" "CREATE TABLE devices (name TEXT); INSERT INTO devices VALUES ('pe2'), ('pe1'), ('pe2');"
  expect "pe1 pe2" paths --store "$scratch/fleet.db" --device ""
fi
exit $failed
