import os
from collections.abc import Callable, Iterable, Mapping
from typing import TypeVar, overload

from quorvel.errors import Error

__version__: str
ISLAND_IDS: tuple[str, ...]
_ENGINE_ERROR_NUMBERS: dict[str, int]

_Host = str | os.PathLike[str] | Mapping[str, str | bytes] | Callable[[str], str | bytes]
_Text = TypeVar("_Text", str, bytes)

class Tables:
    """Loaded reference tables: immutable, safe to share between threads."""

def load_tables(source: _Host) -> Tables: ...
@overload
def calculate(tables: Tables, transaction: str) -> str: ...
@overload
def calculate(tables: Tables, transaction: bytes) -> bytes: ...
def calculate_many(tables: Tables, transactions: Iterable[_Text]) -> list[_Text | Error]: ...

class CQuorvel:
    def __init__(self, host: _Host) -> None: ...
    @overload
    def CalcTaxes(self, pstrLines: str) -> str: ...
    @overload
    def CalcTaxes(self, pstrLines: bytes) -> bytes: ...
    def LoadTables(self) -> None: ...
    def LoadDataObjects(self) -> None: ...
