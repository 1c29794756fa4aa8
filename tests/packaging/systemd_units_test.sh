#!/usr/bin/env bash
# systemd-analyze verify on the units of packaging/systemd, with the build's
# program in place of /usr/bin/erx-discover and its manual pages on MANPATH
# (verify checks that both exist). Skipped (77) without systemd-analyze.
#   systemd_units_test.sh SOURCE_DIR PROGRAM MAN_DIR
set -euo pipefail
source_dir=$1 program=$2 man_dir=$3
command -v systemd-analyze >/dev/null || { echo "no systemd-analyze: skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/units" "$scratch/man/man1"
cp "$man_dir"/*.1.gz "$scratch/man/man1/"
for unit in "$source_dir"/packaging/systemd/*; do
  name=$(basename "$unit")
  # A template is verified as one of its instances.
  sed "s|/usr/bin/erx-discover|$program|g" "$unit" >"$scratch/units/${name/@./@east.}"
done
MANPATH=$scratch/man systemd-analyze verify "$scratch"/units/*
echo "$(ls "$scratch/units" | wc -l) units verified"
