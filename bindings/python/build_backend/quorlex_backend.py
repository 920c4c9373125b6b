"""A build backend for the quorlex package alone: a pure-Python wheel of the
quorlex folder, made with the standard library (no setuptools to fetch)."""

import base64
import hashlib
import os
import tarfile
import zipfile

NAME = "quorlex"
VERSION = "0.1.0"
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIST_INFO = f"{NAME}-{VERSION}.dist-info"
METADATA = f"""Metadata-Version: 2.1
Name: {NAME}
Version: {VERSION}
Summary: Print a PDF to a named printer, unattended, and read the outcome
License: GPL-2.0-or-later
Requires-Python: >=3.9
"""
WHEEL = """Wheel-Version: 1.0
Generator: quorlex_backend
Root-Is-Purelib: true
Tag: py3-none-any
"""


def _package_files():
    folder = os.path.join(HERE, NAME)
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path) and (name.endswith(".py") or name == "py.typed"):
            yield f"{NAME}/{name}", path


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    folder = os.path.join(metadata_directory, DIST_INFO)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "METADATA"), "w", encoding="utf-8") as out:
        out.write(METADATA)
    with open(os.path.join(folder, "WHEEL"), "w", encoding="utf-8") as out:
        out.write(WHEEL)
    return DIST_INFO


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    wheel_name = f"{NAME}-{VERSION}-py3-none-any.whl"
    records = []
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        entries = [(name, open(path, "rb").read()) for name, path in _package_files()]
        entries += [(f"{DIST_INFO}/METADATA", METADATA.encode()), (f"{DIST_INFO}/WHEEL", WHEEL.encode())]
        for name, data in entries:
            wheel.writestr(name, data)
            records.append(_record_line(name, data))
        records.append(f"{DIST_INFO}/RECORD,,")
        wheel.writestr(f"{DIST_INFO}/RECORD", "\n".join(records) + "\n")
    return wheel_name


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{VERSION}"
    sdist_name = f"{base}.tar.gz"
    with tarfile.open(os.path.join(sdist_directory, sdist_name), "w:gz") as sdist:
        for name in ("pyproject.toml", "README.md"):
            sdist.add(os.path.join(HERE, name), f"{base}/{name}")
        sdist.add(os.path.join(HERE, "build_backend", "quorlex_backend.py"), f"{base}/build_backend/quorlex_backend.py")
        for name, path in _package_files():
            sdist.add(path, f"{base}/{name}")
    return sdist_name
