#!/usr/bin/env bash
# Pictures benchmark: `html`, `paths --format svg` and `vpns --format svg` on
# stores of N routers of the fleet benchmark's generated devices (400
# destinations, 10 VRFs of 20 routes: every VRF number a full mesh across the
# fleet, one target imported by all that nobody exports, 400 label paths a
# router, all leaving). Prints each command's wall time, peak memory and
# output size.
#
#   benchmarks/pictures/run.sh [build/bin/erx-discover]
#
# WORK (default /tmp/erx-pictures-bench) holds the devices and stores, made by
# benchmarks/fleet/run.sh when missing; SIZES (default "100 1000") the fleet sizes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "${1:-$here/../../build/bin/erx-discover}")
work=${WORK:-/tmp/erx-pictures-bench}
sizes=${SIZES:-"100 1000"}
[ -x "$bin" ] || { echo "no erx-discover at $bin (build first: tools/build.sh)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian time)" >&2; exit 2; }

missing=""
for n in $sizes; do [ -f "$work/fleet-$n.db" ] || missing="$missing $n"; done
if [ -n "$missing" ]; then
  WORK="$work" SIZES="${missing# }" "$here/../fleet/run.sh" "$bin" >/dev/null
fi

printf "| routers | command | wall | peak memory | output |\n|---|---|---|---|---|\n"
for n in $sizes; do
  store="$work/fleet-$n.db"
  for command in html paths vpns; do
    if [ "$command" = html ]; then
      out="$work/run-$n.html"
      args=(html --store "$store" -o "$out")
      answer=/dev/null
    else
      out="$work/$command-$n.svg"
      args=("$command" --store "$store" --format svg)
      answer=$out
    fi
    /usr/bin/time -f "%e %M" -o "$work/time" "$bin" "${args[@]}" > "$answer" ||
      { echo "$command on $n routers failed" >&2; exit 1; }
    read -r wall kib < "$work/time"
    printf "| %d | %s | %s s | %d MiB | %d KiB |\n" "$n" "$command" "$wall" $((kib / 1024)) \
      $(($(stat -c %s "$out") / 1024))
  done
done
