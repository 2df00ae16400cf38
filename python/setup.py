"""Builds the package quorvel: its extension module comes from the project's own CMake build (the
engine's one list of sources, pugixml as `make build` gets it), its version from CMake's project().
Needs the whole source tree: python/ alone is not enough."""

import os
import pathlib
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent.parent


def project_version() -> str:
    match = re.search(r"project\(quorvel VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    if not match:
        sys.exit(f"setup.py: no project(quorvel VERSION ...) in {ROOT / 'CMakeLists.txt'}")
    return match.group(1)


def pugixml_source() -> str:
    """pugixml's source tree: QUORVEL_PUGIXML_SOURCE_DIR, or Debian's unpacked in third_party/."""
    given = os.environ.get("QUORVEL_PUGIXML_SOURCE_DIR")
    if given:
        return given
    subprocess.run([str(ROOT / "scripts" / "fetch-pugixml")], check=True)
    return str(ROOT / "third_party" / "pugixml")


class CMakeBuild(build_ext):
    """Builds the extension with CMake, straight into the place setuptools packages it from."""

    def build_extension(self, ext: Extension) -> None:
        module = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        build_dir = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.run([
            "cmake", "-S", str(ROOT), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
            "-DQUORVEL_BUILD_PYTHON=ON", "-DQUORVEL_BUILD_CLI=OFF", "-DQUORVEL_BUILD_TESTS=OFF",
            "-DQUORVEL_BUILD_BENCHMARKS=OFF", "-DQUORVEL_BUILD_FUZZERS=OFF",
            f"-DQUORVEL_PUGIXML_SOURCE_DIR={pugixml_source()}",
            "-DPYBIND11_FINDPYTHON=ON", f"-DPython_EXECUTABLE={sys.executable}",
            f"-DQUORVEL_PYTHON_PACKAGE_DIR={module.parent}",
        ], check=True)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "quorvel_python",
                        "-j", str(os.cpu_count() or 1)], check=True)
        if not module.exists():
            sys.exit(f"setup.py: CMake did not build {module}")


if not (ROOT / "src" / "CMakeLists.txt").exists():
    sys.exit(f"setup.py: the engine's sources are not in {ROOT}: install from the whole project")

setup(
    version=project_version(),
    ext_modules=[Extension("quorvel._quorvel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
