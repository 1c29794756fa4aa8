#!/usr/bin/env bash
# End-to-end benchmark: generates large captured devices, discovers each with
# erx-discover (JSON report) and parses the same forwarding, route and next-hop
# replies with TextFSM, whole process each, median of RUNS runs. Prints one table.
#
#   benchmarks/end_to_end/run.sh [build/bin/erx-discover]
#
# WORK (default /tmp/erx-bench) holds the generated devices and reports; RUNS
# defaults to 3. Installs Debian's python3-textfsm when it is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "${1:-$here/../../build/bin/erx-discover}")
work=${WORK:-/tmp/erx-bench}
runs=${RUNS:-3}

"$here/../../tools/install-packages.sh" python3-textfsm
[ -x "$bin" ] || { echo "no erx-discover at $bin (build first: tools/build.sh)" >&2; exit 2; }
mkdir -p "$work"

# name destinations vrfs routes-per-vrf
devices=(
  "10k 10000 20 250"
  "100k 100000 200 250"
  "300k 300000 0 0"
  "vrf-20x5000 100000 20 5000"
  "labels-10k 10000 0 0"
  "vrf-200x250 10000 200 250"
  "vrf-2000x25 10000 2000 25"
)
# Measured against TextFSM, in the table.
compared=(10k 100k 300k vrf-20x5000)

# Wall seconds, peak KiB and CPU seconds of the run with the median wall time
# of RUNS runs. CPU time tells more than wall time on a machine shared with others.
measure() {
  local out=() i
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null 2>&1
    out+=("$(awk '{ printf "%s %s %.2f", $1, $2, $3 + $4 }' "$work/time")")
  done
  printf '%s\n' "${out[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

declare -A wall mem cpu fsm_wall fsm_mem fsm_cpu size
for shape in "${devices[@]}"; do
  read -r name dests vrfs routes <<<"$shape"
  dir="$work/$name"
  if [ ! -f "$dir/cli.log" ]; then
    rm -rf "$dir"
    /usr/bin/python3 "$here/generate_device.py" "$dir" --destinations "$dests" --vrfs "$vrfs" \
      --routes "$routes"
  fi
  size[$name]=$(du -sLm "$dir" | cut -f1)
  read -r wall[$name] mem[$name] cpu[$name] < <(measure "$bin" --capture "$dir" --format json -o "$work/$name.json")
  case " ${compared[*]} " in
    *" $name "*)
      read -r fsm_wall[$name] fsm_mem[$name] fsm_cpu[$name] < <(measure /usr/bin/python3 "$here/textfsm_baseline.py" "$dir") ;;
  esac
done

echo
echo "| device | capture | erx-discover wall (CPU) | peak memory | TextFSM wall (CPU) | TextFSM peak | erx / TextFSM wall (CPU) |"
echo "|---|---|---|---|---|---|---|"
for name in "${compared[@]}"; do
  awk -v n="$name" -v s="${size[$name]}" -v w="${wall[$name]}" -v m="${mem[$name]}" -v c="${cpu[$name]}" \
      -v fw="${fsm_wall[$name]}" -v fm="${fsm_mem[$name]}" -v fc="${fsm_cpu[$name]}" 'BEGIN {
    printf "| %s | %d MB | %.2f s (%.2f s) | %.0f MiB | %.2f s (%.2f s) | %.0f MiB | %.2f (%.2f) |\n",
           n, s, w, c, m / 1024, fw, fc, fm / 1024, w / fw, c / fc }'
done
echo
# CPU time per item (a destination or a VRF route): the 10k and 100k devices
# hold twice as many destinations as routes, the 300k one destinations only.
# The VRF cost leaves out what the same 10,000 destinations cost alone. Memory
# per item is what a larger device of the same kind peaks higher, per item more.
awk -v a="${cpu[10k]}" -v b="${cpu[100k]}" -v c="${cpu[300k]}" -v l="${cpu[labels-10k]}" \
    -v v1="${cpu[vrf-200x250]}" -v v2="${cpu[vrf-2000x25]}" \
    -v ml="${mem[labels-10k]}" -v m3="${mem[300k]}" -v mv="${mem[vrf-200x250]}" 'BEGIN {
  pa = a / 15000 * 1e6; pb = b / 150000 * 1e6; pc = c / 300000 * 1e6
  printf "CPU per destination or route: %.2f us at 10k, %.2f us at 100k, %.2f us at 300k (x%.2f from 10k to 300k)\n",
         pa, pb, pc, pc / pa
  ra = (v1 - l) / 50000 * 1e6; rb = (v2 - l) / 50000 * 1e6
  printf "CPU per VRF route: %.2f us with 200 x 250, %.2f us with 2,000 x 25 (x%.2f)\n", ra, rb, rb / ra
  printf "memory: %.0f bytes per label entry (10k to 300k destinations), %.0f bytes per VRF route (200 x 250 on 10k)\n",
         (m3 - ml) * 1024 / 290000, (mv - ml) * 1024 / 50000
}'
