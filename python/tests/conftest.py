"""Where the tests find the command line and the data they hold the package to.

ctest (python/CMakeLists.txt) sets QUORVEL_CLI, QUORVEL_SOURCE_DIR and QUORVEL_SAMPLE_CASES, and
puts the package it built on PYTHONPATH.
"""

import os
import pathlib
import re
import subprocess
from dataclasses import dataclass

import pytest


def _required(name: str) -> str:
    value = os.environ.get(name)
    if not value:
        raise pytest.UsageError(f"{name} is not set: run these tests with ctest (python/CMakeLists.txt)")
    return value


CLI = _required("QUORVEL_CLI")
SOURCE_DIR = pathlib.Path(_required("QUORVEL_SOURCE_DIR"))
EXAMPLE_TABLES = SOURCE_DIR / "examples" / "tables"
EXAMPLE_TRANSACTIONS = sorted((SOURCE_DIR / "examples" / "transactions").glob("*.xml"))
SAMPLE_CASES = pathlib.Path(os.environ.get("QUORVEL_SAMPLE_CASES", "")) / "cases"


@dataclass(frozen=True)
class CliOutcome:
    """What `quorvel calc` gave: the result bytes, or the error number it failed with."""

    result: bytes | None
    number: int | None


def quorvel_calc(tables: pathlib.Path, transaction: pathlib.Path) -> CliOutcome:
    run = subprocess.run([CLI, "calc", "--tables", str(tables), str(transaction)],
                         capture_output=True, timeout=60, check=False)
    if run.returncode == 0:
        return CliOutcome(run.stdout, None)
    match = re.match(rb"quorvel: error (\d+): ", run.stderr)
    assert match, f"quorvel calc failed without an error number: {run.stderr!r}"
    return CliOutcome(None, int(match.group(1)))
