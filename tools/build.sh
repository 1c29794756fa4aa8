#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds into BUILD_DIR (default: build). Extra arguments go to
# cmake's configure step, e.g. tools/build.sh -DERX_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

packages=(cmake g++ make pkg-config libre2-dev libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev rapidjson-dev
          libtelnet-dev libsnmp-dev snmpsim libmimalloc-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
