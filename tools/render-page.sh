#!/usr/bin/env bash
# Renders a page with headless Chromium into a PNG and checks that it drew:
# the picture has the asked size and is not blank.
#
#   tools/render-page.sh PAGE.html OUT.png [WIDTH HEIGHT]
#
# Exit status 0 drawn, 1 not drawn, 77 when Chromium is not installed. The
# browser may not reach any host: every name resolves to nothing.
set -euo pipefail
page=$(realpath "$1")
png=$2
width=${3:-1200}
height=${4:-2000}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "render-page: no chromium installed" >&2
  exit 77
fi
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -f "$png"
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars \
  --user-data-dir="$profile" --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --disable-extensions --disable-default-apps \
  --host-resolver-rules="MAP * ~NOTFOUND" --window-size="$width,$height" \
  --screenshot="$png" "file://$page" >/dev/null 2>&1 || true
python3 - "$png" "$width" "$height" <<'PY'
import struct, sys, zlib
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
try:
    data = open(path, "rb").read()
except OSError:
    sys.exit("render-page: no picture was written")
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("render-page: not a PNG")
at, size, pixels = 8, None, b""
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body = data[at + 8:at + 8 + length]
    if kind == b"IHDR":
        size = struct.unpack(">II", body[:8])
    elif kind == b"IDAT":
        pixels += body
    at += 12 + length
if size != (width, height):
    sys.exit("render-page: picture of %s, not %dx%d" % (size, width, height))
# A blank page compresses to a few bytes of one value; a drawn one has many.
values = len(set(zlib.decompress(pixels)))
if values < 32:
    sys.exit("render-page: the picture is blank (%d byte values)" % values)
print("render-page: %s drawn, %dx%d, %d bytes, %d byte values" % (path, width, height, len(data), values))
PY
