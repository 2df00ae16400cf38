"""The package's own behaviour: per-thread tables of CQuorvel, shared tables, hosts, texts and
the one exception type."""

import concurrent.futures
import subprocess
import sys
import textwrap
import threading

import pytest
from conftest import CLI, EXAMPLE_TABLES, EXAMPLE_TRANSACTIONS, SAMPLE_CASES

import quorvel

ISLANDS = {path.stem: path.read_bytes() for path in EXAMPLE_TABLES.glob("*.xml")}
TRANSACTION = EXAMPLE_TRANSACTIONS[0].read_text()
TABLES = quorvel.load_tables(EXAMPLE_TABLES)
RESULT = quorvel.calculate(TABLES, TRANSACTION)


def in_new_thread(action):
    """What `action` returns or raises on a thread of its own, which has loaded no tables."""
    outcome = []
    def run() -> None:
        try:
            outcome.append(action())
        except BaseException as error:  # pytest's failures included
            outcome.append(error)
    thread = threading.Thread(target=run)
    thread.start()
    thread.join()
    return outcome[0]


def test_a_thread_without_a_load_answers_nodata() -> None:
    control = quorvel.CQuorvel(ISLANDS)
    control.LoadDataObjects()
    assert control.CalcTaxes(TRANSACTION) == RESULT
    assert in_new_thread(lambda: control.CalcTaxes(TRANSACTION)) == "NODATA"
    assert in_new_thread(lambda: control.CalcTaxes(TRANSACTION.encode())) == b"NODATA"
    def load_then_calculate():
        control.LoadTables()
        return quorvel.CQuorvel(ISLANDS).CalcTaxes(TRANSACTION)  # another control, same thread
    assert in_new_thread(load_then_calculate) == RESULT


@pytest.mark.skipif(not SAMPLE_CASES.is_dir(), reason="no shared sample cases here")
def test_sample_cases_without_tables_answer_nodata() -> None:
    cases = [case for case in SAMPLE_CASES.iterdir() if (case / "NOTABLES").exists()]
    assert cases
    for case in cases:
        control = quorvel.CQuorvel(str(case))
        for transaction in case.glob("trans-*.xml"):
            assert in_new_thread(lambda: control.CalcTaxes(transaction.read_bytes())) == b"NODATA"


class _Interrupted(KeyboardInterrupt):
    pass


class _Bare(quorvel.Error):
    def __init__(self) -> None:
        Exception.__init__(self, "bare")


class _Unprintable(Exception):
    def __str__(self) -> str:
        raise RuntimeError("no text")


def _raise(error: BaseException):
    def host(island_id: str) -> str:
        raise error
    return host


FAILING_HOSTS = [
    pytest.param(str(EXAMPLE_TABLES / "missing"), 1001, "cannot read", id="folder without islands"),
    pytest.param({k: v for k, v in ISLANDS.items() if k != "TaxStatusData"}, 1001, "TaxStatusData",
                 id="mapping without an island"),
    pytest.param({**ISLANDS, "taxData": "not xml"}, 1001, "taxData", id="island that is no XML"),
    pytest.param({**ISLANDS, "taxData": "<xml>\udc80</xml>"}, 13, "UTF-8", id="island with a lone surrogate"),
    pytest.param(_raise(OSError("disk gone")), 1001, "the host failed: OSError: disk gone",
                 id="callable that raises"),
    pytest.param(lambda island_id: None, 1001, "the host gave NoneType, not str or bytes",
                 id="callable that gives None"),
    pytest.param(_raise(quorvel.Error(457, "said by the host")), 457, "said by the host",
                 id="callable that raises quorvel.Error"),
    pytest.param(_raise(quorvel.Error("x", "said by the host")), 1001, "said by the host",
                 id="callable that raises quorvel.Error numbered with a str"),
    pytest.param(_raise(quorvel.Error(10**30, "said by the host")), 1001, "said by the host",
                 id="callable that raises quorvel.Error numbered beyond any error"),
    pytest.param(_raise(_Bare()), 1001, "bare", id="callable that raises an Error subclass without attributes"),
    pytest.param(_raise(_Unprintable()), 1001, "the host failed: _Unprintable",
                 id="callable that raises an exception whose str fails"),
]


@pytest.mark.parametrize("host,number,described", FAILING_HOSTS)
def test_a_failed_load_keeps_the_tables(host, number: int, described: str) -> None:
    def attempt():
        quorvel.CQuorvel(ISLANDS).LoadTables()
        with pytest.raises(quorvel.Error) as control_error:
            quorvel.CQuorvel(host).LoadDataObjects()
        with pytest.raises(quorvel.Error) as function_error:
            quorvel.load_tables(host)
        return control_error.value, function_error.value, quorvel.CQuorvel({}).CalcTaxes(TRANSACTION)
    control_error, function_error, after = in_new_thread(attempt)
    for error in (control_error, function_error):
        assert error.number == number and described in error.description, error
    assert after == RESULT


@pytest.mark.parametrize("load", [quorvel.load_tables, lambda folder: quorvel.CQuorvel(folder).LoadTables()],
                         ids=["load_tables", "CQuorvel"])
@pytest.mark.parametrize("folder", [str(EXAMPLE_TABLES) + "\0/elsewhere", EXAMPLE_TABLES / "\0"],
                         ids=["str", "path"])
def test_a_folder_with_a_nul_is_refused_as_open_does(load, folder) -> None:
    with pytest.raises(ValueError, match="null"):
        open(folder)
    with pytest.raises(ValueError, match="null"):
        load(folder)


def test_a_callable_host_and_an_interrupt() -> None:
    asked = []
    def host(island_id: str) -> bytes:
        asked.append(island_id)
        return ISLANDS[island_id]
    assert quorvel.calculate(quorvel.load_tables(host), TRANSACTION) == RESULT
    assert sorted(asked) == sorted(ISLANDS)
    with pytest.raises(_Interrupted):  # not turned into an error: Ctrl-C still stops a load
        quorvel.load_tables(_raise(_Interrupted()))


def test_threads_share_tables() -> None:
    texts = [path.read_bytes() for path in EXAMPLE_TRANSACTIONS] * 50
    alone = [quorvel.calculate(TABLES, text) for text in texts]
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        one_by_one = pool.map(lambda text: quorvel.calculate(TABLES, text), texts)
        in_chunks = pool.map(lambda chunk: quorvel.calculate_many(TABLES, chunk),
                             [texts[i:i + 25] for i in range(0, len(texts), 25)])
        assert list(one_by_one) == alone
        assert [result for chunk in in_chunks for result in chunk] == alone


def test_texts_and_failures_in_order() -> None:
    bad_model = TRANSACTION.replace('TaxModel="1"', 'TaxModel="x"')
    invalid_utf8 = TRANSACTION.encode().replace(b'TaxModel="1"', b'TaxModel="\xff"')
    outcomes = quorvel.calculate_many(
        TABLES, iter([TRANSACTION, "no XML", bad_model, "\udc80", invalid_utf8, TRANSACTION.encode()]))
    assert outcomes[0] == RESULT and outcomes[1] == "NOHEADER" and outcomes[5] == RESULT.encode()
    assert outcomes[4] == b"NOHEADER"  # a byte that is not UTF-8: not well-formed XML
    numbers = [outcome.number for outcome in outcomes[2:4]]
    assert numbers == [13, 13]
    assert outcomes[3].description.startswith("transaction 3 cannot be encoded as UTF-8")
    for text in ("\udc80", bad_model):
        with pytest.raises(quorvel.Error) as error:
            quorvel.calculate(TABLES, text)
        assert error.value.number == 13 and str(error.value).startswith("error 13: ")
    for mistake in (lambda: quorvel.calculate(TABLES, 42), lambda: quorvel.calculate_many(TABLES, TRANSACTION)):
        with pytest.raises(TypeError):
            mistake()


def test_errors_are_the_engines_numbers() -> None:
    from quorvel import _quorvel
    assert {name: getattr(quorvel.errors, name) for name in _quorvel._ENGINE_ERROR_NUMBERS} == \
        _quorvel._ENGINE_ERROR_NUMBERS


def test_running_out_of_memory_is_error_7() -> None:
    script = textwrap.dedent(f"""
        import resource, quorvel
        tables = quorvel.load_tables({str(EXAMPLE_TABLES)!r})
        text = b"<xml><rs:data>" + b"<z:row head='head'/>" * 4_000_000 + b"</rs:data></xml>"
        with open("/proc/self/statm") as statm:
            used = int(statm.read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (used + (64 << 20), resource.RLIM_INFINITY))
        try:
            quorvel.calculate(tables, text)
        except quorvel.Error as error:
            print(error.number)
    """)
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert run.stdout.strip() == "7", run.stderr


def test_the_version_is_the_one_quorvel_tables_prints() -> None:
    printed = subprocess.run([CLI, "tables", "--tables", EXAMPLE_TABLES], capture_output=True, text=True, check=True)
    islands = {path.stem: path.read_text().replace('"', "'") for path in EXAMPLE_TABLES.glob("*.xml")}
    for tables in (quorvel.load_tables(EXAMPLE_TABLES), quorvel.load_tables(islands)):
        assert f"version: {tables.version}\n" in printed.stdout
