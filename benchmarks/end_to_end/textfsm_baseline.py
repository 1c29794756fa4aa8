#!/usr/bin/python3
"""The baseline of the end-to-end benchmark: parses the forwarding table, every
VRF's route table and every VRF's BGP next-hop table of a captured device with
three small TextFSM templates, and prints how many records each gave.

    textfsm_baseline.py DEVICE_DIR
"""
import os
import re
import sys

import textfsm

HERE = os.path.dirname(os.path.abspath(__file__))
PROMPT = re.compile(r"^[\w.-]+(?::[^#>()\s]+)*(?:\([^)]*\))?[#>](.*)$")


def replies(log):
    """(command, output) for each prompt line of a CLI log."""
    command, lines = None, []
    for line in log.split("\n"):
        line = line.rstrip("\r")
        prompt = PROMPT.match(line)
        if prompt:
            if command:
                yield command, "\n".join(lines) + "\n"
            command, lines = " ".join(prompt.group(1).split()), []
        elif command:
            lines.append(line)
    if command:
        yield command, "\n".join(lines) + "\n"


def template(name):
    with open(os.path.join(HERE, "textfsm", name)) as f:
        return textfsm.TextFSM(f)


def main():
    with open(os.path.join(sys.argv[1], "cli.log"), encoding="latin-1") as f:
        log = f.read()
    counts = {"forwarding": 0, "routes": 0, "next_hops": 0}
    for command, output in replies(log):
        if command == "show mpls forwarding brief":
            kind = "forwarding"
        elif command.startswith("show ip bgp vpnv4 vrf ") and command.endswith(" next-hops"):
            kind = "next_hops"
        elif command.startswith("show ip route vrf ") and len(command.split()) == 5:
            kind = "routes"
        else:
            continue
        counts[kind] += len(template(kind + ".textfsm").ParseText(output))
    print(" ".join("%s=%d" % item for item in counts.items()))


if __name__ == "__main__":
    main()
