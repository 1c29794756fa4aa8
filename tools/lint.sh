#!/usr/bin/env bash
# Checks the code before the tests run: clang-format (the file as written must
# be what .clang-format makes of it), the code's shape (tools/shape.py: data
# members per class in transports/, exit codes and live settings each defined
# in one place) and clang-tidy (the tree's .clang-tidy, no finding allowed).
# Needs a configured build for its compile database and generated headers
# (tools/build.sh makes one); BUILD_DIR defaults to build.
#
#   tools/lint.sh               every check
#   tools/lint.sh format        only clang-format
#   tools/lint.sh shape         only the shape
#   tools/lint.sh tidy [REGEX]  only clang-tidy, on the sources matching REGEX
#
# clang-tidy runs two files at a time (LINT_JOBS) and remembers the files it
# found clean under BUILD_DIR/lint-cache: a file is checked again when it, a
# header of ours that it included when last built, its compile command, a
# .clang-tidy that applies to it or the tool changes. The module (agents/)
# keeps its own shape and is not checked.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${LINT_JOBS:-2}
what=${1:-all}
only=${2:-.}

tools/install-packages.sh clang-format-14 clang-tidy-14 clang-tools-14

failed=0

check_format() {
  local files bad
  files=$(git ls-files '*.cpp' '*.h' | grep -v '^agents/')
  # One run over every file; the files named in its complaints are out of style.
  bad=$(echo "$files" | xargs clang-format-14 --dry-run -Werror 2>&1 |
        sed -n 's/^\([^: ]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' |
        sort -u || true)
  if [ -n "$bad" ]; then
    echo "clang-format: $(echo "$bad" | wc -l) file(s) not in the code's style (clang-format-14 -i FILE):"
    echo "$bad" | sed 's/^/  /'
    failed=1
  else
    echo "clang-format: $(echo "$files" | wc -l) file(s) in style"
  fi
}

# One line per translation unit of ours outside agents/: the key of its check
# (everything that can change what clang-tidy says of it), then its source.
tidy_units() {
  python3 - "$BUILD_DIR/compile_commands.json" "$PWD" "$(clang-tidy-14 --version)" <<'PY'
import hashlib, json, os, shlex, sys
database, root, tool = sys.argv[1], sys.argv[2], sys.argv[3]


def configs(name):
    # The .clang-tidy files that apply to `name`, the root's first.
    folders = name.split("/")[:-1]
    text = b""
    for depth in range(len(folders) + 1):
        path = os.path.join(root, *folders[:depth], ".clang-tidy")
        if os.path.isfile(path):
            text += open(path, "rb").read()
    return text

build = os.path.realpath(os.path.dirname(database))

def ours(path):
    return path.startswith(root + "/") and not path.startswith(build + "/")

for unit in json.load(open(database)):
    directory = unit["directory"]
    source = os.path.normpath(os.path.join(directory, unit["file"]))
    name = source[len(root) + 1:]
    if not ours(source) or name.startswith("agents/"):
        continue
    key = hashlib.sha1(tool.encode() + configs(name) + unit["command"].encode())
    key.update(open(source, "rb").read())
    words = shlex.split(unit["command"])
    deps = os.path.join(directory, words[words.index("-o") + 1] + ".d") if "-o" in words else ""
    if os.path.exists(deps):
        # The object's rule: its name, a colon, then the files it was made of,
        # named from the folder the compiler ran in.
        text = open(deps).read().replace("\\\n", " ")
        for word in sorted(set(text.split(": ", 1)[-1].split())):
            header = os.path.normpath(os.path.join(directory, word))
            if ours(header) and os.path.isfile(header):
                key.update(header.encode() + open(header, "rb").read())
    else:
        key.update(os.urandom(8))  # not built yet: no record of its headers
    print(key.hexdigest(), name)
PY
}

tidy_one() {
  local key=$1 src=$2 out
  [ -f "$BUILD_DIR/lint-cache/$key" ] && return 0
  # The compiler's own warnings are the build's to report (-Werror there).
  if out=$(clang-tidy-14 -p "$BUILD_DIR" --quiet --warnings-as-errors='*' \
      --extra-arg=-Wno-error "$src" 2>&1); then
    touch "$BUILD_DIR/lint-cache/$key"
  else
    # The findings, without the counts of warnings suppressed in other files.
    echo "$out" | grep -vE '^[0-9]+ warnings?( and [0-9]+ errors?)? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^[0-9]+ warnings? treated as errors$'
    return 1
  fi
}
export -f tidy_one
export BUILD_DIR

check_tidy() {
  if [ ! -f "$BUILD_DIR/compile_commands.json" ]; then
    echo "clang-tidy: no $BUILD_DIR/compile_commands.json; run tools/build.sh first"
    failed=1
    return
  fi
  mkdir -p "$BUILD_DIR/lint-cache"
  local units count
  units=$(tidy_units | awk -v only="$only" '$2 ~ only' | sort -k2 -u)
  count=$(echo "$units" | grep -c . || true)
  if ! echo "$units" | xargs -r -P "$JOBS" -n 2 bash -c 'tidy_one "$0" "$1"'; then
    echo "clang-tidy: findings above (in $count file(s) checked)"
    failed=1
  else
    echo "clang-tidy: $count file(s) without a finding"
  fi
}

check_shape() {
  python3 tools/shape.py "$BUILD_DIR" || failed=1
}

case $what in
  format) check_format ;;
  shape) check_shape ;;
  tidy) check_tidy ;;
  all) check_format; check_shape; check_tidy ;;
  *) echo "usage: tools/lint.sh [all|format|shape|tidy [REGEX]]" >&2; exit 2 ;;
esac
exit $failed
