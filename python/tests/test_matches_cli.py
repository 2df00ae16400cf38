"""The examples and the shared sample cases through calculate, calculate_many and CQuorvel give
byte for byte what `quorvel calc` gives, and fail with the same error number."""

import functools
import pathlib

import pytest
from conftest import EXAMPLE_TABLES, EXAMPLE_TRANSACTIONS, SAMPLE_CASES, quorvel_calc

import quorvel


def _transactions() -> list:
    cases = [pytest.param(EXAMPLE_TABLES, t, id=f"examples/{t.stem}") for t in EXAMPLE_TRANSACTIONS]
    if SAMPLE_CASES.is_dir():
        for case in sorted(p for p in SAMPLE_CASES.iterdir() if p.is_dir()):
            if (case / "NOTABLES").exists():
                continue  # no tables: held to NODATA in test_control.py
            cases += [pytest.param(case, t, id=f"{case.name}/{t.stem}")
                      for t in sorted(case.glob("trans-*.xml"))]
    return cases


@functools.cache
def _tables(folder: pathlib.Path) -> quorvel.Tables | quorvel.Error:
    try:
        return quorvel.load_tables(folder)
    except quorvel.Error as error:
        return error


def _outcome(calculate, text):
    try:
        return calculate(text)
    except quorvel.Error as error:
        return error


@pytest.mark.parametrize("tables_folder,transaction", _transactions())
def test_same_as_quorvel_calc(tables_folder: pathlib.Path, transaction: pathlib.Path) -> None:
    expected = quorvel_calc(tables_folder, transaction)
    text = transaction.read_bytes()
    tables = _tables(tables_folder)
    control = quorvel.CQuorvel(str(tables_folder))
    if isinstance(tables, quorvel.Error):
        outcomes = [tables, _outcome(lambda _: control.LoadTables(), None)]
    else:
        control.LoadTables()
        outcomes = [
            _outcome(lambda t: quorvel.calculate(tables, t), text),
            quorvel.calculate_many(tables, [text])[0],
            _outcome(control.CalcTaxes, text),
        ]
        if _is_utf8(text):  # the same through str, result as str
            as_str = _outcome(lambda t: quorvel.calculate(tables, t), text.decode())
            outcomes.append(as_str.encode() if isinstance(as_str, str) else as_str)
    for outcome in outcomes:
        if expected.number is None:
            assert outcome == expected.result
        else:
            assert isinstance(outcome, quorvel.Error) and outcome.number == expected.number, outcome


def _is_utf8(text: bytes) -> bool:
    try:
        text.decode()
        return True
    except UnicodeDecodeError:
        return False
