#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds into BUILD_DIR (default: build). Extra arguments go to
# cmake's configure step, e.g. tools/build.sh -DERX_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

packages=(cmake g++ make pkg-config libre2-dev libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev rapidjson-dev
          libtelnet-dev libsnmp-dev snmpsim libmimalloc-dev libyaml-cpp-dev
          libsqlite3-dev sqlite3 libgraphviz-dev libexpat1-dev libssh-dev
          openssh-client python3-jsonschema time pandoc man-db systemd
          libpq-dev postgresql
          libcpp-httplib-dev libcrypt-dev libssl-dev openssl
          chromium chromium-driver python3-selenium)
tools/install-packages.sh "${packages[@]}"

cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
