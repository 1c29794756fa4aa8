#!/usr/bin/env python3
"""The code's shape, as tools/lint.sh shape checks it:

- members: no class, struct or union defined in transports/ holds more than
  12 non-static data members, counted by clang on the compile database's
  commands (clang-query: the FieldDecls of each record's definition).
- exit codes: apps/ExitCodes.h alone names exit statuses; no other file
  defines a kExit name, an enum or constant named for exit codes, or uses
  EXIT_SUCCESS/EXIT_FAILURE, and the programs (apps/) return or exit with a
  name, never a number.
- live settings: discovery/LiveSettings.cpp is the one table of them; no
  other source of erx-discover spells a setting's --flag, or looks up or
  compares an inventory key of the table by its name. The simulator's own
  options are its own; tests, the README and the manual pages may quote them.

A line that is no second definition says why, on it or above it in the same
statement: `// NOSHAPE: the poller's own option`. Usage: tools/shape.py BUILD_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAX_MEMBERS = 12
EXIT_CODES = "apps/ExitCodes.h"
TABLE = "discovery/LiveSettings.cpp"
NOT_OURS = ("agents/",)  # the module keeps its own shape
NOT_PROGRAM = ("tests/", "fuzz/", "benchmarks/")
OTHER_PROGRAM = ("apps/erx-simulator/", "simulator/")

# A string or character literal (raw strings first), or a comment.
TOKEN = re.compile(
    r'R"(?P<delim>[^(\s]*)\((?P<raw>.*?)\)(?P=delim)"'
    r'|"(?P<text>(?:\\.|[^"\\\n])*)"'
    r"|'(?:\\.|[^'\\\n])*'"
    r"|//[^\n]*|/\*.*?\*/",
    re.S,
)


def sources():
    names = subprocess.check_output(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, text=True)
    return [n for n in names.split() if not n.startswith(NOT_OURS)]


class Source:
    def __init__(self, name):
        self.name = name
        self.text = open(os.path.join(ROOT, name), encoding="utf-8", errors="replace").read()
        self.lines = self.text.split("\n")
        self.literals = []  # (offset, end, value)
        code = []  # the text with comments and literals blanked, offsets kept
        last = 0
        for token in TOKEN.finditer(self.text):
            code.append(self.text[last:token.start()])
            value = token.group("raw") if token.group("raw") is not None else token.group("text")
            if value is not None:
                self.literals.append((token.start(), token.end(), value))
            code.append(re.sub(r"[^\n]", " ", token.group(0)))
            last = token.end()
        code.append(self.text[last:])
        self.code = "".join(code)

    def line_of(self, offset):
        return self.text.count("\n", 0, offset) + 1

    def excused(self, line):
        # A NOSHAPE: on the line, or above it in the same statement.
        for n in range(line, max(0, line - 6), -1):
            text = self.lines[n - 1]
            if "NOSHAPE:" in text:
                return True
            if n < line and text.rstrip().endswith((";", "{", "}")):
                return False
        return False


def finding(source, offset, message, findings):
    line = source.line_of(offset)
    if not source.excused(line):
        findings.append(f"{source.name}:{line}: {message}")


# --- members -----------------------------------------------------------------

RECORD = re.compile(
    r"^CXXRecordDecl 0x[0-9a-f]+(?: (?:parent|prev) 0x[0-9a-f]+)* <(?P<file>[^<>]*?):(?P<line>\d+):\d+")
NAME = re.compile(r"\b(?:class|struct|union)(?: (\w+))? definition$")


def transport_units(build):
    # The database's commands for transports/, and one unit made of every
    # header of transports/ (with the first one's flags), so a header that no
    # source of the room includes is counted too.
    database = json.load(open(os.path.join(build, "compile_commands.json")))
    units = [u for u in database
             if os.path.normpath(os.path.join(u["directory"], u["file"]))
             .startswith(os.path.join(ROOT, "transports") + os.sep)]
    if not units:
        sys.exit(f"shape: no unit of transports/ in {build}/compile_commands.json")
    folder = tempfile.mkdtemp(prefix="shape-", dir=build)
    headers = os.path.join(folder, "transports_headers.cpp")
    with open(headers, "w") as out:
        for name in sources():
            if name.startswith("transports/") and name.endswith(".h"):
                out.write(f'#include "{name}"\n')
    first = units[0]
    command = first["command"].replace(os.path.normpath(
        os.path.join(first["directory"], first["file"])), headers).replace(first["file"], headers)
    units.append({"directory": first["directory"], "file": headers, "command": command})
    with open(os.path.join(folder, "compile_commands.json"), "w") as out:
        json.dump(units, out)
    return folder, [u["file"] for u in units]


def count_members(build):
    folder, files = transport_units(build)
    query = ("set output dump\n"
             "match cxxRecordDecl(isDefinition(), isExpansionInFileMatching(\"^"
             + re.escape(ROOT + "/transports/") + "\"), unless(isImplicit()), "
             "unless(isLambda()), unless(isTemplateInstantiation()))\n")
    script = os.path.join(folder, "query")
    open(script, "w").write(query)
    # Two at a time, as the rest of the lint runs.
    halves = [files[0::2], files[1::2]]
    runs = [subprocess.Popen(["clang-query-14", "-p", folder, "-f", script] + half,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            for half in halves if half]
    outputs = [run.communicate() for run in runs]
    subprocess.run(["rm", "-rf", folder], check=True)
    for run, (_, errors) in zip(runs, outputs):
        if run.returncode != 0:
            sys.exit("shape: clang-query-14 failed:\n" + errors)
    members = {}  # (file, line) -> (name, count)
    record = None
    for out, _ in outputs:
        for line in out.split("\n"):
            found = RECORD.match(line)
            if line.startswith("CXXRecordDecl") and not found:
                sys.exit("shape: clang-query-14 printed a record this script cannot read:\n" + line)
            if found:
                name = NAME.search(line)
                record = (found.group("file"), int(found.group("line")))
                members[record] = ((name.group(1) if name and name.group(1) else "(unnamed)"), 0)
            elif record and re.match(r"[|`]-FieldDecl ", line):
                members[record] = (members[record][0], members[record][1] + 1)
            elif not line.startswith(("|", "`", " ")):
                record = None
    return members


def check_members(build, findings):
    members = count_members(build)
    for (path, line), (name, count) in sorted(members.items()):
        if count > MAX_MEMBERS:
            findings.append(f"{os.path.relpath(path, ROOT)}:{line}: {name} has {count} data "
                            f"members, more than {MAX_MEMBERS}: group those that go together")
    return f"{len(members)} records of transports/"


# --- exit codes --------------------------------------------------------------

EXIT_DEFINED = re.compile(
    r"\bkExit\w*\s*[={]"                                  # a kExit name given a value
    r"|\benum\b(?:\s+(?:class|struct))?\s+\w*Exit\w*"     # an enum of exit codes
    r"|\b(?:const|constexpr)\b[^;={}()]*\b\w*Exit(?:Code|Status)\w*\s*[={]"
    r"|#\s*define\s+\w*EXIT\w*"
    r"|\bEXIT_(?:SUCCESS|FAILURE)\b")
EXIT_NUMBER = re.compile(r"\breturn\s+-?\d+\s*;|\b(?:quick_|_)?[eE]xit\s*\(\s*-?\d+")


def check_exit_codes(all_sources, findings):
    for source in all_sources:
        if source.name == EXIT_CODES:
            continue
        for found in EXIT_DEFINED.finditer(source.code):
            finding(source, found.start(), f"an exit code outside {EXIT_CODES}: "
                    f"'{found.group(0).strip()}'", findings)
        if source.name.startswith("apps/"):
            for found in EXIT_NUMBER.finditer(source.code):
                finding(source, found.start(), f"an exit status as a number: "
                        f"'{found.group(0).strip()}'; name it from {EXIT_CODES}", findings)
    return f"{len(all_sources)} files"


# --- live settings -----------------------------------------------------------

SETTING = re.compile(r'\badd\(\s*"(?P<flag>[^"]*)",\s*"(?P<key>[^"]*)"')
LOOKUP_BEFORE = re.compile(r"(?:==|!=|\b(?:find|count|at|contains)\s*\(|\[)\s*$")
LOOKUP_AFTER = re.compile(r"^\s*(?:==|!=)")


def check_live_settings(all_sources, findings):
    table = next(s for s in all_sources if s.name == TABLE)
    # The table's literals are blanked in its code; read them from its text.
    settings = [m.groupdict() for m in SETTING.finditer(table.text)]
    if len(settings) < 10:
        sys.exit(f"shape: read only {len(settings)} settings from {TABLE}; has its form changed?")
    flags = {s["flag"] for s in settings if s["flag"]}
    keys = {s["key"] for s in settings if s["key"]}
    checked = 0
    for source in all_sources:
        if (source.name.startswith(NOT_PROGRAM + OTHER_PROGRAM)
                or source.name.startswith("discovery/LiveSettings.")):
            continue
        checked += 1
        for start, end, value in source.literals:
            # CLI11 names a flag "--flag" or "-f,--flag".
            names = value.split(",")
            flag = next((n.split("=")[0] for n in names if n.split("=")[0] in flags), None)
            if flag and value.startswith(("--", "-")) and " " not in value:
                finding(source, start, f"the live setting {flag} written outside {TABLE}",
                        findings)
            elif value in keys and (LOOKUP_BEFORE.search(source.code[max(0, start - 40):start])
                                    or LOOKUP_AFTER.match(source.code[end:end + 10])):
                finding(source, start, f"the inventory key {value} looked up outside {TABLE}",
                        findings)
    return f"{len(flags)} flags and {len(keys)} keys in {checked} files"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: tools/shape.py BUILD_DIR")
    build = os.path.abspath(sys.argv[1])
    if not os.path.isfile(os.path.join(build, "compile_commands.json")):
        print(f"shape: no {sys.argv[1]}/compile_commands.json; run tools/build.sh first")
        return 1
    all_sources = [Source(name) for name in sources()]
    failed = 0
    for title, check in (("data members", lambda f: check_members(build, f)),
                         ("exit codes", lambda f: check_exit_codes(all_sources, f)),
                         ("live settings", lambda f: check_live_settings(all_sources, f))):
        findings = []
        what = check(findings)
        for line in findings:
            print("  " + line)
        print(f"shape: {title}: {len(findings)} finding(s) in {what}")
        failed |= bool(findings)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
