"""What the Python module alone can get wrong, against the programs: its arguments, str in and
out with lone surrogates, batches from lists, arrays and columns, files and file objects, the
codec with every error handler, threads. (The conversions themselves are the C++ tests'.)"""
import ast
import codecs
import doctest
import inspect
import io
import os
import pathlib
import random
import subprocess
import threading
import time
import types
from concurrent.futures import ThreadPoolExecutor

import pytest

import lipisetu

SAMPLES = pathlib.Path(os.environ["SAMPLES"])


def run(program, data, *args):
    """The program's output and messages for `data`, through standard input."""
    p = subprocess.run([os.environ[program], *args], input=data, capture_output=True, check=True)
    return p.stdout, p.stderr.decode()


def random_text(seed, n, pieces):
    rnd = random.Random(seed)
    return "".join(rnd.choice(pieces) for _ in range(n))


# Roman and Devanagari with a lone surrogate, a character past the BMP, decomposed letters.
ROMAN_PIECES = ["a", "ā", "i", "ai", "k", "kh", "ṭ", "ṇ", "ś", "ṣ", "r̥", "ṁ", "m̐", "'", ":", " ", "\n", "2",
                "a\u0304", "\u0323", "q", "\ud800", "\U0001F600", "ê"]
DEVA_PIECES = [chr(c) for c in range(0x0900, 0x0980)] + [" ", "\n", "a", "\u200d", "\udc80", "\U0001F600"]
ROMAN = [(SAMPLES / "roman.txt").read_text(), "tat tvam asi\nso'ham", ""] + \
    [random_text(s, 400, ROMAN_PIECES) for s in range(4)] + [random_text(9, 70000, ROMAN_PIECES)]
DEVANAGARI = [(SAMPLES / "devanagari.txt").read_text(), ""] + [random_text(s, 400, DEVA_PIECES) for s in range(4)]
ISCII = [(SAMPLES / "hindi.iscii").read_bytes(), b"a\xa0b\xef\nc\xb3\xe9\xf0", b"\xb3\xef\xb3\xe9\xa1\n\xa1",
         bytes(range(256)), b"", bytes.fromhex("b3dacce8b3da ef43 b3dacce8b3da ef45 b3dacc ef4a b3e9 ef\n b3")] + \
    [random.Random(s).randbytes(300) for s in range(3)]
# The codecs, and the options of pellam each decodes as.
CODECS = [("iscii-devanagari", {}, []), ("iscii", {"atr": True}, ["--atr"])]


@pytest.mark.parametrize("convert, program, texts, options", [
    (lipisetu.to_devanagari, "KAVREL", ROMAN, {}), (lipisetu.to_devanagari, "KAVREL", ROMAN, {"sanskrit": True}),
    (lipisetu.to_devanagari, "KAVREL", ROMAN, {"numerals": True}), (lipisetu.to_devanagari, "KAVREL", ROMAN, {"nfc": True}),
    (lipisetu.to_devanagari, "KAVREL", ROMAN[:2], {"script": "tamil"}),
    (lipisetu.to_devanagari, "KAVREL", ROMAN[:2], {"script": "malayalam", "numerals": True}),
    (lipisetu.to_roman, "SONWICK", DEVANAGARI, {})])
def test_str_in_and_out_as_the_programs(convert, program, texts, options):
    # Short texts, results past 1 KiB and a text past 64 Ki characters, read in blocks.
    flags = ["-s"] * ("sanskrit" in options) + ["-n"] * ("numerals" in options) + ["--nfc"] * ("nfc" in options)
    flags += ["--script", options["script"]] if "script" in options else []
    for text in texts:
        want = run(program, text.encode("utf-8", "surrogatepass"), *flags)[0]
        assert convert(text, **options) == want.decode("utf-8", "surrogatepass")


def test_every_scheme_reaches_every_call(tmp_path):
    deva = DEVANAGARI[0] + "संस्कृतम् कृष्णः क्ह कइ"
    calls = [(lipisetu.to_roman, lipisetu.to_roman_batch, lipisetu.to_roman_file, "SONWICK"),
             (lipisetu.to_devanagari, lipisetu.to_devanagari_batch, lipisetu.to_devanagari_file, "KAVREL")]
    for scheme in lipisetu.SCHEMES:
        text = deva
        for one, batch, onfile, program in calls:
            want = run(program, text.encode(), "--scheme", scheme)[0]
            assert one(text, scheme=scheme).encode() == want
            assert batch([text, ""], scheme=scheme) == [want.decode(), ""]
            onfile(io.BytesIO(text.encode()), tmp_path / "out", scheme=scheme)
            assert (tmp_path / "out").read_bytes() == want
            text = want.decode()


def test_batches_as_single_calls():
    numpy = pytest.importorskip("numpy")
    words = [w for t in ROMAN + DEVANAGARI for w in t.split(" ")]
    array = numpy.empty(len(words), dtype=object)
    array[:] = words
    # Lists, a tuple, an iterator, arrays of objects read from their memory (one with a
    # stride, one through a memoryview), and a batch large enough for two threads.
    for batch, items in [(words, words), (tuple(words), words), (iter(words), words), (array, words),
                         (array[::-3], words[::-3]), (memoryview(array), words), (words * 40, words * 40), ([], [])]:
        want = [lipisetu.to_devanagari(t, numerals=True, script="bengali") for t in items]
        assert lipisetu.to_devanagari_batch(batch, numerals=True, script="bengali") == want
    deva = [lipisetu.to_devanagari(t) for t in words]
    assert lipisetu.to_roman_batch(deva * 3) == [lipisetu.to_roman(t) for t in deva * 3]
    iscii = ISCII + [bytearray(ISCII[1]), memoryview(ISCII[2]), bytes(range(256)) * 600]
    for batch in [iscii, numpy.array(iscii, dtype=object), ()]:
        assert lipisetu.from_iscii_batch(batch) == [lipisetu.from_iscii(d) for d in batch]
        assert lipisetu.from_iscii_batch(batch, atr=True) == [lipisetu.from_iscii(d, atr=True) for d in batch]


def test_pandas_columns():
    pandas = pytest.importorskip("pandas")
    df = pandas.DataFrame({"roman": ["rāma", "sītā", "tat tvam asi"]})
    df["deva"] = lipisetu.to_devanagari_batch(df["roman"])
    df["back"] = lipisetu.to_roman_batch(df["deva"].astype("string"))
    assert df["deva"].tolist() == ["राम", "सीता", "तत् त्वम् असि"]
    assert df["back"].tolist() == df["roman"].tolist()
    with pytest.raises(TypeError, match="item 1 is NoneType"):  # a missing value
        lipisetu.to_devanagari_batch(pandas.Series(["ka", None]))


@pytest.mark.parametrize("call, error, match", [
    (lambda: lipisetu.to_devanagari_batch("namaste"), TypeError, "iterable of str, not one str"),
    (lambda: lipisetu.to_roman_batch("क"), TypeError, "iterable of str"),
    (lambda: lipisetu.from_iscii_batch(b"\xb3"), TypeError, "iterable of bytes-like objects, not one bytes"),
    (lambda: lipisetu.to_devanagari_batch(["ka", b"ka"]), TypeError, "item 1 is bytes"),
    (lambda: lipisetu.from_iscii_batch([b"a", "a"]), TypeError, "bytes-like"),
    (lambda: lipisetu.to_roman_batch(5), TypeError, "not iterable"),
    (lambda: lipisetu.to_roman_batch([], numerals=True), TypeError, "unexpected keyword argument 'numerals'"),
    (lambda: lipisetu.to_roman("क", scheme="klingon"), ValueError, "', '".join(lipisetu.SCHEMES[:-1])),
    (lambda: lipisetu.to_devanagari("ka", script=3), TypeError, "script must be a str, not int"),
    (lambda: lipisetu.to_devanagari_batch([], script="latin"), ValueError, "', '".join(lipisetu.SCRIPTS[:-1])),
    (lambda: lipisetu.to_devanagari(b"ka"), TypeError, "expected str"),
    (lambda: lipisetu.to_devanagari("ka", text="ka"), TypeError, "multiple values for argument 'text'"),
    (lambda: lipisetu.to_devanagari("ka", False), TypeError, "takes 1 positional argument but 2"),
    (lambda: lipisetu.to_roman_file(source="x"), TypeError, "missing required argument 'target'"),
    (lambda: lipisetu.to_devanagari_file(io.BytesIO(), io.BytesIO(), input="latin-1"), ValueError, "'utf-16be'"),
    (lambda: lipisetu.to_devanagari_file(io.BytesIO(), io.BytesIO(), output=8), TypeError, "form must be a str"),
    (lambda: lipisetu.to_roman("क", nfc=True), TypeError, "unexpected keyword argument 'nfc'"),
    (lambda: lipisetu.detect(b"ka"), TypeError, "expected str"),
])
def test_argument_errors(call, error, match):
    with pytest.raises(error, match=match):
        call()


class Trickle(io.BytesIO):
    """A binary file object that reads at most `most` bytes a call."""

    def __init__(self, data, most):
        super().__init__(data)
        self.most = most

    def readinto(self, b):
        return super().readinto(memoryview(b)[:self.most])


# Sources: a path, a file object, one that gives few bytes a read, and one with read alone.
SOURCES = {"bytesio": io.BytesIO, "trickle1": lambda d: Trickle(d, 1), "trickle7": lambda d: Trickle(d, 7),
           "readonly": lambda d: types.SimpleNamespace(read=io.BytesIO(d).read)}


@pytest.mark.parametrize("source", ["path", *SOURCES])
def test_files_as_the_programs(tmp_path, source):
    roman = "\n".join(ROMAN).encode("utf-8", "surrogatepass") * 5
    deva = "\n".join(DEVANAGARI).encode("utf-8", "surrogatepass") * 50
    iscii = b"".join(ISCII) * 50

    def opened(data):
        if source != "path":
            return SOURCES[source](data)
        (tmp_path / "in").write_bytes(data)
        return tmp_path / "in"

    out = io.BytesIO()
    lipisetu.to_devanagari_file(opened(roman), out, sanskrit=True, nfc=True, output="utf-16le", script="gurmukhi")
    assert out.getvalue() == run("KAVREL", roman, "-s", "--nfc", "-ol", "--script", "gurmukhi")[0]
    target = tmp_path / "out"
    lipisetu.to_roman_file(opened(deva), target)
    assert target.read_bytes() == run("SONWICK", deva)[0]
    for _, options, flags in CODECS:
        out, seen = io.BytesIO(), []
        count = lipisetu.iscii_file(opened(iscii), out, on_message=seen.append, **options)
        text, messages = run("PELLAM", iscii, *flags)
        assert out.getvalue() == text
        assert "".join(f"{m}\n" for m in seen) == messages
        assert count == len(seen) == messages.count("\n")


def test_file_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        lipisetu.to_roman_file(tmp_path / "missing", io.BytesIO())
    with pytest.raises(IsADirectoryError):
        lipisetu.to_roman_file(tmp_path, io.BytesIO())

    class Broken(io.RawIOBase):
        def readinto(self, b):
            raise ValueError("broken")

    with pytest.raises(ValueError, match="broken"):
        lipisetu.to_devanagari_file(Broken(), io.BytesIO())
    with pytest.raises(OSError):
        lipisetu.to_devanagari_file(io.BytesIO(b"ka" * 100000), "/dev/full")


@pytest.mark.parametrize("name, options, flags", CODECS, ids=[c[0] for c in CODECS])
@pytest.mark.parametrize("data", ISCII, ids=range(len(ISCII)))
def test_codec_handlers(data, name, options, flags):
    text, messages = run("PELLAM", data, *flags)
    found = lipisetu.from_iscii(data, **options)[1]
    assert "".join(f"{m}\n" for m in found) == messages
    assert data.decode(name, "ignore") == text.decode()
    assert data.decode(name, "replace").count("\ufffd") == len(found)
    if found:
        with pytest.raises(UnicodeDecodeError) as e:
            data.decode(name)
        first = found[0]
        assert (e.value.encoding, e.value.object, e.value.start, e.value.end) == \
            (name, data, first.offset, first.offset + first.span)
        assert e.value.reason == str(first)
    else:
        assert data.decode(name) == text.decode()
    # The standard handlers see exactly the bytes dropped.
    back = data.decode(name, "backslashreplace")
    assert back.count("\\x") == sum(m.span for m in found)


def test_custom_handlers():
    data = b"a\xa0b\xef\nc\xb3\xe9"
    codecs.register_error("lipisetu-test-mark", lambda e: (f"<{e.start}-{e.end}>", e.end))
    assert data.decode("iscii-devanagari", "lipisetu-test-mark") == "a<1-2>b<3-5>c\u0958"
    # Resuming at the byte after ATR decodes the line feed it would drop.
    codecs.register_error("lipisetu-test-next", lambda e: ("?", e.start + 1))
    assert data.decode("iscii-devanagari", "lipisetu-test-next") == "a?b?\nc\u0958"
    # Each ATR's message resumes at the key the next ATR follows: a restart at every pair, in
    # memory and time that grow with the input alone.
    assert (b"\xef\xb3" * 20000).decode("iscii-devanagari", "lipisetu-test-next") == "?\u0915" * 20000
    # surrogateescape takes the bytes from 0x80 and resumes before the line feed.
    assert data.decode("iscii-devanagari", "surrogateescape") == "a\udca0b\udcef\nc\u0958"
    # After a restart, positions are still in the whole input.
    seen = []
    codecs.register_error("lipisetu-test-seen", lambda e: (seen.append((e.start, e.end, e.object)), ("", e.start + 1))[1])
    data = b"\xef\xa0b\xa0"
    assert data.decode("iscii-devanagari", "lipisetu-test-seen") == "b"
    assert seen == [(0, 2, data), (1, 2, data), (3, 4, data)]
    codecs.register_error("lipisetu-test-far", lambda e: ("", 99))
    with pytest.raises(IndexError):
        data.decode("iscii-devanagari", "lipisetu-test-far")


@pytest.mark.parametrize("name, options, flags", CODECS, ids=[c[0] for c in CODECS])
@pytest.mark.parametrize("data", ISCII[1:6], ids=range(1, 6))
def test_incremental_decoder_in_every_split(data, name, options, flags):
    whole = data.decode(name, "replace")
    for cut in range(len(data) + 1):
        d = codecs.getincrementaldecoder(name)("replace")
        assert d.decode(data[:cut]) + d.decode(data[cut:], final=True) == whole
    d = lipisetu.IsciiIncrementalDecoder("replace", **options)
    assert "".join(d.decode(data[i:i + 1]) for i in range(len(data))) + d.decode(b"", True) == whole


@pytest.mark.parametrize("chunk", [1, 3, 8192])
def test_text_streams(tmp_path, chunk):
    data = b"".join(ISCII[:3]) * 20
    want = data.decode("iscii-devanagari", "replace")
    stream = io.TextIOWrapper(io.BufferedReader(io.BytesIO(data), buffer_size=chunk),
                              encoding="iscii-devanagari", errors="replace")
    stream._CHUNK_SIZE = chunk
    assert stream.read() == want
    (tmp_path / "t").write_bytes(data)
    with open(tmp_path / "t", encoding="iscii_devanagari", errors="replace") as f:
        assert "".join(f.readlines()) == want
        f.seek(0)
        f.readline()
        at = f.tell()
        rest = f.read()
        f.seek(at)
        assert f.read() == rest


def test_detect_as_kavrel_auto():
    default = lipisetu.SCHEMES[0]
    said = {f"the text is in Devanagari; reading {default}": "devanagari",
            f"no scheme fits the text; reading {default}": "unknown"}
    for text in ["saṃskṛtam kṛṣṇaḥ", "kRSNa saMskRtam zivAya namaH", "नमस्ते दुनिया", "Hello, world", "",
                 "ab " * 3000 + "kṛṣṇa"]:
        message = run("KAVREL", text.encode(), "--scheme", "auto")[1].split(": ", 2)[2].strip()
        found = lipisetu.detect(text)
        assert found.scheme == said.get(message, message.removeprefix("reading ")), text
        assert 0 <= found.score <= 1


def test_threads_convert_at_once():
    texts = [random_text(s, 60000, ROMAN_PIECES) for s in range(8)]
    alone = [lipisetu.to_devanagari(t) for t in texts]
    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(lipisetu.to_devanagari, texts)) == alone
    # While one thread converts a large text, this one keeps running.
    big = random_text(99, 200000, ROMAN_PIECES) * 20
    done, gaps = threading.Event(), []

    def convert():
        lipisetu.to_devanagari(big)
        done.set()

    worker = threading.Thread(target=convert)
    start = last = time.perf_counter()
    worker.start()
    while not done.is_set():
        now = time.perf_counter()
        gaps.append(now - last)
        last = now
    worker.join()
    took = time.perf_counter() - start
    assert took > 0.05, "the text converts too fast to tell"
    assert max(gaps) < took / 2


def test_stub_and_documentation():
    # The stub names what the module has, with the schemes and scripts the library takes, and
    # the examples in the docstrings are true.
    stub = ast.parse((pathlib.Path(lipisetu.__file__).parent / "__init__.pyi").read_text())
    named = {n.name for n in stub.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    named |= {n.target.id for n in stub.body if isinstance(n, ast.AnnAssign)}
    assert {n for n in named if not n.startswith("_")} == {n for n in dir(lipisetu) if not n.startswith("_")}
    aliases = {n.targets[0].id: n.value for n in stub.body if isinstance(n, ast.Assign)}
    literal = [e.value for e in aliases["_Scheme"].slice.elts]  # the default first, in both
    assert sorted(literal) == sorted(lipisetu.SCHEMES) and literal[0] == lipisetu.SCHEMES[0]
    assert [e.value for e in aliases["_Script"].slice.elts] == list(lipisetu.SCRIPTS)
    failed, attempted = doctest.testmod(lipisetu, extraglobs={"lipisetu": lipisetu})
    assert failed == 0 and attempted >= 6
    assert inspect.signature(lipisetu.to_roman).parameters["scheme"].default == lipisetu.SCHEMES[0]
