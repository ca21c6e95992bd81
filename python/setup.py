"""Builds the orvelle package with the project's own CMake build and packs
what `cmake --install --component python` puts in place: the extension, the
Python files, and the plug-in host, bundled plug-ins and speech the package
carries inside it."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent


def project_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text()
    found = re.search(r"project\(\s*Orvelle\s+VERSION\s+([0-9.]+)", text)
    if not found:
        raise RuntimeError(f"no project version in {ROOT / 'CMakeLists.txt'}")
    return found.group(1)


class CMakeBuild(build_ext):
    """Configures, builds and installs the package's CMake component, then
    copies the installed package into the wheel's tree."""

    def build_extension(self, ext: Extension) -> None:
        build_dir = pathlib.Path(self.build_temp).resolve() / "cmake"
        build_dir.mkdir(parents=True, exist_ok=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
                        f"-DPython3_EXECUTABLE={sys.executable}", "-DORVELLE_BUILD_PYTHON=ON", "-DORVELLE_PYTHON_SELF_CONTAINED=ON",
                        "-DORVELLE_BUILD_TESTS=OFF", "-DORVELLE_BUILD_BENCH=OFF", "-DORVELLE_BUILD_APP=OFF"],
                       check=True)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "orvelle_python_package", "-j", jobs],
                       check=True)
        with tempfile.TemporaryDirectory(prefix="orvelle-install-") as prefix:
            subprocess.run(["cmake", "--install", str(build_dir), "--prefix", prefix, "--component", "python"],
                           check=True)
            installed = [p.parent for p in pathlib.Path(prefix).rglob("orvelle/__init__.py")]
            if len(installed) != 1:
                raise RuntimeError(f"the install put {len(installed)} orvelle packages under {prefix}")
            target = pathlib.Path(self.get_ext_fullpath(ext.name)).parent
            shutil.rmtree(target, ignore_errors=True)
            shutil.copytree(installed[0], target, symlinks=False)


setup(
    name="orvelle",
    version=project_version(),
    description="How much a speech codec degrades narrow-band speech: scores from numpy arrays or voice files",
    python_requires=">=3.9",
    install_requires=["numpy"],
    ext_modules=[Extension("orvelle._orvelle", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
