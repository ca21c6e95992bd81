"""Threads side by side, batches that keep going past a bad pair, and no
memory kept from call to call."""

import concurrent.futures
import resource

import numpy as np
import pytest

import orvelle
from conftest import read_pcm


def test_threads_side_by_side_give_the_sequential_results(speech):
    pairs = [(read_pcm(voice), (read_pcm(voice) // (i + 2)).astype(np.int16)) for i, voice in enumerate(speech)]
    one_by_one = [orvelle.compare(s, p).to_dict() for s, p in pairs]
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(pairs)) as pool:
        side_by_side = list(pool.map(lambda pair: orvelle.compare(*pair).to_dict(), pairs * 2))
    assert side_by_side == one_by_one * 2


def test_batch_keeps_order_and_per_item_errors(speech, tmp_path):
    silent = tmp_path / "silent.pcm"
    np.zeros(40000, dtype="<i2").tofile(silent)
    pairs = [
        (speech[0], speech[0]),
        (tmp_path / "missing.pcm", speech[1]),
        (silent, silent),
        42,
        (speech[2], speech[2], speech[2]),
        (read_pcm(speech[3]), read_pcm(speech[3])),
        (speech[1], speech[2]),
    ]
    items = list(orvelle.batch(pairs, jobs=3))
    assert [item.index for item in items] == list(range(len(pairs)))
    kinds = [type(item.error) if item.error else None for item in items]
    assert kinds == [None, orvelle.InputError, orvelle.NotMeasurableError, orvelle.InputError, orvelle.InputError,
                     orvelle.InputError, None]
    assert items[0].result().score == orvelle.compare(speech[0], speech[0]).score
    assert items[6].measurement.to_dict() == orvelle.compare(speech[1], speech[2]).to_dict()
    with pytest.raises(orvelle.NotMeasurableError):
        items[2].result()


def test_leaving_a_batch_early_stops_it(speech):
    run = orvelle.batch([(speech[0], speech[1])] * 50, jobs=2)
    first = next(run)
    assert first.ok
    run.close()
    assert list(run) == []


def test_no_memory_growth_over_a_thousand_calls():
    rng = np.random.default_rng(7)
    source = (rng.standard_normal(20000) * 3000).astype(np.int16)
    processed = (source // 2).astype(np.int16)
    for _ in range(50):
        orvelle.compare(source, processed, pictures=True)
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    for _ in range(1000):
        m = orvelle.compare(source, processed, pictures=True)
        m.to_dict()
    grown_kib = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before
    assert grown_kib < 8 * 1024, f"peak memory grew by {grown_kib} KiB over 1000 calls"
