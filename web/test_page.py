#!/usr/bin/python3
"""The conversion page in headless Chromium, against the programs.

The staged page (index.html, app.js, style.css, lipisetu.js and
lipisetu.wasm in one folder) is served from 127.0.0.1 and driven as a
reader would drive it: text typed into the text area, options clicked,
files chosen through the file inputs and the converted files downloaded.
Every result is compared with the output of kavrel, sonwick or pellam on
the same input.

Environment: LIPISETU_WEB (the staged folder), KAVREL, SONWICK, PELLAM
(the programs), SAMPLES (the samples folder), LIPISETU_SCREENSHOT (where
the picture of the page goes; beside the staged folder by default).

Run as a script it exits with 77, the skip status, when Python's
selenium, chromium or chromedriver is missing.
"""

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
# loaded machine: a bound on waiting, not a measure of speed.
FILE_WAIT = 180

FORM_FLAGS = {'utf-8': 'u', 'utf-16le': 'l', 'utf-16be': 'b'}


# ---------------------------------------------------------------- The programs

def run(program, args, data=b''):
    """The program's standard output and error on the input bytes."""
    done = subprocess.run([program, *args], input=data, capture_output=True, check=True)
    return done.stdout, done.stderr


def kavrel_args(scheme='iso', sanskrit=False, numerals=False, input='detect', output='detect'):
    args = []
    if input != 'detect':
        args.append('-i' + FORM_FLAGS[input])
    if output != 'detect':
        args.append('-o' + FORM_FLAGS[output])
    if numerals:
        args.append('-n')
    if sanskrit:
        args.append('-s')
    return [*args, '--scheme', scheme]


# ---------------------------------------------------------------- The server and the browser

class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        '.wasm': 'application/wasm',
        '.js': 'text/javascript',
        '.mjs': 'text/javascript',
        '.html': 'text/html; charset=utf-8',
        '.css': 'text/css; charset=utf-8',
    }

    def log_message(self, *args):
        pass


@pytest.fixture(scope='module')
def url():
    if not (WEB / 'index.html').is_file() or not (WEB / 'lipisetu.wasm').is_file():
        pytest.fail(f'no staged page in {WEB}: build the wasm target first')
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Handler, directory=str(WEB)))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f'http://127.0.0.1:{server.server_address[1]}/'
    server.shutdown()
    server.server_close()


@pytest.fixture(scope='module')
def downloads():
    with tempfile.TemporaryDirectory(prefix='lipisetu-downloads-') as d:
        yield pathlib.Path(d)


@pytest.fixture(scope='module')
def workdir():
    with tempfile.TemporaryDirectory(prefix='lipisetu-files-') as d:
        yield pathlib.Path(d)


@pytest.fixture(scope='module')
def driver(url, downloads):
    profile = tempfile.TemporaryDirectory(prefix='lipisetu-chromium-')
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--disable-dev-shm-usage', '--window-size=1280,1000', f'--user-data-dir={profile.name}'):
        options.add_argument(arg)
    options.add_experimental_option('prefs', {
        'download.default_directory': str(downloads),
        'download.prompt_for_download': False,
        'profile.default_content_setting_values.automatic_downloads': 1,
    })
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    d = webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)
    try:
        d.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': str(downloads)})
        d.get(url)
        WebDriverWait(d, 30).until(
            lambda d: d.execute_script("return document.documentElement.dataset.ready === 'true'"
                                       " || document.getElementById('status').classList.contains('error')"))
        status = d.find_element(By.ID, 'status').text
        assert d.execute_script("return document.documentElement.dataset.ready") == 'true', status
        yield d
    finally:
        d.quit()
        profile.cleanup()


def value(driver, id):
    """An element's text as the page holds it, unchanged by layout."""
    return driver.execute_script(
        'const e = document.getElementById(arguments[0]); return "value" in e ? e.value : e.textContent;', id)


def choose(driver, form, direction=None, scheme=None, sanskrit=None, numerals=None, input=None, output=None):
    """Sets the form's controls as a reader would, by clicks and choices."""
    f = driver.find_element(By.ID, form)
    if direction is not None:
        f.find_element(By.CSS_SELECTOR, f'input[name="direction"][value="{direction}"]').click()
    if scheme is not None:
        Select(f.find_element(By.NAME, 'scheme')).select_by_value(scheme)
    for name, want in (('sanskrit', sanskrit), ('numerals', numerals)):
        if want is not None:
            box = f.find_element(By.NAME, name)
            if box.is_selected() != want:
                box.click()
    for name, want in (('input', input), ('output', output)):
        if want is not None:
            Select(f.find_element(By.NAME, name)).select_by_value(want)


def type_text(driver, text):
    box = driver.find_element(By.ID, 'text-input')
    box.send_keys(Keys.CONTROL, 'a')
    box.send_keys(Keys.DELETE)
    box.send_keys(text)
    assert value(driver, 'text-input') == text, 'the text area holds what was typed'


# ---------------------------------------------------------------- Text

ROMAN_CASES = [
    # text, scheme, sanskrit, numerals
    ('satyameva jayate.\nbhārata eka viśāla deśa hai.', 'iso', False, False),
    ("tat tvam asi. so'ham", 'iso', True, False),
    ('yahā̃ 28 rājya haĩ, 1947 meṃ', 'iso', False, True),
    ('rAmAyaNa mahAbhArata kRSNa', 'hk', False, False),
    ('Kṛṣṇa saṃskṛtam 108', 'iast', True, True),
    ('sa.msk.rtam a{}i ai', 'velthuis', True, False),
]


@pytest.mark.parametrize('text,scheme,sanskrit,numerals', ROMAN_CASES)
def test_roman_typed(driver, text, scheme, sanskrit, numerals):
    choose(driver, 'text-form', direction='devanagari', scheme=scheme, sanskrit=sanskrit, numerals=numerals)
    type_text(driver, text)
    expected, _ = run(KAVREL, kavrel_args(scheme, sanskrit, numerals), text.encode())
    assert value(driver, 'text-output') == expected.decode()
    langs = driver.execute_script(
        "return ['text-input', 'text-output'].map((id) => document.getElementById(id).lang)")
    assert langs == (['sa-Latn', 'sa'] if sanskrit else ['hi-Latn', 'hi'])


DEVANAGARI_CASES = [
    ('सत्यमेव जयते।\nभारत एक विशाल देश है।', 'iso'),
    ('क़लम और पेड़, क्षत्रिय और ज्ञान। डॉक्टर', 'iso'),
    ('संस्कृतम् कृष्णः २०२४', 'iast'),
    ('संस्कृतम् क्ह कइ', 'itrans'),
    ('ज्ञानं कृष्णः', 'slp1'),
]


@pytest.mark.parametrize('text,scheme', DEVANAGARI_CASES)
def test_devanagari_typed(driver, text, scheme):
    choose(driver, 'text-form', direction='roman', scheme=scheme)
    type_text(driver, text)
    expected, _ = run(SONWICK, ['--scheme', scheme], text.encode())
    assert value(driver, 'text-output') == expected.decode()
    assert driver.find_element(By.ID, 'text-output').get_attribute('lang') == 'hi-Latn'
    assert driver.find_element(By.ID, 'text-input').get_attribute('lang') == 'hi'


def test_options_change_the_shown_result(driver):
    # The result follows a change of option without another keystroke.
    choose(driver, 'text-form', direction='devanagari', scheme='iso', sanskrit=False, numerals=False)
    type_text(driver, 'tat tvam asi 12')
    for scheme, sanskrit, numerals in (('iso', True, False), ('iso', True, True), ('iast', False, True)):
        choose(driver, 'text-form', scheme=scheme, sanskrit=sanskrit, numerals=numerals)
        expected, _ = run(KAVREL, kavrel_args(scheme, sanskrit, numerals), b'tat tvam asi 12')
        assert value(driver, 'text-output') == expected.decode(), (scheme, sanskrit, numerals)


def test_swap(driver):
    # Swapping turns the direction and takes the result as the new text:
    # Roman, its Devanagari, and the Devanagari's Roman in the scheme.
    choose(driver, 'text-form', direction='devanagari', scheme='hk', sanskrit=False, numerals=False)
    type_text(driver, 'bhArata kRSNa')
    devanagari, _ = run(KAVREL, kavrel_args('hk'), b'bhArata kRSNa')
    driver.find_element(By.ID, 'swap').click()
    assert driver.find_element(By.CSS_SELECTOR, '#text-form input[value="roman"]').is_selected()
    assert value(driver, 'text-input') == devanagari.decode()
    roman, _ = run(SONWICK, ['--scheme', 'hk'], devanagari)
    assert value(driver, 'text-output') == roman.decode()
    assert not driver.find_element(By.CSS_SELECTOR, '#text-form input[name="sanskrit"]').is_enabled()
    driver.find_element(By.ID, 'swap').click()
    assert driver.find_element(By.CSS_SELECTOR, '#text-form input[value="devanagari"]').is_selected()
    assert value(driver, 'text-input') == roman.decode()


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


def roman_sample():
    return (SAMPLES / 'roman.txt').read_bytes()


def devanagari_sample():
    return (SAMPLES / 'devanagari.txt').read_bytes()


def utf16le(data):
    return b'\xff\xfe' + data.decode().encode('utf-16-le')


# name, bytes (from the samples), direction, options; each file large
# enough to reach the conversion in many chunks.
FILE_CASES = [
    ('roman.txt', lambda: repeated(roman_sample(), 3 << 20), 'devanagari', {}),
    ('sanskrit.txt', lambda: repeated(roman_sample(), 1 << 20), 'devanagari',
     {'sanskrit': True, 'numerals': True}),
    ('hk.txt', lambda: repeated(b'rAmAyaNa mahAbhArata kRSNa 108\nsaMskRtam\n', 1 << 20), 'devanagari',
     {'scheme': 'hk'}),
    # UTF-16 read by its byte-order mark and written in the same form.
    ('utf16.txt', lambda: utf16le(repeated(roman_sample(), 1 << 20)), 'devanagari', {}),
    ('tobe.txt', lambda: repeated(roman_sample(), 1 << 20), 'devanagari',
     {'numerals': True, 'input': 'utf-8', 'output': 'utf-16be'}),
    ('devanagari.txt', lambda: repeated(devanagari_sample(), 3 << 20), 'roman', {'scheme': 'iso'}),
]


@pytest.mark.parametrize('name,make,direction,options', FILE_CASES, ids=[c[0] for c in FILE_CASES])
def test_file_converted(driver, workdir, downloads, name, make, direction, options):
    data = make()
    source = workdir / name
    source.write_bytes(data)
    full = {'scheme': 'iso', 'sanskrit': False, 'numerals': False, 'input': 'detect', 'output': 'detect', **options}
    if direction == 'devanagari':
        choose(driver, 'file-form', direction=direction, **full)
        expected, _ = run(KAVREL, [*kavrel_args(**full), str(source)])
        result = name.replace('.txt', '-devanagari.txt')
    else:
        choose(driver, 'file-form', direction=direction, scheme=full['scheme'])
        expected, _ = run(SONWICK, ['--scheme', full['scheme'], str(source)])
        result = name.replace('.txt', f"-{full['scheme']}.txt")

    driver.find_element(By.ID, 'file-input').send_keys(str(source))
    driver.find_element(By.ID, 'file-convert').click()
    got = wait_download(downloads, result)
    assert len(got) == len(expected)
    assert got == expected
    # The progress ends at the whole file.
    progress = driver.execute_script(
        "const p = document.getElementById('file-progress'); return [p.value, p.max]")
    assert progress == [len(data), len(data)]
    assert 'converted' in value(driver, 'file-result')


# ---------------------------------------------------------------- ISCII

def made_up_iscii():
    # Bytes with no character (0xa0, 0xff, 0xeb), an ATR and an EXT code
    # each dropped with the byte after it, and an ATR as the last byte.
    return b'\xa4\xa0\xb3\n\xef\x41\xb3\xe8\n\xf0\xb3\xcc\n\xff\xb3\xe9\xeb\n\xb3\xef'


def large_iscii():
    # Dropped bytes far into a file read in many chunks.
    block = (SAMPLES / 'hindi.iscii').read_bytes() * 20
    block = block.replace(b'\n', b'\xa0\n', 1) + b'\xff'
    return repeated(block, 600 << 10)


ISCII_CASES = [
    # name, bytes, the messages' (byte, line, kind, offset) where the test
    # knows them by hand
    ('hindi.iscii', lambda: (SAMPLES / 'hindi.iscii').read_bytes(), []),
    ('made-up.iscii', made_up_iscii, [
        ('0xa0', '1', 'no character', '1'),
        ('0xef', '2', 'ATR code', '4'),
        ('0xf0', '3', 'EXT code', '9'),
        ('0xff', '4', 'no character', '13'),
        ('0xeb', '4', 'no character', '16'),
        ('0xef', '5', 'ATR code', '19'),
    ]),
    ('large.iscii', large_iscii, None),
]


def iscii_rows(driver):
    return driver.execute_script(
        "return [...document.querySelectorAll('#iscii-messages tbody tr')]"
        ".map((r) => [...r.cells].map((c) => c.textContent))")


@pytest.mark.parametrize('name,make,known', ISCII_CASES, ids=[c[0] for c in ISCII_CASES])
def test_iscii_opened(driver, workdir, downloads, name, make, known):
    data = make()
    source = workdir / name
    source.write_bytes(data)
    text, errors = run(PELLAM, [str(source)])

    driver.find_element(By.ID, 'iscii-input').send_keys(str(source))
    WebDriverWait(driver, FILE_WAIT).until(
        lambda d: value(d, 'iscii-summary').startswith(f'{name}:') or 'could not' in value(d, 'iscii-summary'))
    assert value(driver, 'iscii-text') == text.decode()

    rows = iscii_rows(driver)
    messages = errors.decode().splitlines()
    assert [r[4] for r in rows] == messages
    if known is not None:
        assert [r[:4] for r in rows] == [list(k) for k in known]
    if name == 'large.iscii':
        # Each 0xa0 and 0xff is dropped where it stands.
        offsets = [str(i) for i, b in enumerate(data) if b in (0xa0, 0xff)]
        assert [r[3] for r in rows] == offsets
        assert 100 < len(rows) < 1000

    # The whole text downloads as pellam writes it.
    driver.find_element(By.ID, 'iscii-download').click()
    assert wait_download(downloads, name.replace('.iscii', '.txt')) == text


# ---------------------------------------------------------------- The page as a whole

def test_keyboard_reaches_every_control(driver):
    # Tab from the top reaches every enabled control, and the focused one
    # is drawn with an outline.
    choose(driver, 'text-form', direction='devanagari')
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


def test_labels_and_languages(driver):
    # Every control has a name for assistive technology.
    unnamed = driver.execute_script(
        "return [...document.querySelectorAll('input, select, textarea')]"
        ".filter((e) => e.labels.length === 0 && !e.getAttribute('aria-label'))"
        ".map((e) => e.id || e.name)")
    assert unnamed == []
    assert driver.find_element(By.ID, 'iscii-text').get_attribute('lang') == 'hi'


def test_screenshot(driver, workdir):
    # A picture of the page in use, to be looked at: Devanagari drawn in
    # its face, not as empty boxes.
    choose(driver, 'text-form', direction='devanagari', scheme='iso', sanskrit=False, numerals=True)
    type_text(driver, 'satyameva jayate.\nbhārata eka viśāla deśa hai. yahā̃ 28 rājya haĩ.')
    source = workdir / 'shown.iscii'
    source.write_bytes(made_up_iscii() + b'\n' + (SAMPLES / 'hindi.iscii').read_bytes())
    driver.find_element(By.ID, 'iscii-input').send_keys(str(source))
    WebDriverWait(driver, 30).until(lambda d: value(d, 'iscii-summary').startswith('shown.iscii:'))
    height = driver.execute_script('return document.documentElement.scrollHeight')
    driver.set_window_size(1280, height + 100)
    driver.execute_script('window.scrollTo(0, 0); document.activeElement.blur()')
    SCREENSHOT.parent.mkdir(parents=True, exist_ok=True)
    assert driver.save_screenshot(str(SCREENSHOT))


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
