#!/usr/bin/env bash
# Fleet benchmark: N generated captured devices discovered by
# erx-discover --inventory --jobs 2 into a results store, for N of 250, 500
# and 1,000; prints devices per second, seconds per device and the store's size.
#
#   benchmarks/fleet/run.sh [build/bin/erx-discover]
#
# WORK (default /tmp/erx-fleet-bench) holds the devices, inventories and stores;
# JOBS (default 2) the workers; SIZES (default "250 500 1000") the fleet sizes.
# Every device is a medium provider edge: DESTINATIONS destinations (default
# 400) and VRFS VRFs of ROUTES routes (default 10 x 20), each with its own host
# name, so that every device's reports and rows are its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "${1:-$here/../../build/bin/erx-discover}")
work=${WORK:-/tmp/erx-fleet-bench}
jobs=${JOBS:-2}
sizes=${SIZES:-"250 500 1000"}
[ -x "$bin" ] || { echo "no erx-discover at $bin (build first: tools/build.sh)" >&2; exit 2; }

largest=0
for n in $sizes; do [ "$n" -gt "$largest" ] && largest=$n; done
mkdir -p "$work/devices"
template="$work/template"
if [ ! -d "$template" ]; then
  python3 "$here/../end_to_end/generate_device.py" "$template" \
    --destinations "${DESTINATIONS:-400}" --vrfs "${VRFS:-10}" --routes "${ROUTES:-20}" >/dev/null
fi
# Each device is the template under a host name of its own (prompts, sysName).
for ((i = 0; i < largest; i++)); do
  dir=$(printf "%s/devices/pe%04d" "$work" "$i")
  [ -d "$dir" ] && continue
  mkdir -p "$dir"
  cp -r "$template/snmp" "$dir/"
  sed "s/^pe-big/$(basename "$dir")/" "$template/cli.log" > "$dir/cli.log"
  sed "s/\"pe-big\"/\"$(basename "$dir")\"/" "$template/snmp.walk" > "$dir/snmp.walk"
done

printf "| devices | jobs | wall | devices/s | per device | store | store per device |\n"
printf "|---|---|---|---|---|---|---|\n"
for n in $sizes; do
  inventory="$work/fleet-$n.yaml"
  { echo "devices:"
    for ((i = 0; i < n; i++)); do
      printf "  - name: pe%04d\n    capture: devices/pe%04d\n" "$i" "$i"
    done; } > "$inventory"
  store="$work/fleet-$n.db"
  rm -f "$store" "$store-wal" "$store-shm"
  start=$(date +%s.%N)
  "$bin" --inventory "$inventory" --jobs "$jobs" --store "$store" --quiet > "$work/summary-$n.txt"
  end=$(date +%s.%N)
  bytes=$(stat -c %s "$store")
  python3 - "$n" "$jobs" "$start" "$end" "$bytes" <<'PY'
import sys
n, jobs, start, end, size = int(sys.argv[1]), sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])
wall = end - start
print("| %d | %s | %.1f s | %.1f | %.1f ms | %.1f MiB | %.0f KiB |" % (
    n, jobs, wall, n / wall, wall / n * 1000, size / 2**20, size / n / 1024))
PY
done
