"""Every figure the package gives equals the command line's, to the last bit."""

import json

import numpy as np
import pytest

import orvelle
from conftest import cli_json, read_pcm, run_cli

CODECS = ["g711u", "gsm610", "g729a", "codec2_2400"]


@pytest.mark.parametrize("codec", CODECS)
def test_codec_quality_and_compare_match_cli_json(codec, cli, speech, tmp_path):
    voice = speech[1]
    processed_file = tmp_path / f"{codec}.pcm"
    expected = cli_json(cli, "quality", "--codec", codec, "--voice", voice, "--json", "--save-processed",
                        processed_file, cwd=tmp_path)

    by_path = orvelle.codec_quality(codec, voice)
    assert by_path.to_dict() == expected
    by_array = orvelle.codec_quality(codec, read_pcm(voice))
    assert by_array.to_dict() == expected
    # The processed samples handed back are those the command line saved.
    saved = read_pcm(processed_file)
    assert np.array_equal(by_path.processed[: saved.size], saved)

    files = cli_json(cli, "compare-files", voice, processed_file, "--json", cwd=tmp_path)
    assert orvelle.compare(voice, processed_file).to_dict() == files
    assert orvelle.compare(read_pcm(voice), saved).to_dict() == files


def test_attributes_are_the_dict_values(speech_pair):
    source, processed, _, _ = speech_pair
    m = orvelle.compare(source, processed)
    d = m.to_dict()
    assert (m.score, m.points, m.agreement, m.groups) == (d["score"], d["points"], d["agreement"], d["groups"])
    c = d["companion"]
    assert (m.companion.delay_samples, m.companion.delay_ms, m.companion.delay_method,
            m.companion.segmental_snr_db, m.companion.level_difference_db, m.companion.speech_frames) == (
        c["delaySamples"], c["delayMs"], c["delayMethod"], c["segmentalSnrDb"], c["levelDifferenceDb"],
        c["speechFrames"])
    assert m.speech_frames > 0
    without = orvelle.compare(source, processed, companion=False)
    assert without.companion is None and without.to_dict()["companion"] is None
    assert without.score == m.score


def test_batch_items_match_cli_batch_rows(cli, speech, tmp_path):
    pairs = []
    for i, voice in enumerate(speech[:3]):
        half = tmp_path / f"half{i}.pcm"
        (read_pcm(voice) // 2).astype("<i2").tofile(half)
        pairs.append((str(voice), str(half)))
    pairs.append((str(tmp_path / "missing.pcm"), str(speech[0])))
    listing = tmp_path / "pairs.csv"
    listing.write_text("source,processed\n" + "".join(f"{s},{p}\n" for s, p in pairs))
    rows = [json.loads(line) for line in run_cli(cli, "batch", listing, "--groups", "--jobs", "2", cwd=tmp_path,
                                                 failing_rows=True).splitlines()]
    assert len(rows) == len(pairs)

    items = list(orvelle.batch(pairs, jobs=2))
    assert [item.index for item in items] == list(range(len(pairs)))
    for item, row in zip(items, rows):
        assert (item.source, item.processed) == (row["source"], row["processed"])
        if row["error"] is None:
            d = item.measurement.to_dict()
            for key in ("score", "points", "agreement", "companion", "groups"):
                assert d[key] == row[key], key
        else:
            assert isinstance(item.error, orvelle.InputError)
            assert "missing.pcm" in str(item.error)


def test_league_rows_match_cli_league(cli, tmp_path):
    expected = cli_json(cli, "league", "g711u", "g711a", "--size", "short", "--json", cwd=tmp_path)["rows"]
    rows = orvelle.league(["g711u", "g711a"], speech=False, size="short")
    strip = lambda row: {k: v for k, v in row.items() if k != "seconds"}
    assert [strip(r) for r in rows] == [strip(r) for r in expected]


def test_signal_is_what_the_command_line_writes(cli, tmp_path):
    run_cli(cli, "signal", "--size", "short", tmp_path / "cli.pcm", cwd=tmp_path)
    assert np.array_equal(orvelle.signal("short"), read_pcm(tmp_path / "cli.pcm"))
