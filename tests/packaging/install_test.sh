#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, and
# runs the moved erx-discover from another folder: on the installed example
# device, and on a fleet of it with a store. Nothing of the build tree may be
# used: the module, the host's library and the device come from the prefix.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/first" >/dev/null
mv "$scratch/first" "$scratch/moved"
prefix=$scratch/moved
program=$prefix/bin/erx-discover
for file in bin/erx-simulator lib/erx-discover/libAgentUnisphereMPLSTelnet.so \
            lib/erx-discover/libPelkHost.so share/erx-discover/schemas/report.schema.json \
            share/erx-discover/devices/pe1-erx/cli.log share/man/man1/erx-discover.1.gz \
            share/man/man1/erx-simulator.1.gz share/bash-completion/completions/erx-discover \
            lib/systemd/system/erx-discover-nightly.timer lib/systemd/system/erx-discover-poller@.service; do
  [ -e "$prefix/$file" ] || fail "$file not installed"
done

mkdir "$scratch/work"
cd "$scratch/work"
grep -qF "libPelkHost.so => $prefix/bin/../lib/erx-discover/libPelkHost.so" <<<"$(ldd "$program")" ||
  fail "the host's library is not the installed one: $(ldd "$program" | grep Pelk)"
grep -Eq '^erx-discover [0-9]+\.[0-9]+\.[0-9]+' <<<"$("$program" --version)" || fail "--version"
grep -Eq '^erx-simulator [0-9]+\.[0-9]+\.[0-9]+' <<<"$("$prefix/bin/erx-simulator" --version)" ||
  fail "erx-simulator --version"
grep -qF "$prefix/lib/erx-discover/libAgentUnisphereMPLSTelnet.so" <<<"$("$program" --help)" ||
  fail "the default module is not the installed one"

"$program" --format json -o report.json || fail "the example device: exit $?"
grep -q "\"source\": \"$prefix/share/erx-discover/devices/pe1-erx" report.json ||
  fail "the example device is not the installed one"
grep -q '"generator": "erx-discover ' report.json || fail "the report names no generator"

cat > fleet.yaml <<YAML
devices:
  - name: pe1
    capture: $prefix/share/erx-discover/devices/pe1-erx
YAML
"$program" --inventory fleet.yaml --store fleet.db --jobs 1 --quiet >summary.txt ||
  fail "the fleet run: exit $?: $(cat summary.txt)"
grep -q "^pe1 *ok " summary.txt || fail "the fleet summary: $(cat summary.txt)"
"$program" paths --store fleet.db >/dev/null || fail "paths on the store"
echo "installed, moved and run from $prefix"
