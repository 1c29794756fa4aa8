#!/usr/bin/env bash
# Builds the Debian package from the build folder (BUILD_DIR, default build),
# lists it, runs lintian on it, installs it on this machine with apt-get, runs
# the installed erx-discover on the installed example device, finds its manual
# page, and removes the package again. Refuses to run where erx-discover is
# already installed as a package, so as not to remove someone's install.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
fail() { echo "package-check: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' erx-discover 2>/dev/null | grep -q "install ok installed"; then
  fail "erx-discover is already installed as a package here; remove it first"
fi
tools/install-packages.sh lintian man-db dpkg-dev file
version=$(sed -n 's/^CPACK_PACKAGE_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
[ -n "$version" ] || version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
deb=$PWD/$BUILD_DIR/erx-discover_${version}_$(dpkg --print-architecture).deb

rm -f "$deb"
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || fail "cpack made no $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg-deb --contents "$deb"
# Errors fail the check; the warnings kept are explained in the README.
lintian --fail-on error --suppress-tags-from-file packaging/debian/lintian-explained "$deb"

trap '$SUDO apt-get remove --purge -y -qq erx-discover >/dev/null' EXIT
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
command -v erx-discover | grep -qx /usr/bin/erx-discover || fail "no /usr/bin/erx-discover"
erx-discover --version
scratch=$(mktemp -d)
(cd "$scratch" && erx-discover --format json -o report.json) || fail "the installed example device: exit $?"
grep -q '"source": "/usr/share/erx-discover/devices/pe1-erx' "$scratch/report.json" ||
  fail "the report is not of the installed example device"
grep -q '"status": "ok"' "$scratch/report.json" || fail "the installed example device is not ok"
rm -rf "$scratch"
man -w erx-discover
man -w erx-simulator
echo "package-check: $(basename "$deb") built, checked, installed, run and removed"
