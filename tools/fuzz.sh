#!/usr/bin/env bash
# Builds the fuzz targets with clang (installing clang and its fuzzer runtime
# when missing) into build-fuzz, cuts seeds from the shipped devices, and runs
# each target for SECONDS (default 30). Fails when any target finds a crash, a
# hang, a leak or a sanitizer report; the input is kept under
# build-fuzz/fuzz-findings/TARGET/ (copy it to fuzz/regressions/TARGET/ with
# the fix). Corpora grow in build-fuzz/fuzz-corpus/TARGET between runs.
#
#   tools/fuzz.sh                 every target, 30 s each
#   tools/fuzz.sh 600 cli_capture snmp_walk
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
shift || true
BUILD_DIR=build-fuzz

tools/install-packages.sh clang-14 libclang-rt-14-dev

CXX=clang++-14 BUILD_DIR=$BUILD_DIR tools/build.sh -DERX_FUZZ=ON -DERX_BENCHMARKS=OFF
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(cd "$BUILD_DIR/bin" && ls -- *_fuzzer | sed 's/_fuzzer$//'))
fi
rm -rf "$BUILD_DIR/fuzz-seeds"
"$BUILD_DIR/bin/fuzz_make_seeds" devices "$BUILD_DIR/fuzz-seeds"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for target in "${targets[@]}"; do
  corpus=$BUILD_DIR/fuzz-corpus/$target
  findings=$BUILD_DIR/fuzz-findings/$target
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${SECONDS_EACH} s"
  if ! "$BUILD_DIR/bin/${target}_fuzzer" -max_total_time="$SECONDS_EACH" -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
      "$corpus" "$BUILD_DIR/fuzz-seeds/$target" > "$BUILD_DIR/fuzz-$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$BUILD_DIR/fuzz-$target.log"
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' \
    "$BUILD_DIR/fuzz-$target.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $BUILD_DIR/fuzz-findings/)"
  exit 1
fi
