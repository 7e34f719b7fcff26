"""The module in worker processes: its functions pickle by name, and a multiprocessing pool
and a Dask cluster of worker processes convert a folder of files as the programs convert
them, each worker that imports the module having the codec."""
import codecs
import importlib
import logging
import multiprocessing
import os
import pathlib
import pickle
import subprocess
import types

import pytest

import lipisetu

SAMPLES = pathlib.Path(os.environ["SAMPLES"])


def program(name, path):
    return subprocess.run([os.environ[name], str(path)], capture_output=True, check=True).stdout


@pytest.fixture
def corpus(tmp_path):
    """A folder of Roman files, one without a last line feed, one that starts with a byte-order
    mark; a folder of Devanagari files; and ISCII texts."""
    roman = tmp_path / "roman"
    roman.mkdir()
    text = (SAMPLES / "roman.txt").read_text()
    (roman / "a.txt").write_text(text)
    (roman / "b.txt").write_text("tat tvam asi\nsaṁvat 2081\nrāmaḥ")
    (roman / "c.txt").write_text("\ufeff" + "ka:i k:ha " * 300 + "\n" + text * 20)
    deva = tmp_path / "deva"
    deva.mkdir()
    for p in roman.iterdir():
        (deva / p.name).write_bytes(program("KAVREL", p))
    iscii = [(SAMPLES / "hindi.iscii").read_bytes(), b"a\xa0b\xef\nc\xb3\xe9", bytes(range(256))]
    paths = []
    for i, data in enumerate(iscii):
        paths.append(tmp_path / f"{i}.iscii")
        paths[-1].write_bytes(data)
    return types.SimpleNamespace(roman=sorted(roman.iterdir()), deva=sorted(deva.iterdir()), iscii=iscii,
                                 iscii_paths=paths, out=tmp_path)


def test_functions_pickle_by_name():
    functions = [getattr(lipisetu, n) for n in dir(lipisetu)
                 if not n.startswith("_") and isinstance(getattr(lipisetu, n), types.BuiltinFunctionType)]
    assert lipisetu.to_devanagari in functions
    for f in functions:
        assert (f.__module__, f.__qualname__) == ("lipisetu", f.__name__)
        assert pickle.loads(pickle.dumps(f)) is f
    text, messages = lipisetu.from_iscii(b"\xef\n\xa0")
    assert pickle.loads(pickle.dumps((text, messages))) == (text, messages)
    assert messages[0] != messages[1]
    found = lipisetu.detect("kṛṣṇa")
    assert pickle.loads(pickle.dumps(found)) == found


def test_multiprocessing_as_the_programs(corpus):
    # Workers started afresh ("spawn"), each importing the module as it starts, and a call a line.
    context = multiprocessing.get_context("spawn")
    with context.Pool(2, initializer=importlib.import_module, initargs=("lipisetu",)) as pool:
        for roman, deva in zip(corpus.roman, corpus.deva):
            lines = roman.read_text().splitlines(keepends=True)
            assert "".join(pool.map(lipisetu.to_devanagari, lines, chunksize=16)).encode() == deva.read_bytes()
            lines = deva.read_text().splitlines(keepends=True)
            assert "".join(pool.map(lipisetu.to_roman, lines, chunksize=16)).encode() == program("SONWICK", deva)
        # The codec, registered in each worker by its import; from_iscii's messages come back whole.
        decoded = pool.starmap(codecs.decode, [(d, "iscii-devanagari", "ignore") for d in corpus.iscii])
        assert decoded == [program("PELLAM", p).decode() for p in corpus.iscii_paths]
        assert pool.map(lipisetu.from_iscii, corpus.iscii) == [lipisetu.from_iscii(d) for d in corpus.iscii]


@pytest.mark.filterwarnings("ignore::DeprecationWarning")  # tornado's, under distributed
def test_dask_cluster_as_the_programs(corpus):
    db = pytest.importorskip("dask.bag")
    distributed = pytest.importorskip("distributed")
    target = corpus.out / "converted"
    target.mkdir()
    # Each worker imports the module as it starts (preload), so the codec is there for any task.
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=logging.ERROR, preload=["lipisetu"]) as cluster, \
            distributed.Client(cluster, timeout="30s") as client:
        # Whole files, in blocks, a file a task; then the lines, a file's lines a batch call.
        files = db.from_sequence([(p, target / p.name) for p in corpus.roman], npartitions=2)
        client.compute(files.starmap(lipisetu.to_devanagari_file)).result(timeout=60)
        lines = db.read_text([str(p) for p in corpus.deva]).map_partitions(lipisetu.to_roman_batch)
        texts = client.compute(lines.map_partitions(lambda part: ["".join(part)])).result(timeout=60)
        iscii = client.compute(db.from_sequence(corpus.iscii).map_partitions(lipisetu.from_iscii_batch))
        iscii = iscii.result(timeout=60)
        # (Texts read as text have their line ends translated: the ones without a carriage return.)
        plain = corpus.iscii_paths[:2]
        read = db.read_text([str(p) for p in plain], encoding="iscii-devanagari", errors="ignore")
        decoded = client.compute(read.map_partitions(lambda part: ["".join(part)])).result(timeout=60)
    for roman, deva in zip(corpus.roman, corpus.deva):
        assert (target / roman.name).read_bytes() == deva.read_bytes()
    assert [t.encode() for t in texts] == [program("SONWICK", p) for p in corpus.deva]
    assert iscii == [lipisetu.from_iscii(d) for d in corpus.iscii]
    assert [t.encode() for t in decoded] == [program("PELLAM", p) for p in plain]
