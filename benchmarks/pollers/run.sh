#!/usr/bin/env bash
# Pollers benchmark. First N generated captured devices (default 1,000) in 3
# regions, discovered by 3 pollers (--jobs 2 each) into PostgreSQL, next to
# the local fleet (--jobs 2) into SQLite: devices/s and store size per device
# for both. Then simulated routers FAR ms away (default 20): ROUTERS devices
# (default 100) of one region, by 1 poller against 3 pollers (--jobs 2
# each), to show that pollers add up when the routers, not the CPU, bound.
#
#   benchmarks/pollers/run.sh [BUILD_DIR]        (default: build)
#
# WORK (default /tmp/erx-pollers-bench) holds the devices, a PostgreSQL of the
# benchmark's own (initdb, a Unix socket there, fsync off; as the postgres
# user when run as root), the stores and the pollers' logs. SIMULATORS
# (default 20) simulated routers serve the ROUTERS devices between them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build}")
discover=$build/bin/erx-discover
simulator=$build/bin/erx-simulator
work=${WORK:-/tmp/erx-pollers-bench}
n=${N:-1000}
far=${FAR:-20}
routers=${ROUTERS:-100}
simulators=${SIMULATORS:-20}
[ -x "$discover" ] && [ -x "$simulator" ] || { echo "build first: tools/build.sh" >&2; exit 2; }
pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
[ -x "$pgbin/pg_ctl" ] || { echo "no PostgreSQL server programs (Debian postgresql)" >&2; exit 2; }
mkdir -p "$work"
export ERX_PASSWORD=bench-pw ERX_ENABLE_PASSWORD=bench-en ERX_COMMUNITY=public

as_pg() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  as_pg "$pgbin/pg_ctl" -D "$work/pg/data" -m immediate stop >/dev/null 2>&1 || true
}
trap cleanup EXIT

# The server, fresh each time.
rm -rf "$work/pg"
mkdir -p "$work/pg/sock"
[ "$(id -u)" = 0 ] && chown -R postgres "$work/pg"
as_pg "$pgbin/initdb" -D "$work/pg/data" -A trust --no-sync -E UTF8 >/dev/null
as_pg "$pgbin/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -w \
  -o "-c listen_addresses='' -k $work/pg/sock -c fsync=off" start >/dev/null
user=$([ "$(id -u)" = 0 ] && echo "&user=postgres" || true)
url() { echo "postgresql:///$1?host=$work/pg/sock$user"; }
psql_value() { "$pgbin/psql" -Atq "$(url "$1")" -c "$2"; }
newdb() { "$pgbin/psql" -q "$(url postgres)" -c "CREATE DATABASE $1" >/dev/null; }

now() { date +%s.%N; }
rate() { python3 -c 'import sys; n, s = int(sys.argv[1]), float(sys.argv[2]) - float(sys.argv[3]); print("%.1f s  %.1f devices/s" % (s, n / s))' "$@"; }

# Part 1: captured devices, one machine's CPU the bound.
[ -d "$work/template" ] || python3 "$here/../end_to_end/generate_device.py" "$work/template" \
  --destinations 400 --vrfs 10 --routes 20 >/dev/null
for ((i = 0; i < n; i++)); do
  dir=$(printf "%s/devices/pe%04d" "$work" "$i")
  [ -d "$dir" ] && continue
  mkdir -p "$dir"
  cp -r "$work/template/snmp" "$dir/"
  sed "s/^pe-big/$(basename "$dir")/" "$work/template/cli.log" > "$dir/cli.log"
  sed "s/\"pe-big\"/\"$(basename "$dir")\"/" "$work/template/snmp.walk" > "$dir/snmp.walk"
done
inventory="$work/captured.yaml"
{ echo "devices:"
  for ((i = 0; i < n; i++)); do
    printf "  - name: pe%04d\n    region: r%d\n    capture: devices/pe%04d\n" "$i" $((i % 3)) "$i"
  done; } > "$inventory"

echo "captured devices: $n in 3 regions"
rm -f "$work/fleet.db"*
start=$(now)
"$discover" --inventory "$inventory" --jobs 2 --store "$work/fleet.db" --quiet >/dev/null || true
end=$(now)
size=$(stat -c %s "$work/fleet.db")
printf '  local fleet, --jobs 2, SQLite:       %s  %.0f KiB per device\n' \
  "$(rate "$n" "$end" "$start")" "$(echo "$size / $n / 1024" | bc -l)"

newdb captured
empty=$(psql_value captured "SELECT pg_database_size(current_database())")  # before any table
"$discover" queue --inventory "$inventory" --store "$(url captured)" >/dev/null
start=$(now)
for r in 0 1 2; do
  "$discover" poller --store "$(url captured)" --region "r$r" --name "p$r" --jobs 2 --once \
    >"$work/captured-p$r.out" 2>"$work/captured-p$r.err" &
  pids+=($!)
done
wait "${pids[@]}"
pids=()
end=$(now)
stored=$(psql_value captured "SELECT count(*) FROM devices")
size=$(psql_value captured "SELECT pg_database_size(current_database())")
printf '  3 pollers, --jobs 2 each, PostgreSQL: %s  %.0f KiB per device (%s stored)\n' \
  "$(rate "$n" "$end" "$start")" "$(echo "($size - $empty) / $n / 1024" | bc -l)" "$stored"

# Part 2: routers FAR ms away, the network the bound.
[ "$routers" -gt 0 ] || exit 0
ports=()
for ((s = 0; s < simulators; s++)); do
  out="$work/simulator.$s"
  "$simulator" --capture "$here/../../devices/pe1-erx" --telnet 127.0.0.1:0 --snmp 127.0.0.1:0 \
    --user admin --fault "latency=$far" >"$out" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 300); do grep -qs '^ready' "$out" && break; sleep 0.1; done
  ports+=("$(sed -n 's/^telnet 127.0.0.1://p' "$out") $(sed -n 's/^snmp 127.0.0.1://p' "$out")")
done
inventory="$work/far.yaml"
{ printf 'defaults:\n  user: admin\n  timeout: 60\n  region: far\ndevices:\n'
  for ((i = 0; i < routers; i++)); do
    read -r telnet snmp <<<"${ports[$((i % simulators))]}"
    printf '  - name: far%03d\n    host: 127.0.0.1\n    telnet_port: %s\n    snmp_port: %s\n' \
      "$i" "$telnet" "$snmp"
  done; } > "$inventory"

echo "simulated routers: $routers, $far ms away, one region"
for count in 1 3; do
  db="far$count"
  newdb "$db"
  "$discover" queue --inventory "$inventory" --store "$(url "$db")" >/dev/null
  start=$(now)
  pollers=()
  for ((p = 0; p < count; p++)); do
    "$discover" poller --store "$(url "$db")" --region far --name "far-$p" --jobs 2 --once \
      >"$work/$db-p$p.out" 2>"$work/$db-p$p.err" &
    pollers+=($!)
  done
  wait "${pollers[@]}"
  end=$(now)
  ok=$(psql_value "$db" "SELECT count(*) FROM devices WHERE status = 'ok'")
  printf '  %d poller(s), --jobs 2 each:           %s  (%s of %s ok)\n' \
    "$count" "$(rate "$routers" "$end" "$start")" "$ok" "$routers"
done
