#!/usr/bin/env python3
"""Drives `quorvel batch` and holds it to `quorvel calc`: the same bytes for every transaction,
with one worker thread and with several, into a folder and onto standard output; failing
transactions are reported with their file names and do not stop the others.

Usage: batch_test.py QUORVEL_BINARY EXAMPLES_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

QUORVEL = EXAMPLES = ""

CUSTOMERS = ["1001", "2002", "3003", "4004", "5150"]
QUANTITIES = ["1", "3.5", "-2"]
# Transactions that fail, by the position they take in the folder, and their error numbers.
FAILING = {
    17: ('<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="x" TaxModel="1"/></xml>', "error 13"),
    41: ('<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="1" TaxModel="99"/></xml>', "error 91"),
}
NO_HEADER = 30


def run(*args):
    return subprocess.run([QUORVEL, *args], capture_output=True, timeout=120)


def make_transactions(folder):
    """Writes trans-NNN.xml files: the examples for several customers and quantities, a
    document without a header row and the failing ones. Returns their paths in name order."""
    examples_dir = os.path.join(EXAMPLES, "transactions")
    texts = []
    for name in sorted(f for f in os.listdir(examples_dir) if f.endswith(".xml")):
        text = open(os.path.join(examples_dir, name), encoding="utf-8").read()
        for customer in CUSTOMERS:
            for quantity in QUANTITIES:
                varied = re.sub(r'(ShipToID|CustomerID)="[^"]*"', rf'\1="{customer}"', text)
                texts.append(re.sub(r'Qty(Shipped|Ordered)="[^"]*"', rf'Qty\1="{quantity}"', varied))
    inserted = {position: text for position, (text, _) in FAILING.items()}
    inserted[NO_HEADER] = '<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data/></xml>'
    for position in sorted(inserted):  # ascending, so that each lands where it says
        texts.insert(position, inserted[position])
    paths = []
    for number, text in enumerate(texts):
        path = os.path.join(folder, f"trans-{number:03d}.xml")
        with open(path, "w", encoding="utf-8", newline="") as out:
            out.write(text)
        paths.append(path)
    with open(os.path.join(folder, "notes.txt"), "w") as out:
        out.write("not a transaction: batch takes only *.xml from a folder\n")
    return paths


class Batch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.folder = os.path.join(cls.temp.name, "in")
        os.mkdir(cls.folder)
        cls.paths = make_transactions(cls.folder)
        # What `quorvel calc` gives for each file: (exit status, stdout).
        cls.expected = {}
        for path in cls.paths:
            calc = run("calc", path)
            cls.expected[path] = (calc.returncode, calc.stdout)
        cls.failing = [p for p in cls.paths if cls.expected[p][0] != 0]

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def test_the_corpus_is_what_the_tests_expect(self):
        self.assertGreaterEqual(len(self.paths), 90)
        self.assertEqual(sorted(self.failing), sorted(self.paths[p] for p in FAILING))
        self.assertEqual(self.expected[self.paths[NO_HEADER]], (0, b"NOHEADER"))
        with_tax = [p for p in self.paths if b"<z:row" in self.expected[p][1]]
        self.assertGreater(len(with_tax), len(self.paths) // 2)

    def check_folder_run(self, jobs):
        out = os.path.join(self.temp.name, f"out-{jobs}")
        batch = run("batch", "--jobs", str(jobs), "--out", out, self.folder)
        self.assertEqual(batch.returncode, 1, batch.stderr)
        self.assertEqual(batch.stdout, b"")
        for path in self.paths:
            result = os.path.join(out, os.path.basename(path)[:-4] + ".result.xml")
            status, text = self.expected[path]
            if status == 0:
                with open(result, "rb") as written:
                    self.assertEqual(written.read(), text, f"{path} with {jobs} jobs")
            else:
                self.assertFalse(os.path.exists(result), result)
        stderr = batch.stderr.decode()
        for path, (_, error) in ((self.paths[p], e) for p, e in FAILING.items()):
            self.assertEqual(stderr.count(f"quorvel: {path}: {error}"), 1, stderr)
        self.assertRegex(stderr, rf"batch: {len(self.paths)} transactions, 2 failed, [0-9.]+ s, [0-9.]+ transactions/s\n$")

    def test_one_job_writes_what_calc_prints(self):
        self.check_folder_run(1)

    def test_several_jobs_write_what_calc_prints(self):
        for jobs in (2, 4, 7):
            with self.subTest(jobs=jobs):
                self.check_folder_run(jobs)

    def test_standard_output_follows_the_input_order(self):
        order = self.paths[::-1][:60] + self.paths[:5]  # reversed, and some twice
        for jobs in (1, 3):
            with self.subTest(jobs=jobs):
                batch = run("batch", "--jobs", str(jobs), *order)
                expected = b"".join(self.expected[p][1] + b"\n" for p in order if self.expected[p][0] == 0)
                self.assertEqual(batch.stdout, expected)
                self.assertEqual(batch.returncode, 1 if set(order) & set(self.failing) else 0)
                self.assertTrue(set(order) & set(self.failing))

    def test_exit_status_is_zero_when_none_fails(self):
        good = [p for p in self.paths if p not in self.failing][:20]
        batch = run("batch", "--jobs", "2", *good)
        self.assertEqual(batch.returncode, 0, batch.stderr)
        self.assertEqual(batch.stdout, b"".join(self.expected[p][1] + b"\n" for p in good))

    def test_an_unreadable_file_fails_alone(self):
        missing = os.path.join(self.temp.name, "missing.xml")
        good = self.paths[0]
        batch = run("batch", missing, good)
        self.assertEqual(batch.returncode, 1)
        self.assertEqual(batch.stdout, self.expected[good][1] + b"\n")
        self.assertIn(f"quorvel: {missing}: error 2001: cannot read: No such file or directory\n",
                      batch.stderr.decode())

    def test_tables_that_do_not_load_stop_the_batch(self):
        batch = run("batch", "--tables", os.path.join(self.temp.name, "nowhere"), self.paths[0])
        self.assertEqual(batch.returncode, 1)
        self.assertEqual(batch.stdout, b"")
        self.assertIn("error 1001", batch.stderr.decode())

    def test_explicit_tables_give_what_calc_gives_with_them(self):
        tables = os.path.join(EXAMPLES, "tables")
        path = self.paths[0]
        calc = run("calc", "--tables", tables, path)
        batch = run("batch", "--tables", tables, path)
        self.assertEqual(batch.stdout, calc.stdout + b"\n")

    def test_bad_arguments_are_usage_errors(self):
        for args in (["--jobs", "0", self.paths[0]], ["--jobs", "x", self.paths[0]], []):
            with self.subTest(args=args):
                self.assertEqual(run("batch", *args).returncode, 2)

    def test_two_inputs_with_one_result_name_are_refused(self):
        other = os.path.join(self.temp.name, "other")
        os.makedirs(other, exist_ok=True)
        twin = os.path.join(other, os.path.basename(self.paths[0]))
        with open(twin, "wb") as out, open(self.paths[0], "rb") as original:
            out.write(original.read())
        batch = run("batch", "--out", os.path.join(self.temp.name, "twins"), self.paths[0], twin)
        self.assertEqual(batch.returncode, 2)
        self.assertIn("would both write", batch.stderr.decode())


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    QUORVEL, EXAMPLES = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
