"""Arrays and paths alike; every refused input raises its own error."""

import math
import wave

import numpy as np
import pytest

import orvelle


def test_array_and_path_give_one_result(speech_pair, tmp_path):
    source, processed, source_file, processed_file = speech_pair
    assert orvelle.compare(source, processed).to_dict() == orvelle.compare(source_file, processed_file).to_dict()
    # Signals of unequal length are padded to the longer one alike.
    shorter = processed[:-3001]
    shorter_file = tmp_path / "shorter.pcm"
    shorter.astype("<i2").tofile(shorter_file)
    assert orvelle.compare(source, shorter).to_dict() == orvelle.compare(source_file, shorter_file).to_dict()
    assert orvelle.compare(shorter, source).to_dict() == orvelle.compare(shorter_file, source_file).to_dict()
    # A big-endian or strided int16 array holds the same samples.
    assert orvelle.compare(source.astype(">i2"), processed[::1].repeat(2)[::2]).score == \
        orvelle.compare(source, processed).score
    # os.PathLike and str alike.
    assert orvelle.compare(str(source_file), str(processed_file)).score == orvelle.compare(source, processed).score


def test_float_arrays_round_as_the_resampler_and_count_clipping(speech_pair):
    source, processed, _, _ = speech_pair
    # Values half-way between samples round to even, and three beyond the
    # 16-bit range are clipped: the same as the int16 result of that rounding.
    values = processed.astype(np.float64) + 0.5
    values[:3] = [40000.0, -40000.0, 32767.6]
    expected = np.clip(np.rint(values), -32768, 32767).astype(np.int16)
    for dtype in (np.float64, np.float32):
        floats = (values / 32768).astype(dtype)
        scaled = orvelle.compare(source.astype(np.float32) / 32768, floats, scale=32768)
        rounded = np.clip(np.rint(floats.astype(np.float64) * 32768), -32768, 32767).astype(np.int16)
        assert scaled.to_dict() == orvelle.compare(source, rounded).to_dict()
        assert scaled.clipped_samples == {"source": 0, "processed": 3}
        assert any("3 samples clipped" in note for note in scaled.conversion_notes)
    assert np.array_equal(rounded, expected)


@pytest.mark.parametrize("make, text", [
    (lambda s: None, "None"),
    (lambda s: list(s), "numpy array or a path"),
    (lambda s: np.stack([s, s]), "dimensions"),
    (lambda s: s.astype(np.int32), "int32"),
    (lambda s: s.astype(np.float64), "scale="),
    (lambda s: np.where(np.arange(s.size) == 7, np.nan, s / 32768), "NaN at index 7"),
    (lambda s: np.where(np.arange(s.size) == 9, np.inf, s / 32768), "infinite value at index 9"),
    (lambda s: "", "path is empty"),
    (lambda s: s[:100], "too short"),
])
def test_refused_processed_signal_raises_input_error(make, text, speech_pair):
    source, processed, _, _ = speech_pair
    value = make(processed)
    scale = 32768 if isinstance(value, np.ndarray) and value.dtype.kind == "f" and "scale" not in text else None
    with pytest.raises(orvelle.InputError, match=text) as raised:
        orvelle.compare(source if scale is None else source / 32768, value, scale=scale)
    assert "processed" in str(raised.value)


def test_refused_combinations(speech_pair, tmp_path):
    source, processed, source_file, _ = speech_pair
    with pytest.raises(orvelle.InputError, match="both as arrays or both as paths"):
        orvelle.compare(source_file, processed)
    with pytest.raises(orvelle.InputError, match="int16 already"):
        orvelle.compare(source, processed, scale=32768)
    with pytest.raises(orvelle.InputError, match="positive finite"):
        orvelle.compare(source / 1.0, processed / 1.0, scale=-1)
    with pytest.raises(orvelle.InputError, match="size must be"):
        orvelle.codec_quality("g711u", size="huge")


def test_file_errors_name_the_file_and_cause(speech_pair, tmp_path):
    _, _, source_file, processed_file = speech_pair
    with pytest.raises(orvelle.InputError, match="nowhere.pcm") as missing:
        orvelle.compare(source_file, tmp_path / "nowhere.pcm")
    assert missing.value.kind == "fileUnreadable"
    wav = tmp_path / "wide.wav"
    with wave.open(str(wav), "wb") as out:
        out.setnchannels(1), out.setsampwidth(2), out.setframerate(16000)
        out.writeframes(np.zeros(40000, dtype="<i2").tobytes())
    with pytest.raises(orvelle.FormatError, match="wide.wav") as other:
        orvelle.compare(source_file, wav)
    assert other.value.kind == "needsConversion"


def test_silence_is_not_measurable():
    silence = np.zeros(40000, dtype=np.int16)
    with pytest.raises(orvelle.NotMeasurableError) as raised:
        orvelle.compare(silence, silence)
    assert isinstance(raised.value, orvelle.Error) and raised.value.kind == "notMeasurable"


def test_log_and_report(speech_pair, tmp_path):
    source, processed, _, _ = speech_pair
    log = tmp_path / "run.log"
    m = orvelle.compare(source, processed, log=log, pictures=True)
    assert log.stat().st_size > 0
    html = m.report_html()
    assert 'data-field="score"' in html and "<svg" in html
    with pytest.raises(orvelle.InputError, match="pictures=True"):
        orvelle.compare(source, processed).report_html()
    with pytest.warns(RuntimeWarning, match="nowhere"):
        orvelle.compare(source, processed, log=tmp_path / "nowhere" / "run.log")
