"""quorvel.calculate on one transaction, and calculate_many on 1 and 2 threads in chunks.

Usage: calculate.py TRANSACTION_FILE TABLES_FOLDER   (make python-bench runs it beside the native
figure of the same document)
"""

import concurrent.futures
import sys
import time

import quorvel

CALLS = 20_000  # transactions per timed run
RUNS = 5  # the best run counts: the others were disturbed by something else on the machine


def best_seconds(action, clock=time.perf_counter) -> float:
    best = float("inf")
    for _ in range(RUNS):
        start = clock()
        action()
        best = min(best, clock() - start)
    return best


def one_call_at_a_time(tables: quorvel.Tables, text: str | bytes) -> None:
    for _ in range(CALLS):
        quorvel.calculate(tables, text)


def in_chunks(tables: quorvel.Tables, text: str, threads: int, chunk: int) -> float:
    chunks = [[text] * chunk] * (CALLS // chunk)
    with concurrent.futures.ThreadPoolExecutor(max_workers=threads) as pool:
        return best_seconds(lambda: list(pool.map(lambda c: quorvel.calculate_many(tables, c), chunks)))


def main(transaction_file: str, tables_folder: str) -> None:
    tables = quorvel.load_tables(tables_folder)
    text = open(transaction_file, encoding="utf-8").read()
    for kind, given in (("str", text), ("bytes", text.encode())):
        wall = best_seconds(lambda: one_call_at_a_time(tables, given))
        cpu = best_seconds(lambda: one_call_at_a_time(tables, given), time.thread_time)
        print(f"calculate ({kind}): {wall / CALLS * 1e6:.2f} us a call, {cpu / CALLS * 1e6:.2f} us CPU")
    for chunk in (1, 10, 100, 1000):
        one = in_chunks(tables, text, 1, chunk)
        two = in_chunks(tables, text, 2, chunk)
        print(f"calculate_many, chunks of {chunk:4}: 1 thread {CALLS / one:9.0f}/s, "
              f"2 threads {CALLS / two:9.0f}/s, {one / two:.2f} times")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
