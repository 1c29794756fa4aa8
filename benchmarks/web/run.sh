#!/usr/bin/env bash
# Web benchmark: the server's own time (its Server-Timing header) for the
# pages of a 1,000-device run (the fleet benchmark's devices) and for the
# device page of the 100,000-destination device, each asked ROUNDS times
# (default 10) of `erx-discover serve` on 127.0.0.1; prints the median and the
# slowest of each.
#
#   benchmarks/web/run.sh [build/bin/erx-discover]
#
# WORK (default /tmp/erx-web-bench) holds the devices and the two stores.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "${1:-$here/../../build/bin/erx-discover}")
work=${WORK:-/tmp/erx-web-bench}
rounds=${ROUNDS:-10}
[ -x "$bin" ] || { echo "no erx-discover at $bin (build first: tools/build.sh)" >&2; exit 2; }
mkdir -p "$work"

fleet="$work/fleet/fleet-1000.db"
if [ ! -f "$fleet" ]; then
  WORK="$work/fleet" SIZES=1000 "$here/../fleet/run.sh" "$bin" >/dev/null
fi
big="$work/big.db"
if [ ! -f "$big" ]; then
  python3 "$here/../end_to_end/generate_device.py" "$work/pe-big" \
    --destinations 100000 --vrfs 200 --routes 250 >/dev/null
  printf "devices:\n  - name: pe-big\n    capture: %s\n" "$work/pe-big" > "$work/big.yaml"
  "$bin" --inventory "$work/big.yaml" --store "$big" --quiet >/dev/null
fi

server=""
stop() { [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null; server=""; }
trap stop EXIT

# Starts serve on STORE; sets url.
serve() {
  stop
  "$bin" serve --store "$1" --listen 127.0.0.1:0 > "$work/serve.out" 2>&1 &
  server=$!
  for _ in $(seq 100); do
    grep -q serving "$work/serve.out" 2>/dev/null && break
    sleep 0.1
  done
  url=$(sed -n 's/.* at \(http[^ ]*\)\/$/\1/p' "$work/serve.out")
  [ -n "$url" ] || { echo "serve did not start: $(cat "$work/serve.out")" >&2; exit 1; }
}

# One row: the page, then the median and slowest server time of ROUNDS asks.
measure() {
  local times=() headers
  for _ in $(seq "$rounds"); do
    headers=$(curl -s --noproxy '*' -o "$work/page" -D - "$url$1")
    grep -q '^HTTP/1.1 200' <<<"$headers" || { echo "$1: $(head -1 <<<"$headers")" >&2; exit 1; }
    times+=("$(sed -n 's/^Server-Timing: app;dur=\([0-9.]*\).*/\1/p' <<<"$headers")")
  done
  printf "%s\n" "${times[@]}" | sort -n | awk -v page="$1" -v bytes="$(wc -c <"$work/page")" '
    { t[NR] = $1 } END { printf "| `%s` | %.1f ms | %.1f ms | %.1f KiB |\n", page,
                         t[int((NR + 1) / 2)], t[NR], bytes / 1024 }'
}

printf "| page | median | slowest | size |\n|---|---|---|---|\n"
serve "$fleet"
for page in / /runs/1 "/runs/1?limit=1000" /api/runs/1 /runs/1/devices/pe0500 \
            /api/runs/1/devices/pe0500 "/search?q=10.1.0.0/16&limit=100"; do
  measure "$page"
done
serve "$big"
for page in /runs/1/devices/pe-big "/runs/1/devices/pe-big?offset=99900" \
            /api/runs/1/devices/pe-big; do
  measure "$page"
done
