"""The quorvel command line: exact output bytes, exit statuses and error lines.

Usage: cli_test.py QUORVEL_BINARY SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import unittest

BINARY = ""
SOURCE = ""


def run(*args, stdin=b""):
    return subprocess.run([BINARY, *args], input=stdin, capture_output=True, timeout=60)


def example(name):
    return os.path.join(SOURCE, "examples", "transactions", name)


class Calc(unittest.TestCase):
    def test_result_is_written_exactly_from_a_file_or_standard_input(self):
        transaction = example("01-in-town-sale.xml")
        with open(transaction, "rb") as f:
            text = f.read()
        with open(example("01-in-town-sale.expected"), "rb") as f:
            expected = f.read()
        for args, stdin in [((transaction,), b""), (("-",), text), ((), text)]:
            with self.subTest(args=args):
                done = run("calc", *args, stdin=stdin)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(done.stdout, expected)
                self.assertTrue(done.stdout.endswith(b"</xml>"))
                self.assertIn(b"\r\n", done.stdout)

    def test_early_results_and_failures(self):
        cases = [  # stdin, exit status, stdout, start of stderr
            (b"", 0, b"NOHEADER", b""),
            (b"not xml at all", 0, b"NOHEADER", b""),
            (b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="1"/></xml>', 1, b"",
             b'quorvel: error 91: header row: attribute "TaxModel" is missing\n'),
            (b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="abc" TaxModel="1"/></xml>', 1, b"",
             b'quorvel: error 13: header row: attribute "CustomerID": type mismatch: "abc" is not a number\n'),
        ]
        for stdin, status, stdout, stderr in cases:
            with self.subTest(stdin=stdin):
                done = run("calc", stdin=stdin)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertEqual(done.stdout, stdout)
                self.assertEqual(done.stderr, stderr)

    def test_usage_errors_exit_with_2(self):
        for args in [(), ("calc", "--nope"), ("bogus",), ("calc", "a.xml", "b.xml")]:
            with self.subTest(args=args):
                self.assertEqual(run(*args).returncode, 2)

    def test_a_missing_transaction_file_fails(self):
        done = run("calc", "/nonexistent/transaction.xml")
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"/nonexistent/transaction.xml", done.stderr)


class Tables(unittest.TestCase):
    def test_prints_the_bundled_example_tables(self):
        done = run("tables")
        self.assertEqual(done.returncode, 0, done.stderr)
        for line in [b"taxes: 6\n", b"tax models: 3\n", b"tax groups: 5\n", b"tax statuses: 6\n",
                     b"  K1: K1 K2 K3 K4 K5 K6\n", b"  K3003I7781\tInventoryItem\t\"\"\n"]:
            self.assertIn(line, done.stdout)

    def test_a_bad_island_gives_one_error_line(self):
        with tempfile.TemporaryDirectory() as folder:
            tables = os.path.join(SOURCE, "examples", "tables")
            for name in os.listdir(tables):
                with open(os.path.join(tables, name), "rb") as src, open(os.path.join(folder, name), "wb") as dst:
                    dst.write(src.read())
            with open(os.path.join(folder, "TaxStatusData.xml"), "wb") as f:
                f.write(b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row CustomerID="1" crExemptType="Tax"/></rs:data></xml>')
            done = run("tables", "--tables", folder)
            self.assertEqual(done.returncode, 1)
            self.assertEqual(done.stdout, b"")
            self.assertEqual(done.stderr,
                             b'quorvel: error 91: TaxStatusData row 1: attribute "TaxID" is missing\n')


if __name__ == "__main__":
    BINARY, SOURCE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=1)
