"""The files of a batch run, named, read and written as `quorvel batch --out` does.

Inputs: a file stands for itself; a folder for its regular *.xml files in name order, earlier
results (*.result.xml) left out. Outputs, for each input <name>.xml in the output folder: its
result <name>.result.xml, or <name>.error.json ({"file", "number", "description"}) when it
failed; whichever of the two this run does not write is removed, so the folder shows this run
only. Each file is written to a temporary file beside it and renamed over the old one: a reader
never sees half a file, and a symbolic link in its place is replaced, never followed.
"""

from __future__ import annotations

import contextlib
import json
import os
from collections.abc import Sequence

import quorvel

RESULT_SUFFIX = ".result.xml"
ERROR_SUFFIX = ".error.json"

CANNOT_WRITE = 2002
"""The error number of a result or error file that cannot be written."""


class InputsRefused(Exception):
    """Inputs whose outputs would overwrite each other or one of the inputs."""


def expand_inputs(inputs: Sequence[str]) -> list[str]:
    """The transaction files of `inputs`, in order."""
    files: list[str] = []
    for given in inputs:
        if not os.path.isdir(given):
            files.append(given)  # a file that cannot be read fails on its own, later
            continue
        names = [
            entry.name
            for entry in os.scandir(given)
            if entry.name.endswith(".xml")
            and not entry.name.endswith(RESULT_SUFFIX)
            and entry.is_file()
        ]
        files.extend(os.path.join(given, name) for name in sorted(names, key=os.fsencode))
    return files


def output_name(file: str) -> str:
    """The name a file's outputs start with: its name without the extension."""
    return os.path.splitext(os.path.basename(file))[0]


def result_path(out: str, file: str) -> str:
    return os.path.join(out, output_name(file) + RESULT_SUFFIX)


def error_path(out: str, file: str) -> str:
    return os.path.join(out, output_name(file) + ERROR_SUFFIX)


def refuse_collisions(files: Sequence[str], out: str) -> None:
    """Raises InputsRefused when two inputs share a name, or an output would replace an input."""
    by_name: dict[str, str] = {}
    for file in files:
        earlier = by_name.setdefault(output_name(file), file)
        if earlier != file:
            raise InputsRefused(
                f'"{earlier}" and "{file}" would both write {output_name(file)}{RESULT_SUFFIX}'
            )
    # Outputs are plain files in `out`: an input there, under an output's name, would be replaced.
    real_out = os.path.realpath(out)
    folders: dict[str, str] = {}
    for file in files:
        folder = os.path.dirname(file) or "."
        if folders.setdefault(folder, os.path.realpath(folder)) != real_out:
            continue
        owner = by_name.get(output_name(file).removesuffix(".result").removesuffix(".error"))
        if owner is not None and os.path.basename(file) in (
            os.path.basename(result_path(out, owner)), os.path.basename(error_path(out, owner))
        ):
            raise InputsRefused(f'the output of "{owner}" would replace the input "{file}"')


def read_transaction(file: str) -> bytes:
    """The bytes of a transaction file; quorvel.Error (errors.CANNOT_READ) when it cannot be read."""
    try:
        with open(file, "rb") as transaction:
            return transaction.read()
    except OSError as error:
        raise quorvel.Error(quorvel.errors.CANNOT_READ, f"cannot read: {error.strerror or error}") from error


def record_result(out: str, file: str, result: bytes) -> None:
    """Writes a file's result and removes an error file of an earlier run."""
    _write_atomically(result_path(out, file), result)
    _remove(error_path(out, file))


def record_failure(out: str, file: str, error: quorvel.Error) -> None:
    """Writes a file's error file and removes a result of an earlier run."""
    record = {"file": _printable(file), "number": error.number, "description": error.description}
    _write_atomically(
        error_path(out, file), (json.dumps(record, ensure_ascii=False, separators=(",", ":")) + "\n").encode()
    )
    _remove(result_path(out, file))


def _printable(path: str) -> str:
    """A file name as JSON can hold it: bytes that are not UTF-8 become U+FFFD."""
    return os.fsencode(path).decode("utf-8", "replace")


def _remove(path: str) -> None:
    with contextlib.suppress(FileNotFoundError):
        os.unlink(path)


def _write_atomically(path: str, data: bytes) -> None:
    folder, name = os.path.split(path)
    # Named after this process, not ending in .xml; created as a plain open() would create it.
    temporary = os.path.join(folder, f".{name}.{os.getpid()}.tmp")
    handle = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_NOFOLLOW, 0o666)
    try:
        with open(handle, "wb") as file:
            file.write(data)
        os.replace(temporary, path)
    except BaseException:
        with contextlib.suppress(OSError):
            os.unlink(temporary)
        raise
