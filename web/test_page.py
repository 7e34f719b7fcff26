#!/usr/bin/python3
"""The conversion page in headless Chromium, against the programs.

The staged page (index.html, app.js, style.css, sw.js, the manifest,
lipisetu.js, init.js and lipisetu.wasm in one folder) is served from
127.0.0.1 and driven as a reader would drive it: text typed, options
clicked, files chosen or dropped, links opened, the page reloaded without
the network, on a wide screen and on a phone's. The package's own tests
hold its conversions to the programs; here each control and path is tried
once, its result compared with the output of kavrel, sonwick or pellam.

Environment: LIPISETU_WEB (the staged folder), KAVREL, SONWICK, PELLAM
(the programs), SAMPLES (the samples folder), LIPISETU_SCREENSHOT (where
the picture of the page goes; beside the staged folder by default).

Run as a script it exits with 77, the skip status, when Python's
selenium, chromium or chromedriver is missing.
"""

import contextlib
import functools
import http.server
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

try:
    import pytest
except ImportError:
    pytest = None

HERE = pathlib.Path(__file__).resolve().parent
BUILD = HERE.parent / 'build'
WEB = pathlib.Path(os.environ.get('LIPISETU_WEB', BUILD / 'wasm' / 'web'))
KAVREL = os.environ.get('KAVREL', str(BUILD / 'cli' / 'kavrel'))
SONWICK = os.environ.get('SONWICK', str(BUILD / 'cli' / 'sonwick'))
PELLAM = os.environ.get('PELLAM', str(BUILD / 'cli' / 'pellam'))
SAMPLES = pathlib.Path(os.environ.get('SAMPLES', HERE.parent / 'samples'))
SCREENSHOT = pathlib.Path(os.environ.get('LIPISETU_SCREENSHOT', WEB.parent / 'page.png'))

CHROMIUM = shutil.which('chromium') or shutil.which('chromium-browser')
CHROMEDRIVER = shutil.which('chromedriver')


def missing():
    """What this test needs and does not have, or None."""
    if pytest is None:
        return "Python's pytest"
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "Python's selenium"
    if not CHROMIUM:
        return 'chromium'
    if not CHROMEDRIVER:
        return 'chromedriver'
    return None


if missing():
    if __name__ == '__main__':
        print(f'skipped: needs {missing()}')
        sys.exit(77)
    pytest.skip(f'needs {missing()}', allow_module_level=True)

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select, WebDriverWait  # noqa: E402

# How long a file of a few megabytes may take to convert and download on a
# loaded machine, and a text to show: bounds on waiting, not measures of
# speed.
FILE_WAIT = 180
WAIT = 30

FORM_FLAGS = {'utf-8': 'u', 'utf-16le': 'l', 'utf-16be': 'b'}


# ---------------------------------------------------------------- The programs

def run(program, args, data=b''):
    """The program's standard output and error on the input bytes."""
    done = subprocess.run([program, *args], input=data, capture_output=True, check=True)
    return done.stdout, done.stderr


def kavrel_args(scheme='iso', sanskrit=False, numerals=False, input='detect', output='detect', nfc=False,
                script='devanagari'):
    args = ['--script', script]
    if input != 'detect':
        args.append('-i' + FORM_FLAGS[input])
    if output != 'detect':
        args.append('-o' + FORM_FLAGS[output])
    if numerals:
        args.append('-n')
    if sanskrit:
        args.append('-s')
    if nfc:
        args.append('--nfc')
    return [*args, '--scheme', scheme]


# ---------------------------------------------------------------- The server and the browser

class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        '.wasm': 'application/wasm',
        '.js': 'text/javascript',
        '.html': 'text/html; charset=utf-8',
        '.css': 'text/css; charset=utf-8',
        '.webmanifest': 'application/manifest+json',
    }

    def end_headers(self):
        # Nothing kept by the browser's own cache: what the page has
        # without the network, its service worker gave it.
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, *args):
        pass


@contextlib.contextmanager
def serving():
    """The staged page served on a port of its own: its address, and a
    function that stops the server."""
    if not (WEB / 'index.html').is_file() or not (WEB / 'lipisetu.wasm').is_file():
        pytest.fail(f'no staged page in {WEB}: build the wasm target first')
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Handler, directory=str(WEB)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    stopped = []

    def stop():
        if not stopped:
            stopped.append(True)
            server.shutdown()
            server.server_close()
    try:
        yield f'http://127.0.0.1:{server.server_address[1]}/', stop
    finally:
        stop()


@pytest.fixture(scope='module')
def url():
    with serving() as (address, _):
        yield address


@pytest.fixture(scope='module')
def downloads():
    with tempfile.TemporaryDirectory(prefix='lipisetu-downloads-') as d:
        yield pathlib.Path(d)


@pytest.fixture(scope='module')
def workdir():
    with tempfile.TemporaryDirectory(prefix='lipisetu-files-') as d:
        yield pathlib.Path(d)


def browser(profile, downloads=None):
    """Headless Chromium with a fresh profile, downloading into the folder."""
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--disable-dev-shm-usage', '--window-size=1280,1000', f'--user-data-dir={profile}'):
        options.add_argument(arg)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    d = webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)
    if downloads:
        d.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': str(downloads)})
    return d


@pytest.fixture(scope='module')
def driver(url, downloads):
    with tempfile.TemporaryDirectory(prefix='lipisetu-chromium-') as profile:
        d = browser(profile, downloads)
        try:
            open_page(d, url, forget=True)
            yield d
        finally:
            d.quit()


def open_page(driver, address, forget=False):
    """Opens the page (`forget`: with nothing kept from before) and waits
    until it converts."""
    if forget:
        driver.get(address)
        driver.execute_script('localStorage.clear()')
    driver.get(address)
    WebDriverWait(driver, WAIT).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready === 'true'"
                                   " || document.getElementById('status').classList.contains('error')"))
    assert driver.execute_script('return document.documentElement.dataset.ready') == 'true', value(driver, 'status')


def value(driver, id):
    """An element's text as the page holds it, unchanged by layout."""
    return driver.execute_script(
        'const e = document.getElementById(arguments[0]); return "value" in e ? e.value : e.textContent;', id)


def shows(driver, want, id='text-output'):
    """Waits until the element holds `want` (the text box's result comes a
    moment after the keystroke), and says what it holds when it does not."""
    try:
        WebDriverWait(driver, WAIT).until(lambda d: value(d, id) == want)
    except Exception:
        assert value(driver, id) == want


def choose(driver, form, direction=None, scheme=None, sanskrit=None, numerals=None, input=None, output=None,
           nfc=None, script=None):
    """Sets the form's controls as a reader would, by clicks and choices."""
    f = driver.find_element(By.ID, form)
    if direction is not None:
        f.find_element(By.CSS_SELECTOR, f'input[name="direction"][value="{direction}"]').click()
    if scheme is not None:
        Select(f.find_element(By.NAME, 'scheme')).select_by_value(scheme)
    for name, want in (('sanskrit', sanskrit), ('numerals', numerals), ('nfc', nfc)):
        if want is not None:
            box = f.find_element(By.NAME, name)
            if box.is_selected() != want:
                box.click()
    for name, want in (('input', input), ('output', output), ('script', script)):
        if want is not None:
            Select(f.find_element(By.NAME, name)).select_by_value(want)


def type_text(driver, text):
    box = driver.find_element(By.ID, 'text-input')
    box.send_keys(Keys.CONTROL, 'a')
    box.send_keys(Keys.DELETE)
    box.send_keys(text)


def kavrel(text, scheme='iso', sanskrit=False, numerals=False, nfc=False, script='devanagari'):
    return run(KAVREL, kavrel_args(scheme, sanskrit, numerals, nfc=nfc, script=script), text.encode())[0].decode()


# ---------------------------------------------------------------- Text

# One row a direction: the text typed, the settings, the program.
TYPED = [
    ('devanagari', "Kṛṣṇa saṃskṛtam 108 so'ham", 'iast', True, True),
    ('roman', 'क़लम और पेड़, क्षत्रिय और ज्ञान। डॉक्टर २०२४', 'velthuis', False, False),
]


@pytest.mark.parametrize('direction,text,scheme,sanskrit,numerals', TYPED, ids=[t[0] for t in TYPED])
def test_text_typed(driver, direction, text, scheme, sanskrit, numerals):
    choose(driver, 'text-form', direction=direction, scheme=scheme, sanskrit=sanskrit, numerals=numerals)
    type_text(driver, text)
    if direction == 'devanagari':
        shows(driver, kavrel(text, scheme, sanskrit, numerals))
        langs = ['sa-Latn', 'sa']
    else:
        shows(driver, run(SONWICK, ['--scheme', scheme], text.encode())[0].decode())
        langs = ['hi', 'hi-Latn']
    assert driver.execute_script(
        "return ['text-input', 'text-output'].map((id) => document.getElementById(id).lang)") == langs


def test_each_control_changes_the_result(driver):
    # The result follows each control without another keystroke.
    choose(driver, 'text-form', direction='devanagari', scheme='iso', sanskrit=False, numerals=False, nfc=False)
    text = 'tat tvam asi 12 kRSNa qalam'
    type_text(driver, text)
    for settings in ({'scheme': 'hk'}, {'sanskrit': True}, {'numerals': True}, {'nfc': True}):
        choose(driver, 'text-form', **settings)
        shows(driver, kavrel(text, **settings_of(driver)))


def settings_of(driver):
    return driver.execute_script(
        "const f = document.getElementById('text-form').elements;"
        "return { scheme: f.scheme.value, sanskrit: f.sanskrit.checked, numerals: f.numerals.checked,"
        " nfc: f.nfc.checked, script: f.script.value }")


def test_swap(driver):
    # Swapping turns the direction and takes the result as the new text.
    choose(driver, 'text-form', direction='devanagari', scheme='hk', sanskrit=False, numerals=False, nfc=False)
    type_text(driver, 'bhArata kRSNa')
    devanagari = kavrel('bhArata kRSNa', 'hk')
    shows(driver, devanagari)
    driver.find_element(By.ID, 'swap').click()
    assert driver.find_element(By.CSS_SELECTOR, '#text-form input[value="roman"]').is_selected()
    assert value(driver, 'text-input') == devanagari
    shows(driver, run(SONWICK, ['--scheme', 'hk'], devanagari.encode())[0].decode())
    assert not driver.find_element(By.CSS_SELECTOR, '#text-form input[name="sanskrit"]').is_enabled()


def test_scheme_hint(driver):
    # IAST typed under the default scheme keeps Latin letters in the
    # result: the hint names IAST, and its button reads the text so.
    choose(driver, 'text-form', direction='devanagari', scheme='iso', sanskrit=False, numerals=False, nfc=False)
    text = 'sa\u1e43sk\u1e5btam k\u1e5b\u1e63\u1e47a'  # samskrtam krsna in IAST
    type_text(driver, text)
    shows(driver, kavrel(text))
    switch = driver.find_element(By.ID, 'scheme-switch')
    WebDriverWait(driver, WAIT).until(lambda d: switch.is_displayed())
    assert 'iast' in value(driver, 'scheme-hint-text')
    switch.click()
    assert settings_of(driver)['scheme'] == 'iast'
    shows(driver, kavrel(text, 'iast'))
    assert not driver.find_element(By.ID, 'scheme-hint').is_displayed()


def test_long_text_converted_when_asked(driver):
    # Past the live preview's limit, the text waits for the reader's word,
    # with a pointer to the file converter.
    choose(driver, 'text-form', direction='devanagari', scheme='iso', sanskrit=False, numerals=False, nfc=False)
    text = 'satyameva jayate\n' * 6000
    driver.execute_script("const box = document.getElementById('text-input'); box.value = arguments[0];"
                          "box.dispatchEvent(new Event('input'))", text)
    WebDriverWait(driver, WAIT).until(lambda d: d.find_element(By.ID, 'text-limit').is_displayed())
    assert value(driver, 'text-output') == ''
    driver.find_element(By.ID, 'text-now').click()
    shows(driver, kavrel(text))


def test_shared_address_and_kept_state(driver, url):
    # A shared link opens with its text and settings; a change is written
    # back into the address, and a reload without a query keeps it all.
    text = "tat tvam asi so'ham 108 qalam"
    query = f'?text={urllib.parse.quote(text)}&scheme=iast&script=tamil&dir=devanagari&sanskrit=1&numerals=1&nfc=1'
    open_page(driver, url + query, forget=True)
    assert value(driver, 'text-input') == text
    settings = {'scheme': 'iast', 'sanskrit': True, 'numerals': True, 'nfc': True, 'script': 'tamil'}
    assert settings_of(driver) == settings
    shows(driver, kavrel(text, **settings))
    choose(driver, 'text-form', scheme='velthuis', script='malayalam')
    WebDriverWait(driver, WAIT).until(lambda d: 'scheme=velthuis' in d.current_url and 'script=malayalam' in d.current_url)
    open_page(driver, url)
    assert value(driver, 'text-input') == text
    settings.update(scheme='velthuis', script='malayalam')
    assert settings_of(driver) == settings
    shows(driver, kavrel(text, **settings))


def test_dropped_file(driver, url):
    # A file dropped on the text box is read into it and converted.
    open_page(driver, url + '?scheme=hk', forget=True)
    text = 'rAmAyaNa mahAbhArata\nsaMskRtam'
    driver.execute_script(
        "const data = new DataTransfer(); data.items.add(new File([arguments[0]], 'dropped.txt'));"
        "const box = document.getElementById('text-input');"
        "for (const type of ['dragover', 'drop'])"
        "  box.dispatchEvent(new DragEvent(type, { dataTransfer: data, bubbles: true, cancelable: true }));",
        '\ufeff' + text)
    shows(driver, text, 'text-input')
    shows(driver, kavrel(text, 'hk'))


def test_phone(driver, url):
    # At 390 x 844 the result starts within the first screen, the copy
    # button's word comes beside it, and the picture of it is kept.
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 390, 'height': 844, 'deviceScaleFactor': 2, 'mobile': True})
    try:
        open_page(driver, url + '?text=' + urllib.parse.quote('satyameva jayate. bhārata eka viśāla deśa hai.'),
                  forget=True)
        top = driver.execute_script("return document.getElementById('text-output').getBoundingClientRect().top")
        assert 0 < top < 844 - 100, top
        driver.find_element(By.ID, 'copy').click()
        WebDriverWait(driver, WAIT).until(lambda d: value(d, 'copy-note'))
        button, note = driver.execute_script(
            "return ['copy', 'copy-note'].map((id) => document.getElementById(id).getBoundingClientRect().top)")
        assert abs(button - note) < 30
        assert value(driver, 'status') == value(driver, 'copy-note')
        SCREENSHOT.parent.mkdir(parents=True, exist_ok=True)
        assert driver.save_screenshot(str(SCREENSHOT))
    finally:
        driver.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})


def test_offline_reload():
    # Opened once, the page opens and converts after its server is gone.
    with tempfile.TemporaryDirectory(prefix='lipisetu-chromium-') as profile, serving() as (address, stop):
        d = browser(profile)
        try:
            open_page(d, address)
            WebDriverWait(d, WAIT).until(lambda d: d.execute_script('return !!navigator.serviceWorker.controller'))
            stop()
            open_page(d, address + '?text=namaste&scheme=hk')
            shows(d, kavrel('namaste', 'hk'))
        finally:
            d.quit()


# ---------------------------------------------------------------- Files

def repeated(data, size):
    """The bytes repeated to at least `size` bytes."""
    return data * (size // len(data) + 1)


def wait_download(folder, name):
    path = folder / name
    deadline = time.monotonic() + FILE_WAIT
    while time.monotonic() < deadline:
        partial = list(folder.glob('*.crdownload'))
        if path.is_file() and not partial:
            return path.read_bytes()
        time.sleep(0.2)
    raise AssertionError(f'{name} was not downloaded; the folder has {sorted(p.name for p in folder.iterdir())}')


# One row a direction: the file's name and bytes (large enough to reach the
# conversion in many chunks), the settings and the name of the result.
FILE_CASES = [
    ('roman.txt', lambda: b'\xff\xfe' + repeated((SAMPLES / 'roman.txt').read_bytes(), 1 << 20).decode().encode('utf-16-le'),
     'devanagari', {'scheme': 'iso', 'sanskrit': True, 'numerals': True, 'nfc': True, 'input': 'detect',
                    'output': 'utf-8', 'script': 'bengali'},
     'roman-bengali.txt'),
    ('devanagari.txt', lambda: repeated((SAMPLES / 'devanagari.txt').read_bytes(), 1 << 20), 'roman',
     {'scheme': 'hk'}, 'devanagari-hk.txt'),
]


@pytest.mark.parametrize('name,make,direction,options,result', FILE_CASES, ids=[c[0] for c in FILE_CASES])
def test_file_converted(driver, workdir, downloads, name, make, direction, options, result):
    data = make()
    source = workdir / name
    source.write_bytes(data)
    choose(driver, 'file-form', direction=direction, **options)
    if direction == 'devanagari':
        expected, _ = run(KAVREL, [*kavrel_args(**options), str(source)])
    else:
        expected, _ = run(SONWICK, ['--scheme', options['scheme'], str(source)])
    driver.find_element(By.ID, 'file-input').send_keys(str(source))
    driver.find_element(By.ID, 'file-convert').click()
    assert wait_download(downloads, result) == expected
    progress = driver.execute_script("const p = document.getElementById('file-progress'); return [p.value, p.max]")
    assert progress == [len(data), len(data)]


def made_up_iscii():
    # Bytes with no character (0xa0, 0xff, 0xeb), an ATR and an EXT code
    # each dropped with the byte after it, and an ATR as the last byte.
    return b'\xa4\xa0\xb3\n\xef\x41\xb3\xe8\n\xf0\xb3\xcc\n\xff\xb3\xe9\xeb\n\xb3\xef'


def test_iscii_opened(driver, workdir, downloads):
    source = workdir / 'made-up.iscii'
    source.write_bytes((SAMPLES / 'hindi.iscii').read_bytes() + made_up_iscii())
    text, errors = run(PELLAM, [str(source)])
    driver.find_element(By.ID, 'iscii-input').send_keys(str(source))
    WebDriverWait(driver, FILE_WAIT).until(lambda d: value(d, 'iscii-summary').startswith('made-up.iscii:'))
    assert value(driver, 'iscii-text') == text.decode()
    rows = driver.execute_script(
        "return [...document.querySelectorAll('#iscii-messages tbody tr')]"
        ".map((r) => [...r.cells].map((c) => c.textContent))")
    assert [r[4] for r in rows] == errors.decode().splitlines()
    assert [r[2] for r in rows] == ['no character', 'ATR code', 'EXT code', 'no character', 'no character', 'ATR code']
    driver.find_element(By.ID, 'iscii-download').click()
    assert wait_download(downloads, 'made-up.txt') == text
    # Reading the script codes reads the file again.
    text, _ = run(PELLAM, ['--atr', str(source)])
    driver.find_element(By.ID, 'iscii-atr').click()
    WebDriverWait(driver, FILE_WAIT).until(lambda d: value(d, 'iscii-text') == text.decode())


# ---------------------------------------------------------------- The page as a whole

def test_keyboard_reaches_every_control(driver, url):
    # Tab from the top reaches every enabled control, and the focused one
    # is drawn with an outline.
    open_page(driver, url, forget=True)
    choose(driver, 'file-form', direction='devanagari')
    driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0)")
    controls = set(driver.execute_script(
        "return [...document.querySelectorAll('input, select, textarea, button')]"
        ".filter((e) => !e.disabled && !e.hidden && e.offsetParent !== null)"
        ".filter((e) => e.type !== 'radio' || e.checked)"
        ".map((e) => e.id || e.name + '=' + e.value)"))
    reached = set()
    for _ in range(80):
        ActionChains(driver).send_keys(Keys.TAB).perform()
        focused = driver.execute_script(
            "const e = document.activeElement;"
            "return [e.id || e.name + '=' + e.value, getComputedStyle(e).outlineStyle]")
        if focused[0] in controls:
            assert focused[1] != 'none', f'{focused[0]} shows no focus'
        reached.add(focused[0])
    assert controls <= reached, f'not reached by Tab: {sorted(controls - reached)}'


def test_names_and_announcements(driver):
    # Every control has a name for assistive technology, and the status
    # line is the one place read out as it changes.
    unnamed = driver.execute_script(
        "return [...document.querySelectorAll('input, select, textarea')]"
        ".filter((e) => e.labels.length === 0 && !e.getAttribute('aria-label'))"
        ".map((e) => e.id || e.name)")
    assert unnamed == []
    live = driver.execute_script(
        "return [...document.querySelectorAll('[aria-live], [role=status], [role=alert], [role=log]')].map((e) => e.id)")
    assert live == ['status']


def luminance(rgb):
    c = [v / 255 for v in rgb]
    c = [v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]


@pytest.mark.parametrize('scheme', ['light', 'dark'])
def test_control_contrast(driver, url, scheme):
    # Each control's border against what is around it: 3:1 at least.
    driver.execute_cdp_cmd('Emulation.setEmulatedMedia',
                           {'features': [{'name': 'prefers-color-scheme', 'value': scheme}]})
    try:
        pairs = driver.execute_script(
            "const rgb = (c) => c.match(/[\\d.]+/g).map(Number);"
            "const behind = (e) => { for (e = e.parentElement; e; e = e.parentElement) {"
            "  const c = getComputedStyle(e).backgroundColor; if (rgb(c)[3] !== 0) return rgb(c); }"
            "  return rgb(getComputedStyle(document.documentElement).backgroundColor); };"
            "return [...document.querySelectorAll('textarea, select, button')].filter((e) => e.offsetParent)"
            "  .map((e) => [e.id || e.textContent, rgb(getComputedStyle(e).borderTopColor), behind(e)]);")
        for name, border, around in pairs:
            a, b = luminance(border[:3]), luminance(around[:3])
            ratio = (max(a, b) + 0.05) / (min(a, b) + 0.05)
            assert ratio >= 3, f'{name}: {ratio:.2f}:1'
    finally:
        driver.execute_cdp_cmd('Emulation.setEmulatedMedia', {'features': []})


def test_no_errors_in_console(driver):
    severe = [e for e in driver.get_log('browser') if e['level'] == 'SEVERE']
    assert severe == []


def test_opened_from_a_file(driver):
    # Last, as it leaves the served page: opened from a file, the page says
    # that it must be served instead of waiting.
    driver.get((WEB / 'index.html').as_uri())
    assert 'must be served over HTTP' in value(driver, 'status')


if __name__ == '__main__':
    sys.exit(pytest.main(['-q', '-p', 'no:cacheprovider', __file__, *sys.argv[1:]]))
