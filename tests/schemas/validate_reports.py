#!/usr/bin/env python3
"""Every kind of JSON erx-discover writes, checked against its schema in schemas/.

    validate_reports.py ERX_DISCOVER SOURCE_DIR

Reports of the shipped devices, of a capture that holds no command (failed)
and of one that lacks a context's walks (partial); the diff of two fleet runs
in which a device changed, one appeared and one failed; the label paths and
the VPN map of the small test network; the runs of a store (every kind of path end and finding,
and pushed labels from a later release's table).
"""
import json
import pathlib
import subprocess
import sys
import tempfile

import jsonschema

program, source = sys.argv[1], pathlib.Path(sys.argv[2]).resolve()
schemas = {name: json.loads((source / "schemas" / f"{name}.schema.json").read_text())
           for name in ("report", "diff", "paths", "vpns", "runs")}
failures = 0


def check(kind, what, text):
    global failures
    try:
        jsonschema.validate(json.loads(text), schemas[kind])
        print(f"ok      {kind}: {what}")
    except (jsonschema.ValidationError, json.JSONDecodeError) as error:
        failures += 1
        print(f"INVALID {kind}: {what}: {str(error).splitlines()[0]}")


def run(*arguments, statuses=(0,)):
    done = subprocess.run([program, *arguments], capture_output=True, text=True, timeout=120)
    if done.returncode not in statuses:
        raise SystemExit(f"{arguments}: exit {done.returncode}: {done.stderr}")
    return done.stdout


with tempfile.TemporaryDirectory() as scratch:
    scratch = pathlib.Path(scratch)
    devices = {"pe1-erx": source / "devices/pe1-erx",
               "pe2-erx-later-release": source / "devices/pe2-erx-later-release"}
    empty = scratch / "empty"
    empty.mkdir()
    (empty / "cli.log").write_text("pe9#\n")
    partial = scratch / "partial"
    partial.mkdir()
    (partial / "cli.log").write_text((source / "devices/pe1-erx/cli.log").read_text())
    (partial / "snmp.walk").write_text((source / "devices/pe1-erx/snmp.walk").read_text())

    for name, folder in devices.items():
        check("report", name, run("--capture", str(folder), "--format", "json"))
    check("report", "a capture without a command",
          run("--capture", str(empty), "--format", "json", statuses=(3,)))
    check("report", "a capture without its contexts' walks",
          run("--capture", str(partial), "--format", "json", statuses=(5,)))

    store = scratch / "fleet.db"
    inventory = scratch / "fleet.yaml"
    for devices_of_run, status in (
            ({"pe1": devices["pe1-erx"], "pe2": devices["pe1-erx"]}, 0),
            ({"pe1": devices["pe2-erx-later-release"], "pe2": empty, "pe3": devices["pe1-erx"]}, 4)):
        inventory.write_text("devices:\n" + "".join(
            f"  - name: {name}\n    capture: {folder}\n" for name, folder in devices_of_run.items()))
        run("--inventory", str(inventory), "--store", str(store), "--quiet", statuses=(status,))
    check("diff", "two fleet runs", run("diff", "--store", str(store), "--format", "json",
                                        statuses=(1,)))
    check("runs", "two fleet runs", run("runs", "--store", str(store), "--format", "json"))

    network = scratch / "network.db"
    inventory.write_text("devices:\n" + "".join(
        f"  - name: {folder.name}\n    capture: {folder}\n"
        for folder in sorted((source / "tests/network/devices").iterdir()) if folder.is_dir()) +
        f"  - name: pe2\n    capture: {devices['pe2-erx-later-release']}\n")
    run("--inventory", str(inventory), "--store", str(network), "--quiet")
    check("paths", "the test network", run("paths", "--store", str(network), "--format", "json"))
    check("paths", "paths through one router",
          run("paths", "--store", str(network), "--device", "p-b", "--format", "json"))
    check("vpns", "the test network", run("vpns", "--store", str(network), "--format", "json"))

sys.exit(1 if failures else 0)
