"""What the Python package's tests share: the build's programs and files,
named by ctest through the environment."""

import json
import os
import pathlib
import subprocess

import numpy as np
import pytest

import orvelle


def _folder(variable: str) -> pathlib.Path:
    value = os.environ.get(variable)
    if not value:
        pytest.fail(f"{variable} is not set; run these tests through ctest")
    return pathlib.Path(value)


@pytest.fixture(scope="session")
def cli() -> pathlib.Path:
    return _folder("ORVELLE_CLI")


@pytest.fixture(scope="session")
def test_plugins() -> pathlib.Path:
    return _folder("ORVELLE_TEST_PLUGIN_DIR")


@pytest.fixture(scope="session")
def speech() -> list:
    folder = _folder("ORVELLE_SPEECH_DIR")
    names = (folder / "corpus.txt").read_text().split()
    return [folder / name for name in names]


def run_cli(cli: pathlib.Path, *arguments, cwd, failing_rows: bool = False) -> str:
    """The program's output; with `failing_rows` it may exit 1, as a batch
    with a failed row does."""
    done = subprocess.run([str(cli), *map(str, arguments)], cwd=cwd, capture_output=True, text=True)
    if done.returncode not in ((0, 1) if failing_rows else (0,)):
        raise AssertionError(f"orvelle-cli {arguments} exited {done.returncode}: {done.stderr}")
    return done.stdout


def cli_json(cli: pathlib.Path, *arguments, cwd) -> dict:
    return json.loads(run_cli(cli, *arguments, cwd=cwd))


def read_pcm(path) -> np.ndarray:
    return np.fromfile(path, dtype="<i2").astype(np.int16)


@pytest.fixture
def speech_pair(speech, tmp_path):
    """A source from the bundled speech and its copy at half amplitude, as
    files and arrays."""
    source = read_pcm(speech[0])
    processed = (source // 2).astype(np.int16)
    source_file = tmp_path / "source.pcm"
    processed_file = tmp_path / "processed.pcm"
    source.astype("<i2").tofile(source_file)
    processed.astype("<i2").tofile(processed_file)
    return source, processed, source_file, processed_file
