"""Quorvel, the sales-tax calculation engine, for Python.

    tables = quorvel.load_tables("examples/tables")    # a folder, or {island id: str | bytes}
    result = quorvel.calculate(tables, transaction)     # the result rowset or "NOHEADER"

Tables are immutable and may be shared by threads; calculate and calculate_many release the GIL.
CQuorvel is the control with its per-thread tables. Every failure is a quorvel.Error. ISLAND_IDS
names the six islands a host gives, in the order they are loaded.
"""

from quorvel import errors
from quorvel._quorvel import (
    ISLAND_IDS,
    CQuorvel,
    Tables,
    __version__,
    calculate,
    calculate_many,
    load_tables,
)
from quorvel.errors import Error

__all__ = [
    "ISLAND_IDS",
    "CQuorvel",
    "Error",
    "Tables",
    "__version__",
    "calculate",
    "calculate_many",
    "errors",
    "load_tables",
]
