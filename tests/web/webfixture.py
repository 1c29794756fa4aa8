"""What the web tests share: a store of two fleet runs, and `erx-discover serve`
started on 127.0.0.1 with a free port and stopped again.

Run 1 holds the test network (tests/network/devices/) and the shipped
devices; run 2 the same, with pe-a renamed and some of its strings replaced
by markup (written into the store directly: no inventory accepts such a
device name), so that every page and picture shows them as text, and p-c's
VRF red given another route distinguisher.
"""
import base64
import pathlib
import select
import signal
import sqlite3
import subprocess
import urllib.error
import urllib.request

HOSTILE_DEVICE = 'evil"><img src=x onerror=alert(1)>'
HOSTILE_VRF = "<script>alert(2)</script>"
HOSTILE_INTERFACE = "]]></svg><script>alert(3)</script>"
HOSTILE_LSP = "</svg><img src=x onerror=alert(4)>"
HOSTILE = (HOSTILE_DEVICE, HOSTILE_VRF, HOSTILE_INTERFACE, HOSTILE_LSP)


def make_store(program, source, folder):
    """The store of the two runs, in `folder`; its path."""
    source, folder = pathlib.Path(source).resolve(), pathlib.Path(folder)
    store = folder / "web.db"
    inventory = folder / "web.yaml"
    network = sorted(p for p in (source / "tests/network/devices").iterdir() if p.is_dir())
    shipped = [source / "devices/pe1-erx", source / "devices/pe2-erx-later-release"]
    inventory.write_text("devices:\n" + "".join(
        f"  - name: {p.name}\n    capture: {p}\n" for p in network + shipped))
    for _ in range(2):
        done = subprocess.run([program, "--inventory", str(inventory), "--store", str(store),
                               "--quiet"], capture_output=True, text=True, timeout=300)
        if done.returncode != 0:
            raise SystemExit(f"the fleet run failed ({done.returncode}): {done.stderr}")
    with sqlite3.connect(store) as db:
        (device,) = db.execute("SELECT id FROM devices WHERE run_id = 2 AND name = 'pe-a'").fetchone()
        db.execute("UPDATE devices SET name = ? WHERE id = ?", (HOSTILE_DEVICE, device))
        db.execute("UPDATE vrfs SET name = ? WHERE device_id = ? AND name = 'red'",
                   (HOSTILE_VRF, device))
        db.execute("UPDATE interfaces SET if_descr = ? WHERE device_id = ? AND if_descr = 'ip2/0.1'",
                   (HOSTILE_INTERFACE, device))
        db.execute("UPDATE label_entries SET lsp_name = ? WHERE device_id = ? AND lsp_name = 'to-pe-d'",
                   (HOSTILE_LSP, device))
        # and one change for the diff to show inside a device
        db.execute("UPDATE vrfs SET route_distinguisher = '100:33' WHERE name = 'red' AND device_id ="
                   " (SELECT id FROM devices WHERE run_id = 2 AND name = 'p-c')")
    return store


def no_proxy():
    return urllib.request.build_opener(urllib.request.ProxyHandler({}))


def get(url, user=None, password=None, method="GET"):
    """(status, headers, body) of one request."""
    request = urllib.request.Request(url, method=method)
    if user is not None:
        token = base64.b64encode(f"{user}:{password}".encode()).decode()
        request.add_header("Authorization", "Basic " + token)
    try:
        with no_proxy().open(request, timeout=60) as answer:
            return answer.status, answer.headers, answer.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read().decode()


class Server:
    """`erx-discover serve --store STORE --listen 127.0.0.1:0 ARGS...` while in a with block."""

    def __init__(self, program, store, *arguments):
        self.command = [program, "serve", "--store", str(store), "--listen", "127.0.0.1:0",
                        *arguments]

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], 30)
        line = self.process.stdout.readline() if ready else ""
        if "serving" not in line:
            self.process.kill()
            self.process.wait(10)
            raise SystemExit(f"serve did not start: {line!r} {self.process.stderr.read()}")
        self.url = line.split(" at ")[-1].strip().rstrip("/")
        return self

    def __exit__(self, *_):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.status = self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
            raise SystemExit("serve did not stop on SIGTERM")
        self.process.stdout.close()
        self.process.stderr.close()
