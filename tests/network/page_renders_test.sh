#!/usr/bin/env bash
# The page of the test network's run, rendered by headless Chromium: skipped
# (77) where no Chromium is installed.
#
#   tests/network/page_renders_test.sh ERX_DISCOVER SOURCE_DIR
set -euo pipefail
discover=$1
source=$2
command -v chromium >/dev/null || command -v chromium-browser >/dev/null || exit 77
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$discover" --inventory "$source/tests/network/devices/network.yaml" --store "$work/network.db" \
  --jobs 2 --quiet >/dev/null
"$discover" html --store "$work/network.db" -o "$work/page.html"
"$source/tools/render-page.sh" "$work/page.html" "$work/page.png"
