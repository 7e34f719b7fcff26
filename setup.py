"""The Python module built by the project's own CMake build, for pip and for python3 -m build.

The build is configured for the library and the module alone (LIPISETU_MODULE_ONLY), for the
interpreter that runs this, in setuptools' build folder (build-python/ in the tree); the
package it makes (the extension as lipisetu/__init__, its stub and py.typed) is what the
wheel holds. The version is the project's, read from the top CMakeLists.txt.
"""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"\bproject\(\s*[\w-]+\s+VERSION\s+([0-9.]+)", text)
    if not found:
        sys.exit("CMakeLists.txt: no project(... VERSION ...)")
    return found.group(1)


class cmake_build_ext(build_ext):
    def build_extension(self, ext):
        if not shutil.which("cmake"):
            sys.exit("the module is built with CMake: install cmake (and g++, pybind11-dev, libutf8proc-dev)")
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DLIPISETU_MODULE_ONLY=ON", f"-DLIPISETU_PYTHON={sys.executable}"], check=True)
        # CMAKE_BUILD_PARALLEL_LEVEL, where it is set, chooses the jobs.
        jobs = [] if "CMAKE_BUILD_PARALLEL_LEVEL" in os.environ else ["-j", str(os.cpu_count() or 1)]
        subprocess.run(["cmake", "--build", str(build), "--target", "lipisetu_python", *jobs], check=True)
        built = build / "python" / "lipisetu"
        target = Path(self.get_ext_fullpath(ext.name))
        if not (built / target.name).is_file():
            sys.exit(f"the CMake build made no {target.name} in {built}")
        shutil.copytree(built, target.parent, dirs_exist_ok=True)


setup(
    version=version(),
    ext_modules=[Extension("lipisetu.__init__", sources=[])],
    cmdclass={"build_ext": cmake_build_ext},
    # The tree's build/ is CMake's.
    options={"build": {"build_base": "build-python"}},
)
