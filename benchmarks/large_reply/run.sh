#!/usr/bin/env bash
# Peak memory of erx-discover when one reply is a single line of SIZE MiB
# (default 250), placed in turn in the reply the host reads first, in one the
# module keeps, and in one it parses. Prints the peak resident size beside
# the line's size; the aim is about twice the line (the reply and the
# module's copy of it).
#
#   benchmarks/large_reply/run.sh [BUILD_DIR]     SIZE=MiB to change the line
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build}")
size=${SIZE:-250}
work=$(mktemp -d)
trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
export ERX_PASSWORD=bench-pw ERX_COMMUNITY=public
printf '%-22s %9s %12s %7s\n' command line_MiB peak_MiB ratio
for command in "show virtual-router" "show ip vrf detail" "show mpls interface"; do
  rm -f "$work/port"
  python3 "$here/router.py" "$size" "$command" >"$work/port" &
  for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
  # SNMP goes to a port where nothing answers: only the CLI matters here.
  /usr/bin/time -f '%M' -o "$work/peak" "$build/bin/erx-discover" --host 127.0.0.1 \
    --telnet-port "$(cat "$work/port")" --snmp-port 9 --timeout 120 --format json \
    -o "$work/report.json" 2>/dev/null || true
  kill %% 2>/dev/null || true
  wait 2>/dev/null || true
  peak=$(( $(tail -1 "$work/peak") / 1024 ))
  printf '%-22s %9s %12s %7s\n' "$command" "$size" "$peak" \
    "$(python3 -c "print('%.2f' % ($peak / $size))")"
done
