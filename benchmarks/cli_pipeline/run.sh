#!/usr/bin/env bash
# Commands typed ahead (--cli-pipeline N) against erx-simulator on 127.0.0.1,
# its latency fault standing in for a distant router, one CLI session over
# Telnet, on the generated 100k device. Prints one table: the time of each
# run, and whether its report is byte for byte the report of N = 1.
#
#   benchmarks/cli_pipeline/run.sh [BUILD_DIR]        (default: build)
#
# WORK (default /tmp/erx-live-bench, shared with benchmarks/live) holds the
# generated device and the reports; LATENCIES (default "20 50") and DEPTHS
# (default "1 8 32") change the runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build}")
discover=$build/bin/erx-discover
simulator=$build/bin/erx-simulator
work=${WORK:-/tmp/erx-live-bench}
latencies=${LATENCIES:-20 50}
depths=${DEPTHS:-1 8 32}
[ -x "$discover" ] && [ -x "$simulator" ] || { echo "build first: tools/build.sh" >&2; exit 2; }
mkdir -p "$work"
export ERX_PASSWORD=bench-pw ERX_ENABLE_PASSWORD=bench-en ERX_COMMUNITY=public
[ -d "$work/100k" ] || python3 "$here/../end_to_end/generate_device.py" "$work/100k" \
  --destinations 100000 --vrfs 200 --routes 250 >/dev/null

pid=""
cleanup() { [ -z "$pid" ] || { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }; }
trap cleanup EXIT

now() { python3 -c 'import time; print(time.time())'; }
seconds() { python3 -c 'import sys,time; print("%.2f" % (time.time() - float(sys.argv[1])))' "$1"; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %8s %6s %9s %8s  %s\n' device latency depth live_s commands same_as_1
for latency in $latencies; do
  out="$work/simulator.$$"
  "$simulator" --capture "$work/100k" --telnet 127.0.0.1:0 --snmp 127.0.0.1:0 --user admin \
    --fault "latency=$latency" >"$out" 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do grep -q '^ready' "$out" && break; sleep 0.1; done
  telnet=$(sed -n 's/^telnet 127.0.0.1://p' "$out")
  snmp=$(sed -n 's/^snmp 127.0.0.1://p' "$out")
  for depth in $depths; do
    start=$(now)
    "$discover" --host 127.0.0.1 --telnet-port "$telnet" --snmp-port "$snmp" --user admin \
      --quiet --cli-pipeline "$depth" --format json -o "$work/pipeline-$depth.json" || true
    live=$(seconds "$start")
    sent=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["health"]["cli"]["sent"])' \
      "$work/pipeline-$depth.json")
    cmp -s "$work/pipeline-$depth.json" "$work/pipeline-1.json" && same=yes || same=NO
    printf '%-8s %5s ms %6s %9s %8s  %s\n' 100k "$latency" "$depth" "$live" "$sent" "$same"
  done
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  rm -f "$out"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
