#!/usr/bin/env python3
"""`erx-discover serve` over HTTP: every page and its JSON, the JSON against
the schemas in schemas/, unknown runs and devices, markup from routers shown
as text, and who may get in.

    http_test.py ERX_DISCOVER SOURCE_DIR
"""
import ctypes
import html
import json
import pathlib
import ssl
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ElementTree

import jsonschema

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import webfixture  # noqa: E402
from webfixture import HOSTILE, HOSTILE_DEVICE, get  # noqa: E402

program, source = sys.argv[1], pathlib.Path(sys.argv[2]).resolve()
# Without their relative $id, which Debian's jsonschema 4.10 resolves "#/$defs/..." against twice.
schemas = {path.name[:-len(".schema.json")]:
           {k: v for k, v in json.loads(path.read_text()).items() if k != "$id"}
           for path in (source / "schemas").glob("*.schema.json")}
failures = 0


def check(condition, what):
    global failures
    if condition:
        print(f"ok      {what}")
    else:
        failures += 1
        print(f"FAILED  {what}")


def valid(kind, data, what):
    try:
        jsonschema.validate(data, schemas[kind])
        check(True, f"{what} matches {kind}.schema.json")
    except jsonschema.ValidationError as error:
        check(False, f"{what} matches {kind}.schema.json: {str(error).splitlines()[0]}")


def crypt_hash(password, method):
    library = ctypes.CDLL("libcrypt.so.1")
    library.crypt_gensalt.restype = ctypes.c_char_p
    library.crypt.restype = ctypes.c_char_p
    setting = library.crypt_gensalt(method, 0, None, 0)
    return library.crypt(password.encode(), setting).decode()


def refused(store, *arguments):
    """The exit status and standard error of a serve that must not start."""
    done = subprocess.run([program, "serve", "--store", str(store), *arguments],
                          capture_output=True, text=True, timeout=30)
    return done.returncode, done.stderr


DEVICE = "/runs/2/devices/" + urllib.parse.quote(HOSTILE_DEVICE, safe="")
PAGES = ["/", "/?limit=1&offset=1", "/runs/1", "/runs/2?status=ok&name=p", DEVICE,
         "/runs/1/devices/pe-a", "/runs/1/devices/pe1-erx?offset=2&limit=3",
         "/search?q=red", "/search?q=100:10", "/search?q=10.0.1.2", "/search?q=10.0.0.0/8&run=1",
         "/search?q=script", "/search?q=%3C%2Fsvg", "/runs/2/paths", "/runs/2/paths?device=p-b",
         "/runs/2/vpns", "/runs/2/vpns?device=pe-d", "/diff?a=1&b=2", "/diff?a=1&b=2&device=p-c",
         "/diff?a=1&b=1"]
SCHEMA_OF = {"/": "web-runs", "/runs/1": "web-run", "/runs/2/paths": "paths", "/runs/2/vpns": "vpns",
             "/diff?a=1&b=2": "diff", "/search?q=red": "web-search", DEVICE: "web-device",
             "/runs/1/devices/pe1-erx?offset=2&limit=3": "web-device"}

with tempfile.TemporaryDirectory() as scratch:
    scratch = pathlib.Path(scratch)
    store = webfixture.make_store(program, source, scratch)

    with webfixture.Server(program, store) as server:
        # Every page and its JSON twin answer, with the headers that keep
        # a page to our own script.
        for page in PAGES:
            for url, kind in ((page, "text/html"), ("/api" + page, "application/json")):
                status, headers, body = get(server.url + url)
                policy = headers.get("Content-Security-Policy", "")
                check(status == 200 and headers.get_content_type() == kind and
                      "script-src 'self'" in policy and "default-src 'none'" in policy and
                      headers.get("X-Content-Type-Options") == "nosniff", f"{url} answers {kind}")
                if kind == "application/json" and status == 200 and page in SCHEMA_OF:
                    data = json.loads(body)
                    valid(SCHEMA_OF[page], data, url)
                    if SCHEMA_OF[page] == "web-device":
                        valid("report", data["report"], url + " report")
        for url, kind in (("/runs/2/paths.svg", "image/svg+xml"), ("/runs/2/vpns.svg", "image/svg+xml"),
                          ("/runs/2/paths.svg?device=p-b", "image/svg+xml"),
                          ("/static/style.css", "text/css"), ("/static/table.js", "text/javascript")):
            status, headers, _ = get(server.url + url)
            check(status == 200 and headers.get_content_type() == kind, f"{url} answers {kind}")

        # What the answers say.
        api = lambda url: json.loads(get(server.url + "/api" + url)[2])  # noqa: E731
        runs = api("/")
        check([r["id"] for r in runs["runs"]] == [2, 1] and runs["runs"][0]["previous"] == 1 and
              runs["runs"][0]["sincePrevious"] == {"appeared": 1, "disappeared": 1,
                                                   "statusChanged": 0},
              "the runs, newest first, with what came and went since the run before")
        found = api("/search?q=red")["results"]
        check({("vrf", "p-c"), ("vrf", "pe-d")} <=
              {(r["kind"], r["device"]) for r in found if r["value"] == "red"} and
              not any(r["device"] == HOSTILE_DEVICE and r["kind"] == "vrf" for r in found),
              "search red: the VRFs named red of the last run")
        check(any(r["kind"] == "routeTarget" and r["value"] == "100:10" for r in
                  api("/search?q=100:10")["results"]), "search 100:10: route targets")
        check(any(r["kind"] == "address" and r["device"] == "p-b" for r in
                  api("/search?q=10.0.1.2")["results"]), "search 10.0.1.2: p-b's address")
        check({r["device"] for r in api("/search?q=10.0.0.0/8&run=1")["results"]
               if r["kind"] == "address"} >= {"pe-a", "p-b", "p-c", "pe-d"},
              "search 10.0.0.0/8 in run 1: the addresses inside the prefix")
        check(api("/search?q=1&limit=3")["truncated"], "a search that finds too much says so")
        ends = {p["end"] for p in api("/runs/2/paths")["paths"]}
        check({"broken", "loop", "leaves", "egress"} <= ends, "paths: every kind of end")
        page = api("/runs/1/devices/pe1-erx?offset=2&limit=3")
        check(len(page["report"]["labelEntries"]) == 3 and page["labelEntries"]["total"] > 3 and
              [h["run"] for h in page["history"]] == [2, 1],
              "device: a page of its label entries, and the runs it was in")
        changes = {d["device"]: d["change"] for d in api("/diff?a=1&b=2")["devices"]}
        check(changes.get("pe-a") == "disappeared" and changes.get(HOSTILE_DEVICE) == "appeared",
              "diff: the renamed device went and came")
        one = get(server.url + "/diff?a=1&b=2&device=p-c")[2]
        check([d["device"] for d in api("/diff?a=1&b=2&device=p-c")["devices"]] == ["p-c"] and
              "route distinguisher 100:3 -&gt; 100:33" in one and "pe-a" not in one,
              "diff of one device: only its changes")
        check("no changes" in get(server.url + "/diff?a=1&b=1")[2], "diff of a run with itself")
        status, headers, _ = get(server.url + "/api/runs/1?limit=2")
        check(status == 200 and headers.get("X-Total-Count") == "6", "a list says how long it is")

        # Markup from the routers is text wherever it lands.
        for url in ["/runs/2", DEVICE, "/runs/2/paths", "/runs/2/vpns", "/diff?a=1&b=2",
                    "/search?q=script", "/search?q=%3C%2Fsvg", "/search?q=img"]:
            body = get(server.url + url)[2]
            shown = [s for s in HOSTILE if html.escape(s, quote=True) in body]
            raw = [s for s in HOSTILE if s in body]
            check(not raw and shown and body.count("<script") == 1, f"{url}: markup shown as text")
        for url in ["/runs/2/paths.svg", "/runs/2/vpns.svg"]:
            svg = get(server.url + url)[2]
            try:
                root = ElementTree.fromstring(svg)
                text = "".join(root.itertext())
                scripts = [e for e in root.iter() if e.tag.endswith("script")]
                check(not scripts and HOSTILE_DEVICE in text, f"{url}: markup drawn as text")
            except ElementTree.ParseError as error:
                check(False, f"{url}: not XML: {error}")

        # Unknown runs, devices and addresses: 404 with a page.
        for url, says in (("/runs/99", "no run 99"), ("/runs/1/devices/nosuch", "no device nosuch"),
                          ("/runs/99/paths", "no run 99"), ("/runs/99/vpns.svg", "no run 99"),
                          ("/diff?a=1&b=99", "no run 99"), ("/runs/1/paths?device=nosuch",
                                                            "no discovered device nosuch"),
                          ("/nosuch", "no page at /"),
                          ("/runs/99999999999999999999", "no run 99999999999999999999")):
            status, headers, body = get(server.url + url)
            check(status == 404 and headers.get_content_type() == "text/html" and says in body,
                  f"{url}: 404 with a page")
            status, headers, body = get(server.url + "/api" + url)
            check(status == 404 and says in json.loads(body)["error"], f"/api{url}: 404 in JSON")
        status, _, body = get(server.url + "/runs/1?limit=0")
        check(status == 400 and "limit must be a number from 1 to 1000" in body, "a bad limit: 400")
        status, headers, _ = get(server.url + "/", method="POST")
        check(status == 405 and headers.get("Allow") == "GET, HEAD", "nothing may be written: 405")
    check(server.status == 0, "serve stops on SIGTERM with status 0")

    # Who may get in.
    users = scratch / "users"
    users.write_text(f"# web users\nada:{crypt_hash('right horse', b'$y$')}\n"
                     f"bob:{crypt_hash('battery', b'$6$')}\n")
    users.chmod(0o600)
    status, problem = refused(store, "--listen", "0.0.0.0:0")
    check(status == 2 and "not a loopback address" in problem and "--auth-file" in problem,
          "0.0.0.0 without --auth-file: refuses to start and says why")
    status, problem = refused(store, "--listen", "0.0.0.0:0", "--auth-file", str(users))
    check(status == 2 and "--tls-cert" in problem and "--insecure-http" in problem,
          "0.0.0.0 without TLS: refuses to start and says why")
    users.chmod(0o644)
    status, problem = refused(store, "--auth-file", str(users))
    check(status == 2 and "chmod 600" in problem, "an auth file others may read: refused")
    users.chmod(0o600)
    status, problem = refused(scratch / "nothing.db")
    check(status == 2 and "no results store" in problem, "no store: refused")

    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-keyout", str(scratch / "key.pem"),
                    "-out", str(scratch / "cert.pem")], check=True, capture_output=True, timeout=60)
    with webfixture.Server(program, store, "--auth-file", str(users), "--tls-cert",
                           str(scratch / "cert.pem"), "--tls-key", str(scratch / "key.pem")) as server:
        check(server.url.startswith("https://127.0.0.1:"), "TLS: serves https")
        context = ssl.create_default_context(cafile=str(scratch / "cert.pem"))
        context.check_hostname = False
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}),
                                             urllib.request.HTTPSHandler(context=context))
        webfixture.no_proxy = lambda: opener
        for user, password, expected in ((None, None, 401), ("ada", "wrong", 401),
                                         ("nobody", "right horse", 401), ("ada", "right horse", 200),
                                         ("bob", "battery", 200)):
            for url in ("/runs/1", "/api/runs/1", "/runs/1/paths.svg", "/nosuch"):
                status, headers, body = get(server.url + url, user, password)
                if expected == 401:
                    check(status == 401 and "pe-a" not in body and
                          headers.get("WWW-Authenticate", "").startswith("Basic"),
                          f"{user}/{password} {url}: 401 and no data")
                else:
                    check(status == (404 if url == "/nosuch" else 200), f"{user} {url}: answered")
    check(server.status == 0, "serve over TLS stops on SIGTERM with status 0")

print(f"{failures} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
