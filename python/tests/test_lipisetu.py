"""The Python module against the programs: the same text from str, from files and through
the codec, with every error handler, in pieces of any size and from several threads."""
import ast
import codecs
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


def roman_text(seed, n):
    """Random Roman text: the transliteration's letters and marks, separators, digits,
    punctuation, a lone surrogate, a character past the BMP."""
    rnd = random.Random(seed)
    pieces = ["a", "ā", "i", "ī", "u", "ū", "r̥", "e", "ai", "o", "au", "k", "kh", "g", "c",
              "ñ", "ṭ", "ḍ", "ṇ", "t", "th", "d", "n", "p", "b", "m", "y", "r", "l", "v",
              "ś", "ṣ", "s", "h", "ṁ", "ḥ", "m̐", "'", ":", " ", " ", "\n", ".", "2", "0",
              "a\u0304", "\u0323", "q", "z", "x", "\ud800", "\U0001F600", "ê", "ô"]
    return "".join(rnd.choice(pieces) for _ in range(n))


def devanagari_text(seed, n):
    rnd = random.Random(seed)
    chars = [chr(c) for c in range(0x0900, 0x0980)] + [" ", "\n", "a", "\u200d", "\udc80", "\U0001F600"]
    return "".join(rnd.choice(chars) for _ in range(n))


ROMAN = [(SAMPLES / "roman.txt").read_text(), "tat tvam asi\nso'ham", ""] + [roman_text(s, 400) for s in range(6)]
DEVANAGARI = [(SAMPLES / "devanagari.txt").read_text(), ""] + [devanagari_text(s, 400) for s in range(6)]
ISCII = [
    (SAMPLES / "hindi.iscii").read_bytes(),
    b"a\xa0b\xef\nc\xb3\xe9\xf0",
    b"\xb3\xef\xb3\xe9\xa1\n\xa1",
    bytes(range(256)),
    b"",
] + [random.Random(s).randbytes(300) for s in range(4)]


OPTION_SETS = [{}, {"sanskrit": True}, {"numerals": True}, {"sanskrit": True, "numerals": True}]
SCHEMES = [None, "iso", "iast", "hk", "itrans", "slp1", "velthuis", "wx"]
SCHEME_TEXT = DEVANAGARI[0] + "संस्कृतम् कृष्णः क्ह कइ"


def args(options, scheme):
    return ["-s"] * ("sanskrit" in options) + ["-n"] * ("numerals" in options) + ["--scheme", scheme] * bool(scheme)


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("options", [None] + OPTION_SETS, ids=["roman", *map(str, OPTION_SETS)])
def test_conversions_as_the_programs(options, scheme, tmp_path):
    """Text, batches and files, each way, under every option set and with every scheme."""
    kw = {"scheme": scheme} if scheme else {}
    if options is None:
        program, options, texts = "SONWICK", {}, DEVANAGARI + [SCHEME_TEXT]
        convert, batch, onfile = lipisetu.to_roman, lipisetu.to_roman_batch, lipisetu.to_roman_file
    else:
        program = "KAVREL"
        texts = ROMAN + [run("SONWICK", SCHEME_TEXT.encode(), *args({}, scheme))[0].decode()]
        convert, batch, onfile = lipisetu.to_devanagari, lipisetu.to_devanagari_batch, lipisetu.to_devanagari_file
    wants = [run(program, t.encode("utf-8", "surrogatepass"), *args(options, scheme))[0] for t in texts]
    for text, want in zip(texts, wants):
        assert convert(text, **options, **kw) == want.decode("utf-8", "surrogatepass")
    assert batch(texts, **options, **kw) == [w.decode("utf-8", "surrogatepass") for w in wants]
    (tmp_path / "in").write_bytes(texts[-1].encode())
    onfile(tmp_path / "in", tmp_path / "out", **options, **kw)
    assert (tmp_path / "out").read_bytes() == wants[-1]


@pytest.mark.parametrize("options", OPTION_SETS)
def test_batches_as_single_calls(options):
    # Words, whole texts, lone surrogates and a text long enough to be converted in blocks;
    # many times over, a batch converted in two threads.
    words = [w for t in ROMAN + DEVANAGARI for w in t.split(" ")]
    long = roman_text(8, 70000)
    texts = ROMAN + DEVANAGARI + words + [long]
    want = run("KAVREL", long.encode("utf-8", "surrogatepass"), *args(options, None))[0]
    assert lipisetu.to_devanagari(long, **options).encode("utf-8", "surrogatepass") == want
    for batch in [texts, texts * 20, iter(words), []]:
        batch = list(batch)
        want = [lipisetu.to_devanagari(t, **options) for t in batch]
        assert lipisetu.to_devanagari_batch(iter(batch), **options) == want
    deva = [lipisetu.to_devanagari(t, **options) for t in texts]
    iscii = ISCII + [bytearray(ISCII[1]), memoryview(ISCII[2]), bytes(range(256)) * 300]
    for convert, batch_of, items in [(lipisetu.to_roman, lipisetu.to_roman_batch, deva),
                                     (lipisetu.from_iscii, lipisetu.from_iscii_batch, iscii)]:
        for batch in [items, items * 20, ()]:
            assert batch_of(batch) == [convert(t) for t in batch]


def test_batch_errors():
    with pytest.raises(TypeError, match="item 1 is bytes"):
        lipisetu.to_devanagari_batch(["ka", b"ka"])
    with pytest.raises(TypeError):
        lipisetu.to_roman_batch(5)
    with pytest.raises(TypeError):
        lipisetu.from_iscii_batch([b"a", "a"])
    with pytest.raises(TypeError, match="unexpected keyword argument 'numerals'"):
        lipisetu.to_roman_batch([], numerals=True)


class Trickle(io.BytesIO):
    """A binary file object that reads at most `most` bytes a call."""

    def __init__(self, data, most):
        super().__init__(data)
        self.most = most

    def readinto(self, b):
        return super().readinto(memoryview(b)[:self.most])


# Sources: a path, a file object, one that gives few bytes a read, and one with read alone.
SOURCES = {"bytesio": io.BytesIO, "trickle1": lambda d: Trickle(d, 1), "trickle2": lambda d: Trickle(d, 2),
           "trickle7": lambda d: Trickle(d, 7), "readonly": lambda d: types.SimpleNamespace(read=io.BytesIO(d).read)}


@pytest.mark.parametrize("source", ["path", *SOURCES])
def test_files_as_the_programs(tmp_path, source):
    roman = "\n".join(ROMAN).encode("utf-8", "surrogatepass") * 50
    deva = "\n".join(DEVANAGARI).encode("utf-8", "surrogatepass") * 50
    iscii = b"".join(ISCII) * 50

    def opened(data):
        if source != "path":
            return SOURCES[source](data)
        (tmp_path / "in").write_bytes(data)
        return tmp_path / "in"

    out = io.BytesIO()
    lipisetu.to_devanagari_file(opened(roman), out, sanskrit=True, output="utf-16le")
    assert out.getvalue() == run("KAVREL", roman, "-s", "-ol")[0]
    target = tmp_path / "out"
    lipisetu.to_roman_file(opened(deva), target)
    assert target.read_bytes() == run("SONWICK", deva)[0]
    out, seen = io.BytesIO(), []
    count = lipisetu.iscii_file(opened(iscii), out, on_message=seen.append)
    text, messages = run("PELLAM", iscii)
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
    with pytest.raises(TypeError):
        lipisetu.to_devanagari(b"ka")
    with pytest.raises(ValueError):
        lipisetu.to_devanagari_file(io.BytesIO(), io.BytesIO(), input="latin-1")


@pytest.mark.parametrize("data", ISCII, ids=range(len(ISCII)))
def test_codec_handlers(data):
    text, messages = run("PELLAM", data)
    found = lipisetu.from_iscii(data)[1]
    assert "".join(f"{m}\n" for m in found) == messages
    assert data.decode("iscii-devanagari", "ignore") == text.decode()
    assert data.decode("iscii-devanagari", "replace").count("\ufffd") == len(found)
    if found:
        with pytest.raises(UnicodeDecodeError) as e:
            data.decode("iscii-devanagari")
        first = found[0]
        assert (e.value.encoding, e.value.object, e.value.start, e.value.end) == \
            ("iscii-devanagari", data, first.offset, first.offset + first.span)
        assert e.value.reason == str(first)
    else:
        assert data.decode("iscii-devanagari") == text.decode()
    # The standard handlers see exactly the bytes dropped.
    back = data.decode("iscii-devanagari", "backslashreplace")
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


@pytest.mark.parametrize("data", ISCII[:4], ids=range(4))
def test_incremental_decoder_in_every_split(data):
    whole = data.decode("iscii-devanagari", "replace")
    for cut in range(len(data) + 1):
        d = codecs.getincrementaldecoder("iscii-devanagari")("replace")
        assert d.decode(data[:cut]) + d.decode(data[cut:], final=True) == whole
    d = lipisetu.IsciiIncrementalDecoder("replace")
    assert "".join(d.decode(data[i:i + 1]) for i in range(len(data))) + d.decode(b"", True) == whole


@pytest.mark.parametrize("chunk", [1, 2, 3, 64, 8192])
def test_text_streams(tmp_path, chunk):
    data = b"".join(ISCII[:3]) * 20
    want = data.decode("iscii-devanagari", "replace")
    stream = io.TextIOWrapper(io.BufferedReader(io.BytesIO(data), buffer_size=max(chunk, 1)),
                              encoding="iscii-devanagari", errors="replace")
    stream._CHUNK_SIZE = chunk
    assert stream.read() == want
    (tmp_path / "t").write_bytes(data)
    with open(tmp_path / "t", encoding="iscii_devanagari", errors="replace") as f:
        lines = f.readlines()
        assert "".join(lines) == want
        f.seek(0)
        f.readline()
        at = f.tell()
        rest = f.read()
        f.seek(at)
        assert f.read() == rest
    with pytest.raises(UnicodeDecodeError):
        open(tmp_path / "t", encoding="iscii-devanagari").read()


def test_threads_convert_at_once():
    texts = [roman_text(s, 60000) for s in range(8)]
    alone = [lipisetu.to_devanagari(t) for t in texts]
    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(lipisetu.to_devanagari, texts)) == alone
        back = [lipisetu.to_roman(t) for t in alone]
        assert list(pool.map(lipisetu.to_roman, alone)) == back
    # While one thread converts a large text, this one keeps running.
    big = roman_text(99, 200000) * 20
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


def test_stub_names_the_module():
    stub = ast.parse((pathlib.Path(__file__).parent.parent / "lipisetu.pyi").read_text())
    named = {n.name for n in stub.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    named |= {n.target.id for n in stub.body if isinstance(n, ast.AnnAssign)}
    public = {n for n in dir(lipisetu) if not n.startswith("_")}
    assert {n for n in named if not n.startswith("_")} == public


def test_unknown_scheme():
    with pytest.raises(ValueError, match="scheme must be"):
        lipisetu.to_roman("क", scheme="klingon")
