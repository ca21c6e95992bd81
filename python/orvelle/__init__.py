"""Orvelle from Python: how much a speech codec degrades narrow-band speech.

Score a processed signal against its source (16-bit mono at 8000 Hz), as
arrays or as voice files, and get exactly what ``orvelle-cli --json``
prints::

    import numpy as np
    import orvelle

    m = orvelle.compare("source.pcm", "decoded.pcm")
    print(m.score, m.points, m.companion.delay_ms)

    source = np.fromfile("source.pcm", dtype="<i2")
    decoded = model(source.astype(np.float32) / 32768)   # floats in [-1, 1)
    m = orvelle.compare(source / 32768, decoded, scale=32768)

    for item in orvelle.batch(pairs, jobs=4):   # one item per pair, in order
        print(item.index, item.measurement.score if item.ok else item.error)

Calls
    compare, codec_quality, compare_codecs, signal, batch, league,
    bundled_plugins.
Results
    Measurement (score, points, agreement, groups, companion, speech_frames,
    to_dict(), report_html()), Companion, BatchItem.
Errors
    Error, and its subclasses InputError, FormatError, NotMeasurableError,
    PluginError (PluginLoadError, PluginCrashError, PluginTimeoutError),
    StoppedError, OutOfMemoryError, WriteError.

Every call releases the GIL while the engine works, so Python threads
measure side by side; Ctrl-C stops a running call (and any plug-in host it
started) and raises KeyboardInterrupt.
"""

from __future__ import annotations

import os
import tempfile
from typing import Iterable, NamedTuple, Optional, Sequence, Union

import numpy as np

from ._errors import (
    Error,
    FormatError,
    InputError,
    NotMeasurableError,
    OutOfMemoryError,
    PluginCrashError,
    PluginError,
    PluginLoadError,
    PluginTimeoutError,
    StoppedError,
    WriteError,
)
from ._version import __version__
from . import _orvelle
from ._orvelle import BatchItem, BatchRun, Companion, Measurement

__all__ = [
    "BatchItem", "BatchRun", "CodecComparison", "Companion", "Error", "FormatError", "InputError",
    "Measurement", "NotMeasurableError", "OutOfMemoryError", "PluginCrashError", "PluginError",
    "PluginLoadError", "PluginTimeoutError", "StoppedError", "WriteError", "__version__",
    "batch", "bundled_plugins", "codec_quality", "compare", "compare_codecs", "league", "signal",
]

Signal = Union[np.ndarray, str, "os.PathLike[str]"]


class CodecComparison(NamedTuple):
    """What compare_codecs() gives: each codec's output as an int16 array."""

    source_output: np.ndarray
    tested_output: np.ndarray


def compare(source: Signal, processed: Signal, *, companion: bool = True, pictures: bool = False,
            log: Optional[Union[str, "os.PathLike[str]"]] = None, scale: Optional[float] = None,
            resample: bool = False) -> Measurement:
    """Score the processed signal against the source signal.

    Each side is a 1-D numpy array or a path (str or os.PathLike), both of
    one kind. A path is read exactly as ``orvelle-cli compare-files`` reads
    it: headerless 16-bit mono samples, or a sound file at 8000 Hz mono
    16-bit (``resample=True`` converts others). An int16 array is taken as
    it is and scores as the headerless file holding it. A float32/float64
    array needs ``scale=`` (32768 for samples in [-1, 1)); it is rounded as
    the resampler rounds and clipped to 16 bits, and the clipped samples are
    counted in ``Measurement.clipped_samples``. Other dtypes, 2-D arrays,
    NaN or infinity and None raise InputError.

    ``companion`` measures the delay, segmental SNR and level difference;
    ``pictures`` keeps the spectra for ``report_html()``; ``log`` writes the
    measurement log to that path (None: no log).
    """
    return _orvelle.compare(source, processed, companion=companion, pictures=pictures,
                            log=None if log is None else os.fspath(log), scale=scale, resample=resample)


def codec_quality(plugin: str, source: Optional[Signal] = None, *, size: str = "normal",
                  timeout: Optional[float] = None, in_process: bool = False, companion: bool = True,
                  pictures: bool = False, log: Optional[Union[str, "os.PathLike[str]"]] = None,
                  scale: Optional[float] = None, resample: bool = False) -> Measurement:
    """Run speech through a codec plug-in and score what comes back.

    ``plugin`` is a path to a plug-in library or the bare name of a bundled
    one (see bundled_plugins()). ``source`` is an array or a path as in
    compare(), or None for the internal source of ``size`` ("short",
    "normal", "long"). The plug-in runs in a host process, each load and
    call limited to ``timeout`` seconds (None: no limit), unless
    ``in_process``. The codec's output is ``Measurement.processed``.
    """
    return _orvelle.codec_quality(plugin, source, size=size, timeout=timeout, in_process=in_process,
                                  companion=companion, pictures=pictures,
                                  log=None if log is None else os.fspath(log), scale=scale, resample=resample)


def compare_codecs(source_plugin: str, tested_plugin: str, *, size: str = "normal",
                   timeout: Optional[float] = None, in_process: bool = False) -> CodecComparison:
    """Run the internal source of ``size`` through a source codec and a
    tested codec; give back both outputs (no score is made)."""
    outputs = _orvelle.compare_codecs(source_plugin, tested_plugin, size=size, timeout=timeout,
                                      in_process=in_process)
    return CodecComparison(*outputs)


def signal(size: str = "normal", path: Optional[Union[str, "os.PathLike[str]"]] = None) -> np.ndarray:
    """The internal source of ``size`` ("short", "normal", "long") as an
    int16 array, exactly as ``orvelle-cli signal`` writes it; also written
    to ``path`` when one is given."""
    if path is not None:
        _orvelle.write_signal(size, os.fspath(path))
        return np.fromfile(os.fspath(path), dtype="<i2").astype(np.int16)
    with tempfile.TemporaryDirectory(prefix="orvelle-") as folder:
        written = os.path.join(folder, "signal.pcm")
        _orvelle.write_signal(size, written)
        return np.fromfile(written, dtype="<i2").astype(np.int16)


def batch(pairs: Iterable[Sequence[Union[str, "os.PathLike[str]"]]], *, jobs: Optional[int] = None,
          companion: bool = True, resample: bool = False) -> BatchRun:
    """Score many (source, processed) pairs of voice files on ``jobs``
    threads (None: one per core), as ``orvelle-cli batch`` does.

    Yields one BatchItem per pair, in input order, as soon as it and every
    pair before it are done. Each holds a measurement or the error that
    stopped that pair (a pair that is not two paths gets an InputError);
    one bad pair never stops the rest. Leaving the loop early, or Ctrl-C,
    stops the pairs still running.
    """
    return _orvelle.batch(pairs, jobs=jobs, companion=companion, resample=resample)


def league(plugins: Optional[Sequence[str]] = None, *, speech: bool = True, jobs: Optional[int] = None,
           size: str = "normal", timeout: Optional[float] = None) -> list:
    """Rank codec plug-ins (None: every bundled one) by Codec Quality.

    With ``speech`` each plug-in codes every file of the bundled speech
    corpus (its rows give the mean), else the internal source of ``size``.
    ``jobs`` plug-ins run at a time (None: one). Returns the rows as
    ``orvelle-cli league --json`` prints them: dicts with plugin, rank,
    score, points, agreement, companion, frameSize, seconds, error and, with
    speech, files.
    """
    return _orvelle.league(None if plugins is None else list(plugins), speech=speech, jobs=jobs, size=size,
                           timeout=timeout)


def bundled_plugins() -> list:
    """The bare names of the codec plug-ins that ship with Orvelle."""
    return _orvelle.bundled_plugins()
