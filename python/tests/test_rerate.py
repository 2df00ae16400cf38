"""python3 -m quorvel.rerate on a local Dask cluster writes what `quorvel batch --out` writes."""

import contextlib
import json
import os
import pathlib
import re
import resource
import signal
import socket
import subprocess
import sys
import time

import pytest
import quorvel
from conftest import CLI, EXAMPLE_TABLES, EXAMPLE_TRANSACTIONS

TRANSACTIONS = 3000


def generate(folder: pathlib.Path) -> None:
    """TRANSACTIONS documents from the examples, quantities varied, a few failing or no XML."""
    examples = [path.read_text() for path in EXAMPLE_TRANSACTIONS]
    folder.mkdir()
    for i in range(TRANSACTIONS):
        text = re.sub(r'QtyShipped="(\d+)"', lambda m: f'QtyShipped="{int(m.group(1)) + i % 9}"',
                      examples[i % len(examples)])
        if i % 401 == 7:
            text = text.replace('TaxModel="', 'TaxModel="x')
        if i % 997 == 3:
            text = "not a rowset"
        (folder / f"t{i:05}.xml").write_text(text)


def rerate(*arguments: str) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-m", "quorvel.rerate", *arguments],
                          capture_output=True, text=True, timeout=600)


def wait_until(condition, what: str) -> None:
    deadline = time.monotonic() + 120
    while not condition():
        assert time.monotonic() < deadline, "never happened: " + what
        time.sleep(0.02)


def feed_pipe(pipe: pathlib.Path, data: bytes) -> None:
    """Writes `data` into a named pipe once its reader has opened it."""
    opened = []

    def open_for_writing() -> bool:
        with contextlib.suppress(OSError):  # ENXIO, not a hang, while nobody reads
            opened.append(os.open(pipe, os.O_WRONLY | os.O_NONBLOCK))
        return bool(opened)

    wait_until(open_for_writing, f"a reader of {pipe}")
    fd = opened[0]
    os.set_blocking(fd, True)
    os.write(fd, data)
    os.close(fd)


def file_size_limit(size: int):
    """A preexec_fn under which no file grows past `size` bytes: a full disk for one file."""
    return lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))


def test_same_files_as_quorvel_batch(tmp_path: pathlib.Path) -> None:
    inputs, by_batch, by_rerate = tmp_path / "in", tmp_path / "batch", tmp_path / "rerate"
    generate(inputs)
    batch = subprocess.run([CLI, "batch", "--jobs", "2", "--tables", str(EXAMPLE_TABLES),
                            "--out", str(by_batch), str(inputs)], capture_output=True, text=True)
    failed = {pathlib.Path(m[0]).stem: (int(m[1]), m[2])
              for m in re.findall(r"quorvel: (\S+): error (\d+): (.*)", batch.stderr)}
    not_xml = {f"t{i:05}" for i in range(3, TRANSACTIONS, 997)}
    assert batch.returncode == 1 and len(failed) == len(range(7, TRANSACTIONS, 401)) + len(not_xml)
    assert {name for name, (number, _) in failed.items() if number == 1003} == not_xml
    # Outputs of an earlier run that this one must replace or remove.
    by_rerate.mkdir()
    (by_rerate / "t00007.result.xml").write_text("stale result")
    (by_rerate / "t00000.error.json").write_text("stale error")

    run = rerate("--workers", "2", "--tables", str(EXAMPLE_TABLES), "--out", str(by_rerate),
                 str(inputs))

    assert run.returncode == 1, run.stderr
    assert f"rerate: {TRANSACTIONS} transactions, {len(failed)} failed," in run.stderr
    written = sorted(p.name for p in by_batch.iterdir())
    assert written == sorted(p.name for p in by_rerate.iterdir())
    assert sorted(p.name.removesuffix(".error.json") for p in by_batch.glob("*.error.json")) == sorted(failed)
    for name in written:
        assert (by_rerate / name).read_bytes() == (by_batch / name).read_bytes(), name


@pytest.mark.parametrize("inputs,out,message", [
    (["a/x.xml", "b/x.xml"], "out", '"{0}/a/x.xml" and "{0}/b/x.xml" would both write {0}/out/x.result.xml'),
    (["x.xml", "x.result.xml"], ".", 'the result of "{0}/x.xml" would be written over the input "{0}/x.result.xml"'),
], ids=["two inputs of one name", "an output over an input"])
def test_refused_before_any_cluster_starts(tmp_path: pathlib.Path, inputs: list, out: str,
                                           message: str) -> None:
    for name in inputs:
        (tmp_path / name).parent.mkdir(exist_ok=True)
        (tmp_path / name).write_text("")
    run = rerate("--tables", str(EXAMPLE_TABLES), "--out", str(tmp_path / out),
                 *[str(tmp_path / name) for name in inputs])
    assert (run.returncode, run.stderr) == (1, "rerate: " + message.format(tmp_path) + "\n")


@pytest.mark.parametrize("trouble", ["a dangling link", "a full disk", "a garbled document"])
def test_trouble_is_recorded_as_quorvel_batch_records_it(tmp_path: pathlib.Path, trouble: str) -> None:
    inputs, transaction = tmp_path / "in", EXAMPLE_TRANSACTIONS[0]
    inputs.mkdir()
    (inputs / transaction.name).write_bytes(transaction.read_bytes())
    limit = {}
    if trouble == "a dangling link":
        (inputs / "gone.xml").symlink_to(tmp_path / "nowhere.xml")
        failed = "gone"
    elif trouble == "a garbled document":  # beside a well-formed one without header row, still a result
        (inputs / "garbled.xml").write_bytes(b'<xml><z:row head="1"')
        (inputs / "headerless.xml").write_bytes(b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data/></xml>')
        failed = "garbled"
    else:  # the earlier result fits, this run's does not: batch keeps it and adds the error file
        result = subprocess.run([CLI, "calc", str(transaction)], capture_output=True, check=True).stdout
        limit = {"preexec_fn": file_size_limit(len(result) // 2)}
        failed = transaction.stem
    tables = ["--tables", str(EXAMPLE_TABLES)]
    outputs = {}
    for tool, command in [("batch", [CLI, "batch", "-q", *tables]),
                          ("rerate", [sys.executable, "-m", "quorvel.rerate", "--workers", "1", *tables])]:
        out = tmp_path / tool
        command += ["--out", str(out), str(inputs)]
        if limit:
            assert subprocess.run(command, capture_output=True, timeout=600).returncode == 0
        done = subprocess.run(command, capture_output=True, timeout=600, **limit)
        assert done.returncode == 1, done.stderr
        outputs[tool] = {path.name: path.read_bytes().replace(bytes(out), b"OUT") for path in out.iterdir()}
    expected = {transaction.stem + ".result.xml", failed + ".error.json"}
    if trouble == "a garbled document":
        expected.add("headerless.result.xml")
        assert outputs["rerate"]["headerless.result.xml"] == b"NOHEADER"
        assert json.loads(outputs["rerate"]["garbled.error.json"])["number"] == quorvel.errors.DOCUMENT_REFUSED
        assert json.loads(outputs["rerate"]["garbled.error.json"])["description"] == \
            "not well-formed XML: Error parsing element attribute at line 1, column 19"
    assert set(outputs["batch"]) == expected
    assert outputs["rerate"] == outputs["batch"]


def test_a_folder_in_use_by_quorvel_batch_is_refused(tmp_path: pathlib.Path) -> None:
    pipe, out = tmp_path / "pipe.xml", tmp_path / "out"
    lock = out / ".quorvel.lock"
    os.mkfifo(pipe)
    batch = subprocess.Popen([CLI, "batch", "-q", "--out", str(out), str(pipe)], stderr=subprocess.PIPE)
    try:
        wait_until(lambda: lock.exists() and lock.read_text(), "batch holding the folder")
        run = rerate("--tables", str(EXAMPLE_TABLES), "--out", str(out), str(EXAMPLE_TRANSACTIONS[0]))
    finally:
        feed_pipe(pipe, EXAMPLE_TRANSACTIONS[0].read_bytes())
        batch.communicate(timeout=60)
    assert run.returncode == 1
    assert re.match(rf'rerate: error 2002: the folder "{out}" is in use by another run \(pid {batch.pid}: \S+ batch ',
                    run.stderr), run.stderr
    assert sorted(path.name for path in out.iterdir()) == ["pipe.result.xml"]


def test_a_run_survives_the_loss_of_a_worker(tmp_path: pathlib.Path) -> None:
    """A named pipe, the last input, holds the client while partitions are out on the workers;
    one of the two workers is then killed, and the run ends as if nothing had happened."""
    inputs, out, pipe = tmp_path / "in", tmp_path / "out", tmp_path / "pipe.xml"
    generate(inputs)
    os.mkfifo(pipe)
    run = subprocess.Popen([sys.executable, "-m", "quorvel.rerate", "--workers", "2", "--tables",
                            str(EXAMPLE_TABLES), "--out", str(out), str(inputs), str(pipe)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        wait_until(lambda: (out / "t00000.result.xml").exists(), "the first partition recorded")
        workers = [pid for pid in process_tree(run.pid) - {run.pid}
                   if b"spawn_main" in pathlib.Path(f"/proc/{pid}/cmdline").read_bytes()]
        assert len(workers) == 2, workers
        os.kill(workers[0], signal.SIGKILL)
    finally:
        feed_pipe(pipe, EXAMPLE_TRANSACTIONS[0].read_bytes())
        _, stderr = run.communicate(timeout=600)
    assert run.returncode == 1, stderr  # the generated failures, and nothing else
    assert f"rerate: {TRANSACTIONS + 1} transactions, " in stderr
    stems = [path.name.split(".")[0] for path in out.iterdir()]
    assert len(stems) == len(set(stems)) == TRANSACTIONS + 1


def test_a_local_cluster_listens_on_this_machine_only() -> None:
    from quorvel.rerate import connect
    with connect(None, 2):
        addresses = listening_addresses(process_tree(os.getpid()))
    assert addresses and all(host in ("127.0.0.1", "::ffff:127.0.0.1") for host in addresses), addresses


def process_tree(root: int) -> set[int]:
    """`root` and all its descendants."""
    parents = {}
    for entry in os.listdir("/proc"):
        try:
            parents[int(entry)] = int(pathlib.Path(f"/proc/{entry}/stat").read_text().rsplit(")", 1)[1].split()[1])
        except (ValueError, OSError):
            continue
    tree = {root}
    while grown := {pid for pid, parent in parents.items() if parent in tree} - tree:
        tree |= grown
    return tree


def listening_addresses(pids: set[int]) -> list[str]:
    """The hosts the TCP sockets of `pids` listen on."""
    inodes = set()
    for pid in pids:
        with contextlib.suppress(OSError):
            for fd in os.listdir(f"/proc/{pid}/fd"):
                with contextlib.suppress(OSError):
                    link = os.readlink(f"/proc/{pid}/fd/{fd}")
                    if link.startswith("socket:["):
                        inodes.add(link[8:-1])
    hosts = []
    for table, family in (("/proc/net/tcp", socket.AF_INET), ("/proc/net/tcp6", socket.AF_INET6)):
        for line in pathlib.Path(table).read_text().splitlines()[1:]:
            fields = line.split()
            if fields[3] == "0A" and fields[9] in inodes:  # 0A: listening
                raw = bytes.fromhex(fields[1].split(":")[0])
                # The kernel writes each 32-bit word in the machine's byte order.
                words = b"".join(raw[i:i + 4][::-1] for i in range(0, len(raw), 4))
                hosts.append(socket.inet_ntop(family, words))
    return hosts
