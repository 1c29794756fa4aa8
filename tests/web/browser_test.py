#!/usr/bin/env python3
"""`erx-discover serve` in a real browser (Debian's chromium through
chromedriver and Selenium), as an engineer uses it: the runs, a run, a
device, three searches, the label paths with their broken and looping ends,
a diff; and a device whose strings carry markup, shown as text everywhere
with no script of theirs run. Each step's screenshot is kept in SHOTS and
checked not to be blank.

    browser_test.py ERX_DISCOVER SOURCE_DIR SHOTS
"""
import pathlib
import struct
import sys
import tempfile
import zlib

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import webfixture  # noqa: E402
from webfixture import HOSTILE, HOSTILE_DEVICE  # noqa: E402

program, source, shots = sys.argv[1], pathlib.Path(sys.argv[2]).resolve(), pathlib.Path(sys.argv[3])
shots.mkdir(parents=True, exist_ok=True)
failures = 0


def check(condition, what):
    global failures
    print(("ok      " if condition else "FAILED  ") + what, flush=True)
    if not condition:
        failures += 1


def colours(png):
    """How many distinct pixels an 8-bit RGB or RGBA PNG holds (at most 1000 counted)."""
    width, height, depth, kind = struct.unpack(">IIBB", png[16:26])
    channels = {2: 3, 6: 4}.get(kind)
    if depth != 8 or not channels:
        return 0
    data, at = b"", 8
    while at < len(png):
        length, name = struct.unpack(">I4s", png[at:at + 8])
        if name == b"IDAT":
            data += png[at + 8:at + 8 + length]
        at += 12 + length
    raw, stride = zlib.decompress(data), width * channels
    previous, seen = bytearray(stride), set()
    for row in range(height):
        kind_of_filter = raw[row * (stride + 1)]
        line = bytearray(raw[row * (stride + 1) + 1:(row + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind_of_filter == 1:
                line[i] = (line[i] + left) & 255
            elif kind_of_filter == 2:
                line[i] = (line[i] + up) & 255
            elif kind_of_filter == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind_of_filter == 4:
                p = left + up - corner
                guess = min((abs(p - left), 0, left), (abs(p - up), 1, up),
                            (abs(p - corner), 2, corner))[2]
                line[i] = (line[i] + guess) & 255
        previous = line
        if row % 8 == 0:
            seen.update(bytes(line[i:i + channels]) for i in range(0, stride, channels * 4))
            if len(seen) >= 1000:
                break
    return len(seen)


def shot(driver, name):
    path = shots / f"{name}.png"
    png = driver.get_screenshot_as_png()
    path.write_bytes(png)
    check(colours(png) > 20, f"screenshot {path.name} is not blank")


def no_foreign_script(driver, where):
    """No alert, no script element but ours, no image of theirs."""
    try:
        driver.switch_to.alert
        alerted = True
    except NoAlertPresentException:
        alerted = False
    scripts = driver.execute_script(
        "return Array.from(document.querySelectorAll('script')).map(s => s.src)")
    images = driver.execute_script(
        "return document.querySelectorAll('img[src=\"x\"], img[onerror]').length")
    check(not alerted and all(s.endswith("/static/table.js") for s in scripts) and images == 0,
          f"{where}: no script of the router's ran")


def follow(driver, element, action="click"):
    """Click a link or submit a form, and wait until the next page has
    replaced this one: a click returns before the browser has navigated, and
    the old page's elements would go stale under the checks that follow."""
    page = driver.find_element(By.TAG_NAME, "html")
    getattr(element, action)()
    WebDriverWait(driver, 30).until(expected_conditions.staleness_of(page))


def rows(driver, table):
    return [r.text for r in driver.find_elements(By.CSS_SELECTOR, f"#{table} tbody tr")
            if r.is_displayed()]


with tempfile.TemporaryDirectory() as scratch:
    store = webfixture.make_store(program, source, scratch)
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--no-proxy-server",
                 f"--user-data-dir={scratch}/profile", "--window-size=1280,1000"):
        options.add_argument(flag)
    with webfixture.Server(program, store) as server:
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.set_page_load_timeout(60)
            driver.get(server.url + "/")
            check([r.split()[0:2] for r in rows(driver, "runs")] == [["run", "2"], ["run", "1"]],
                  "/: the runs, newest first")
            shot(driver, "01-runs")

            follow(driver, driver.find_element(By.LINK_TEXT, "run 2"))
            check(driver.current_url.endswith("/runs/2") and
                  {r.split()[0] for r in rows(driver, "devices")} >= {"p-b", "p-c", "pe-d", "pe1-erx"},
                  "a run: its devices")
            heading = driver.find_element(By.XPATH, "//table[@id='devices']//th[text()='label entries']")
            heading.click()
            heading.click()
            counts = [int(r.find_elements(By.TAG_NAME, "td")[3].text)
                      for r in driver.find_elements(By.CSS_SELECTOR, "#devices tbody tr")]
            check(counts == sorted(counts, reverse=True), "a run: sorted by label entries, most first")
            box = driver.find_element(By.CSS_SELECTOR, "input.filter")
            box.send_keys("pe-")
            check(sorted(r.split()[0] for r in rows(driver, "devices")) == ["pe-d"],
                  "a run: the filter keeps the devices it names")
            box.send_keys(Keys.BACKSPACE * 3)
            check(len(rows(driver, "devices")) == 6, "a run: an empty filter shows them all")
            shot(driver, "02-run")

            follow(driver, driver.find_element(By.LINK_TEXT, "p-b"))
            check("p-b in run 2" in driver.find_element(By.TAG_NAME, "h1").text and
                  any("blue" in r and "100:12" in r for r in rows(driver, "vrfs")) and
                  any("to-pe-d" in r for r in rows(driver, "labels")),
                  "a device: its VRFs and label entries")
            shot(driver, "03-device")

            for words, section, expected, name in (("red", "VRFs", "p-c", "04-search-vrf"),
                                                   ("100:10", "Route targets", "pe-d", "05-search-rt"),
                                                   ("10.0.1.2", "Addresses and prefixes", "p-b",
                                                    "06-search-address")):
                box = driver.find_element(By.CSS_SELECTOR, "nav input[name=q]")
                box.send_keys(words)
                follow(driver, box, "submit")
                headings = [h.text for h in driver.find_elements(By.TAG_NAME, "h2")]
                found = driver.find_element(By.TAG_NAME, "main").text
                check(section in headings and expected in found, f"search {words}: {section}")
                shot(driver, name)
            follow(driver, driver.find_element(By.CSS_SELECTOR, "main table a"))
            check("/devices/" in driver.current_url, "search: a result leads to its device")

            driver.get(server.url + "/runs/2/paths")
            ends = {r.split()[0] for r in rows(driver, "paths")}
            picture = driver.find_element(By.CSS_SELECTOR, "figure img")
            check({"broken", "loop"} <= ends and
                  any(r.startswith("broken to-nowhere") for r in rows(driver, "paths")) and
                  any(r.startswith("loop to-loop") for r in rows(driver, "paths")),
                  "paths: the broken and the looping paths")
            check(driver.execute_script("return arguments[0].naturalWidth", picture) > 100,
                  "paths: the picture is drawn")
            shot(driver, "07-paths")

            driver.get(server.url + "/runs/2")
            follow(driver, driver.find_element(By.PARTIAL_LINK_TEXT, "what changed since run 1"))
            diff = driver.find_element(By.CSS_SELECTOR, "pre.diff").text
            check("- pe-a: disappeared" in diff and "~ p-c: 1 change" in diff and
                  "route distinguisher 100:3 -> 100:33" in diff, "diff: as erx-discover diff prints it")
            shot(driver, "08-diff")

            follow(driver, driver.find_element(By.LINK_TEXT, HOSTILE_DEVICE))
            text = driver.find_element(By.TAG_NAME, "body").text
            check(HOSTILE_DEVICE in driver.find_element(By.TAG_NAME, "h1").text and
                  all(s in text for s in HOSTILE), "markup: the device's strings shown as text")
            no_foreign_script(driver, "markup: the device")
            shot(driver, "09-markup-device")
            for url, name in (("/runs/2", "run"), ("/runs/2/paths", "paths"), ("/runs/2/vpns", "vpns"),
                              ("/search?q=%3C", "search"), ("/diff?a=1&b=2", "diff")):
                driver.get(server.url + url)
                text = driver.find_element(By.TAG_NAME, "body").text
                check(HOSTILE_DEVICE in text, f"markup: {url} shows the device's name as text")
                no_foreign_script(driver, f"markup: {url}")
                for picture in driver.find_elements(By.CSS_SELECTOR, "figure img"):
                    check(driver.execute_script("return arguments[0].naturalWidth", picture) > 100,
                          f"markup: {url}: the picture is drawn")
                if name == "vpns":
                    shot(driver, "10-markup-vpns")
            shot(driver, "11-markup-diff")
            for url in ("/runs/2/vpns.svg", "/runs/2/paths.svg"):
                driver.get(server.url + url)
                no_foreign_script(driver, f"markup: {url} opened alone")
                check(HOSTILE_DEVICE in driver.execute_script(
                    "return document.documentElement.textContent"), f"markup: {url} names the device")
            shot(driver, "12-markup-paths-picture")
        finally:
            driver.quit()

print(f"{failures} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
