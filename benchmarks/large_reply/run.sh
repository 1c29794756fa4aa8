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
server=
trap 'rm -rf "$work"; [ -z "$server" ] || kill "$server" 2>/dev/null || true' EXIT
export ERX_PASSWORD=bench-pw ERX_COMMUNITY=public
printf '%-22s %9s %12s %7s %5s\n' command line_MiB peak_MiB ratio exit
for command in "show virtual-router" "show ip vrf detail" "show mpls interface"; do
  rm -f "$work/port"
  python3 "$here/router.py" "$size" "$command" >"$work/port" &
  server=$!
  for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
  # SNMP goes to a port where nothing answers: only the CLI matters here, and
  # the run ends "failed" (exit 3) for it. Any other status means the line
  # was not read through, and the peak says nothing.
  status=0
  /usr/bin/time -f '%M' -o "$work/peak" "$build/bin/erx-discover" --host 127.0.0.1 \
    --telnet-port "$(cat "$work/port")" --snmp-port 9 --timeout 20 --format json \
    -o "$work/report.json" 2>"$work/stderr" || status=$?
  grep -q 'SNMP at 127.0.0.1:9 did not answer' "$work/stderr" || cat "$work/stderr" >&2
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=
  peak=$(( $(tail -1 "$work/peak") / 1024 ))
  printf '%-22s %9s %12s %7s %5s\n' "$command" "$size" "$peak" \
    "$(python3 -c "print('%.2f' % ($peak / $size))")" "$status"
done
