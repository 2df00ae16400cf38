"""Month-end re-rating: every transaction of a period calculated again, on a Dask cluster.

    python3 -m quorvel.rerate --tables DIR --out DIR [--scheduler ADDRESS] [-r] FILE_OR_FOLDER...

Writes the same files as `quorvel batch --out DIR`, by the same code (the engine's batch library:
which files the arguments stand for, how results and error files are written, the folder's lock)
and a summary on standard error; the exit status is 1 when any transaction failed. Without
--scheduler it starts a local cluster of worker processes listening on 127.0.0.1 only, dashboards
included.

The client reads the inputs and writes the outputs, so the workers need the quorvel package but
no shared file system. The islands go to each worker once, with a worker plugin that loads the
tables there; the transactions go in partitions, a bounded number of them in flight, and come
back in input order. A partition travels inside its task, so that the scheduler can run it again
elsewhere when its worker dies: the run then ends as if nothing had happened.
"""

from __future__ import annotations

import argparse
import collections
import contextlib
import dataclasses
import logging
import os
import signal
import sys
import time
from collections.abc import Iterator, Sequence

import quorvel
from quorvel import _quorvel as native

# A local cluster's addresses: this machine only, any free port.
LOCAL_ONLY = "127.0.0.1:0"

# At most this many transactions, or about this many bytes of them, in one partition; fewer when
# that would leave a worker idle: each worker thread gets about PARTITIONS_PER_THREAD of them.
PARTITION_TRANSACTIONS = 500
PARTITION_BYTES = 4 << 20
PARTITIONS_PER_THREAD = 4


@dataclasses.dataclass
class Summary:
    transactions: int = 0
    failed: int = 0
    seconds: float = 0.0

    def __str__(self) -> str:
        rate = self.transactions / self.seconds if self.seconds > 0 else 0.0
        plural = "" if self.transactions == 1 else "s"
        return (
            f"rerate: {self.transactions} transaction{plural}, {self.failed} failed, "
            f"{self.seconds:.3f} s, {rate:.1f} transactions/s"
        )


def parse_arguments(argv: Sequence[str] | None) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog="python3 -m quorvel.rerate",
        description="Calculate transactions again on a Dask cluster, writing the same files as "
        "`quorvel batch --out`.",
    )
    parser.add_argument("--tables", required=True, help="folder holding the six data islands")
    parser.add_argument("--out", required=True, help="folder for <name>.result.xml and <name>.error.json")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a local cluster)")
    parser.add_argument(
        "--workers", type=int, default=os.cpu_count() or 1,
        help="worker processes of the local cluster (default: one per core)",
    )
    parser.add_argument("-r", "--recursive", action="store_true",
                        help="look for *.xml in the sub-folders of folders too")
    parser.add_argument("inputs", nargs="+", metavar="FILE_OR_FOLDER",
                        help="transaction documents; a folder stands for its *.xml files in name order")
    arguments = parser.parse_args(argv)
    if arguments.workers < 1:
        parser.error("--workers must be at least 1")
    if not arguments.tables or not arguments.out:
        parser.error("--tables and --out need a folder")
    return arguments


def read_islands(folder: str) -> dict[str, bytes]:
    """The six islands' texts from their files in `folder`."""
    islands = {}
    for island_id in quorvel.ISLAND_IDS:
        path = os.path.join(folder, island_id + ".xml")
        try:
            with open(path, "rb") as island:
                islands[island_id] = island.read()
        except OSError as error:
            raise quorvel.Error(
                quorvel.errors.ISLAND_MISSING,
                f'island "{island_id}": cannot read "{path}": {error.strerror or error}',
            ) from error
    return islands


@contextlib.contextmanager
def connect(scheduler: str | None, workers: int) -> Iterator[object]:
    """A client of the scheduler at `scheduler`, or of a local cluster of `workers` processes."""
    from distributed import Client, LocalCluster

    if scheduler:
        with Client(scheduler) as client:
            yield client
        return
    with LocalCluster(
        n_workers=workers,
        threads_per_worker=1,
        processes=True,
        host="127.0.0.1",
        # The scheduler's and the workers' HTTP servers (dashboards, metrics) listen even with
        # the dashboards off, on all interfaces unless told otherwise.
        dashboard_address=LOCAL_ONLY,
        worker_dashboard_address=LOCAL_ONLY,
        silence_logs=logging.ERROR,
    ) as cluster, Client(cluster) as client:
        yield client


def partitions(files: Sequence[native.BatchInput], most: int) -> Iterator[list[native.BatchInput]]:
    """`files` in consecutive groups of at most `most` files or about PARTITION_BYTES."""
    group: list[native.BatchInput] = []
    size = 0
    for file in files:
        try:
            size += os.path.getsize(file.path)
        except OSError:
            pass  # reading it will fail and say why
        group.append(file)
        if len(group) >= most or size >= PARTITION_BYTES:
            yield group
            group, size = [], 0
    if group:
        yield group


class Rerating:
    """One run: sends partitions to the cluster and records their outcomes in input order."""

    def __init__(self, client: object, islands: dict[str, bytes], folder: native.ResultFolder) -> None:
        self.client = client
        self.islands = islands
        self.folder = folder
        self.summary = Summary()

    def run(self, files: Sequence[native.BatchInput]) -> Summary:
        from quorvel._rerate_worker import TablesPlugin

        plugin = TablesPlugin(self.islands)
        self.client.register_worker_plugin(plugin, name=plugin.name)  # type: ignore[attr-defined]
        try:
            self._calculate(files, plugin.name)
        finally:  # a shared cluster's workers keep no tables of this run
            self.client.unregister_worker_plugin(plugin.name)  # type: ignore[attr-defined]
        return self.summary

    def _calculate(self, files: Sequence[native.BatchInput], plugin_name: str) -> None:
        from quorvel._rerate_worker import calculate_partition

        threads = max(1, sum(self.client.nthreads().values()))  # type: ignore[attr-defined]
        in_flight: collections.deque[
            tuple[list[native.BatchInput], dict[int, quorvel.Error], object]
        ] = collections.deque()
        most = min(PARTITION_TRANSACTIONS, -(-len(files) // (threads * PARTITIONS_PER_THREAD)))
        for group in partitions(files, max(1, most)):
            texts, unreadable = self._read(group)
            # The texts go inside the task, which the scheduler keeps until it is done: data
            # scattered to one worker would die with it.
            future = self.client.submit(  # type: ignore[attr-defined]
                calculate_partition, plugin_name, texts, pure=False
            )
            in_flight.append((group, unreadable, future))
            if len(in_flight) > 2 * threads:
                self._record(*in_flight.popleft())
        while in_flight:
            self._record(*in_flight.popleft())

    @staticmethod
    def _read(group: list[native.BatchInput]) -> tuple[list[bytes], dict[int, quorvel.Error]]:
        texts: list[bytes] = []
        unreadable: dict[int, quorvel.Error] = {}
        for index, file in enumerate(group):
            try:
                texts.append(file.read())
            except quorvel.Error as error:
                unreadable[index] = error
        return texts, unreadable

    def _record(self, group: list[native.BatchInput], unreadable: dict[int, quorvel.Error],
                future: object) -> None:
        calculated = iter(future.result())  # type: ignore[attr-defined]
        for index, file in enumerate(group):
            outcome = unreadable[index] if index in unreadable else next(calculated)
            self.summary.transactions += 1
            failure = self.folder.record(file, outcome)
            if failure is not None:
                self.summary.failed += 1
                print(f"rerate: {file.path}: {failure}", file=sys.stderr)


def main(argv: Sequence[str] | None = None) -> int:
    arguments = parse_arguments(argv)
    start = time.monotonic()
    try:
        files = native.expand_inputs(arguments.inputs, arguments.recursive)
        folder = native.ResultFolder(arguments.out)
        folder.refuse_clashes(files)
        islands = read_islands(arguments.tables)
        quorvel.load_tables(islands)  # a bad table fails here, before any cluster starts
        folder.create()
        lock = folder.lock(" ".join(sys.orig_argv))  # held until the run ends
    except (quorvel.Error, native.InputsRefused) as error:
        print(f"rerate: {error}", file=sys.stderr)
        return 1
    # Stopped by SIGTERM as by Ctrl-C: unwinding removes the temporary file being written, and
    # every output on disk is then whole, from this run or (not yet reached) from an earlier one.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    try:
        with lock, connect(arguments.scheduler, arguments.workers) as client:
            summary = Rerating(client, islands, folder).run(files)
    except KeyboardInterrupt:
        print("rerate: interrupted", file=sys.stderr)
        return 130
    except Exception as error:  # the cluster, not a transaction: nothing more can be done
        print(f"rerate: the run stopped: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    summary.seconds = time.monotonic() - start
    print(summary, file=sys.stderr)
    return 1 if summary.failed else 0


if __name__ == "__main__":
    # Run as quorvel.rerate, not __main__, so that Dask finds what it sends by its module's name.
    import quorvel.rerate

    sys.exit(quorvel.rerate.main())
