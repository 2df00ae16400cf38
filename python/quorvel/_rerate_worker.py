"""What a Dask worker runs for quorvel.rerate: the tables, loaded once, and partitions of work.

This module is imported on the workers by name (Dask pickles its functions by reference), so a
worker needs the quorvel package installed, and nothing else of the client's.
"""

from __future__ import annotations

import hashlib
from collections.abc import Mapping
from typing import cast

from distributed import WorkerPlugin, get_worker

import quorvel
from quorvel import _quorvel as native


class TablesPlugin(WorkerPlugin):
    """Carries the six islands to each worker once and loads the tables there."""

    def __init__(self, islands: Mapping[str, bytes]) -> None:
        self.islands = dict(islands)
        digest = hashlib.sha256()
        for island_id in sorted(self.islands):
            digest.update(island_id.encode() + b"\0" + self.islands[island_id] + b"\0")
        # Named after the islands, so runs with other tables on the same cluster keep theirs.
        self.name = "quorvel-tables-" + digest.hexdigest()[:16]
        self.tables: quorvel.Tables | None = None

    def setup(self, worker: object) -> None:
        self.tables = quorvel.load_tables(self.islands)


def calculate_partition(plugin_name: str, transactions: list[bytes]) -> list[bytes | quorvel.Error]:
    """The results of a partition of transactions, in order, failures as quorvel.Error.

    A document that is not well-formed XML is such a failure (error 1003), as in `quorvel batch`.
    """
    tables = cast(TablesPlugin, get_worker().plugins[plugin_name]).tables
    assert tables is not None, "the worker plugin loads the tables when it is set up"
    return native.calculate_batch(tables, transactions)
