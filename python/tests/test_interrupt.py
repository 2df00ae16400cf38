"""Ctrl-C during calculate_many raises KeyboardInterrupt out of the call at once, not once every
transaction has been calculated."""

import signal
import subprocess
import sys
import time

from conftest import EXAMPLE_TABLES, EXAMPLE_TRANSACTIONS

# Prints how long an uninterrupted call over a million transactions takes (from a fiftieth of
# them), then "calculating" once the call has taken the last one (so the signal comes while it
# calculates, not while it collects), then how the whole call ended, when, and after how long.
CHILD = """
import sys, time, quorvel
tables, transactions = quorvel.load_tables(sys.argv[1]), [open(sys.argv[2]).read()] * 1_000_000
start = time.monotonic()
quorvel.calculate_many(tables, transactions[:20_000])
print((time.monotonic() - start) * 50, flush=True)

def announced():
    yield from transactions
    print("calculating", flush=True)

start = time.monotonic()
try:
    quorvel.calculate_many(tables, announced())
    print("finished", time.monotonic(), time.monotonic() - start)
except KeyboardInterrupt:
    print("interrupted", time.monotonic(), time.monotonic() - start)
"""


def test_ctrl_c_stops_calculate_many_long_before_its_end() -> None:
    with subprocess.Popen([sys.executable, "-c", CHILD, str(EXAMPLE_TABLES), str(EXAMPLE_TRANSACTIONS[2])],
                          stdout=subprocess.PIPE, text=True) as child:
        uninterrupted = float(child.stdout.readline())
        assert child.stdout.readline() == "calculating\n"
        time.sleep(0.3)  # out of the generator's Python code, which would take the signal itself
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        outcome, ended, took = child.communicate(timeout=120)[0].split()
    print(f"KeyboardInterrupt {(float(ended) - sent) * 1000:.1f} ms after SIGINT; "
          f"the call took {float(took):.2f} s of the {uninterrupted:.2f} s it would have")
    assert outcome == "interrupted"
    assert float(took) < uninterrupted / 2, "the interrupt waited for most of the call"
