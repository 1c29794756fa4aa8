#!/usr/bin/env bash
# Live-path benchmark: erx-discover against erx-simulator on 127.0.0.1, over
# Telnet and SSH, with the simulator's latency fault standing in for the
# network (every CLI reply and SNMP answer held that long), next to the replay
# of the same capture; then a fleet of simulated routers. Prints one table.
#
#   benchmarks/live/run.sh [BUILD_DIR]        (default: build)
#
# WORK (default /tmp/erx-live-bench) holds the generated device, keys and
# reports. LATENCIES (default "0 5 20 50"), CLI_SESSIONS (default "1 4", the
# --cli-sessions of each run), FLEET (default 100 routers),
# FLEET_JOBS (default 50) and FLEET_LATENCY (default 20) change the runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build}")
discover=$build/bin/erx-discover
simulator=$build/bin/erx-simulator
work=${WORK:-/tmp/erx-live-bench}
latencies=${LATENCIES:-0 5 20 50}
sessions=${CLI_SESSIONS:-1 4}
fleet=${FLEET:-100}
jobs=${FLEET_JOBS:-50}
fleetLatency=${FLEET_LATENCY:-20}
[ -x "$discover" ] && [ -x "$simulator" ] || { echo "build first: tools/build.sh" >&2; exit 2; }
mkdir -p "$work"
export ERX_PASSWORD=bench-pw ERX_ENABLE_PASSWORD=bench-en ERX_COMMUNITY=public
[ -d "$work/100k" ] || python3 "$here/../end_to_end/generate_device.py" "$work/100k" \
  --destinations 100000 --vrfs 200 --routes 250 >/dev/null

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT

# Starts a simulator of device $1 with latency $2; sets TELNET, SSH, SNMP, PID.
start() {
  local out="$work/simulator.$BASHPID.$RANDOM"
  "$simulator" --capture "$1" --telnet 127.0.0.1:0 --ssh 127.0.0.1:0 \
    --ssh-host-key "$work/host_key" --snmp 127.0.0.1:0 --user admin --fault "latency=$2" \
    >"$out" 2>&1 &
  PID=$!
  pids+=("$PID")
  for _ in $(seq 1 300); do grep -q '^ready' "$out" && break; sleep 0.1; done
  TELNET=$(sed -n 's/^telnet 127.0.0.1://p' "$out")
  SSH=$(sed -n 's/^ssh 127.0.0.1://p' "$out")
  SNMP=$(sed -n 's/^snmp 127.0.0.1://p' "$out")
  rm -f "$out"
}

seconds() { python3 -c 'import sys,time; print("%.2f" % (time.time() - float(sys.argv[1])))' "$1"; }
now() { python3 -c 'import time; print(time.time())'; }

# Equal when they found the same: where the answers came from differs.
same() { cmp -s <(grep -v '"source"' "$1") <(grep -v '"source"' "$2"); }

printf '%-12s %-9s %8s %8s %9s %9s  %s\n' device transport latency sessions live_s replay_s same
for device in "$(realpath "$here/../../devices/pe1-erx")" "$work/100k"; do
  start=$(now)
  "$discover" --capture "$device" --format json -o "$work/replay.json"
  replay=$(seconds "$start")
  for latency in $latencies; do
    start "$device" "$latency"
    for transport in telnet ssh; do
      for cliSessions in $sessions; do
        args=(--telnet-port "$TELNET")
        [ "$transport" = ssh ] && args=(--ssh --ssh-port "$SSH" --known-hosts "$work/known_hosts" --accept-new-host-key)
        start=$(now)
        "$discover" --host 127.0.0.1 "${args[@]}" --snmp-port "$SNMP" --user admin --quiet \
          --cli-sessions "$cliSessions" --format json -o "$work/live.json"
        live=$(seconds "$start")
        same "$work/live.json" "$work/replay.json" && same=yes || same=NO
        printf '%-12s %-9s %6s ms %8s %9s %9s  %s\n' "$(basename "$device")" "$transport" "$latency" \
          "$cliSessions" "$live" "$replay" "$same"
      done
    done
    kill "$PID"; wait "$PID" 2>/dev/null || true
  done
done

# A fleet: FLEET simulated example routers, FLEET_LATENCY ms away, FLEET_JOBS at a time.
[ "$fleet" -gt 0 ] || exit 0
inventory="$work/fleet.yaml"
printf 'defaults:\n  user: admin\n  timeout: 60\ndevices:\n' >"$inventory"
for i in $(seq 1 "$fleet"); do
  start "$here/../../devices/pe1-erx" "$fleetLatency"
  printf '  - name: pe%d\n    host: 127.0.0.1\n    telnet_port: %s\n    snmp_port: %s\n' \
    "$i" "$TELNET" "$SNMP" >>"$inventory"
done
start=$(now)
"$discover" --inventory "$inventory" --jobs "$jobs" --output-dir "$work/fleet" >/dev/null
elapsed=$(seconds "$start")
python3 -c 'import sys; n, s = int(sys.argv[1]), float(sys.argv[2]); print("fleet: %d routers %s ms away, --jobs %s: %.1f s, %.1f devices/s" % (n, sys.argv[3], sys.argv[4], s, n / s))' \
  "$fleet" "$elapsed" "$fleetLatency" "$jobs"
