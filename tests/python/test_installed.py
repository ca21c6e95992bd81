"""The package `cmake --install` puts in place works from any folder, with the
prefix's plug-in host, plug-ins and speech and no build tree to lean on."""

import os
import pathlib
import subprocess
import sys

import pytest


def test_installed_package_imports_and_runs_from_another_folder(tmp_path):
    build = os.environ.get("ORVELLE_BINARY_DIR")
    if not build:
        pytest.fail("ORVELLE_BINARY_DIR is not set; run these tests through ctest")
    prefix = tmp_path / "prefix"
    subprocess.run(["cmake", "--install", build, "--prefix", str(prefix)], check=True, capture_output=True)
    found = list(prefix.rglob("orvelle/__init__.py"))
    assert len(found) == 1
    module_folder = found[0].parent.parent
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["PYTHONPATH"] = str(module_folder)
    script = ("import orvelle; m = orvelle.codec_quality('g711u', size='short'); "
              "print(orvelle.__file__); print(m.plugin_file); print(orvelle.__version__)")
    done = subprocess.run([sys.executable, "-c", script], cwd=elsewhere, env=env, capture_output=True, text=True,
                          check=True)
    package_file, plugin_file, version = done.stdout.split()
    assert pathlib.Path(package_file).is_relative_to(prefix)
    # The bundled plug-in came from the installed tree, not the build tree.
    assert pathlib.Path(plugin_file).is_relative_to(prefix)
    assert version.count(".") >= 1
