#!/usr/bin/python3
"""The conversion page in headless Chromium, as a reader meets it: the time
from the request of the page to its first conversion, and the time of a
keystroke in the text box (from the key to the next frame painted, as the
browser's Event Timing reports it, in steps of 8 ms), with a short text and
after a paste of 4 MB. Medians of RUNS.

    bench/page.py [FOLDER]    the staged page (default build/wasm/web)
"""
import functools
import http.server
import os
import statistics
import sys
import tempfile
import threading
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    print('page: skipped, needs python3-selenium')
    sys.exit(0)

folder = sys.argv[1] if len(sys.argv) > 1 else 'build/wasm/web'
runs = int(os.environ.get('RUNS', '5'))
if not os.path.isfile(os.path.join(folder, 'index.html')):
    print(f'page: skipped, no staged page in {folder}')
    sys.exit(0)


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=folder))
threading.Thread(target=server.serve_forever, daemon=True).start()
url = f'http://127.0.0.1:{server.server_address[1]}/'
options = webdriver.ChromeOptions()
for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--window-size=1280,1000', f'--user-data-dir={tempfile.mkdtemp(prefix="lipisetu-bench-")}'):
    options.add_argument(arg)
driver = webdriver.Chrome(service=Service(), options=options)

LOADED = ("const e = performance.getEntriesByType('navigation')[0];"
          "return document.documentElement.dataset.ready === 'true' ? performance.now() - e.startTime : null")


def load():
    driver.get(url)
    while (t := driver.execute_script(LOADED)) is None:
        time.sleep(0.005)
    return t


def keystroke(text):
    """The longest event of one key typed at the end of `text`, in ms."""
    driver.execute_script("const box = document.getElementById('text-input'); box.value = arguments[0];"
                          "box.dispatchEvent(new Event('input')); window.timings = [];"
                          "new PerformanceObserver((l) => timings.push(...l.getEntries()))"
                          ".observe({ type: 'event', durationThreshold: 16, buffered: false });", text)
    time.sleep(1)  # the paste's own conversion, if any, is done
    box = driver.find_element(By.ID, 'text-input')
    box.send_keys('a')
    time.sleep(1)
    return max([e for e in driver.execute_script('return timings.map((e) => e.duration)')] or [0])


try:
    loads = [load() for _ in range(runs)]
    print(f'page: loaded and converting in {statistics.median(loads):.0f} ms (median of {runs}, served from 127.0.0.1)')
    for name, text in (('a line', 'satyameva jayate '), ('4 MB pasted', 'satyameva jayate\n' * (4_000_000 // 17))):
        times = [keystroke(text) for _ in range(runs)]
        print(f'page: a keystroke after {name}: {statistics.median(times):.0f} ms '
              f'(median of {runs}; under 16 ms counts as 0)')
finally:
    driver.quit()
    server.shutdown()
