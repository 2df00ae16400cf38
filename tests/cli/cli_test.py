"""The quorvel command line: exact output bytes, exit statuses and error lines.

Usage: cli_test.py QUORVEL_BINARY SOURCE_DIR
"""
import json
import os
import pty
import resource
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = ""
SOURCE = ""


def run(*args, stdin=b"", **options):
    if "stdout" not in options:
        options["capture_output"] = True
    return subprocess.run([BINARY, *args], input=stdin, timeout=60, **options)


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
            (b"", 0, b"NOHEADER", b"quorvel: warning: not well-formed XML: "),
            (b"not xml at all", 0, b"NOHEADER", b"quorvel: warning: not well-formed XML: "),
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
                self.assertTrue(done.stderr.startswith(stderr) and (stderr or not done.stderr), done.stderr)

    def test_a_missing_transaction_file_fails(self):
        done = run("calc", "/nonexistent/transaction.xml")
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"/nonexistent/transaction.xml", done.stderr)


class Tables(unittest.TestCase):
    def test_prints_the_bundled_example_tables(self):
        done = run("tables")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertRegex(done.stdout, rb"^version: [0-9a-f]{16}\n")
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


GOOD = ""  # the path of a transaction that calculates, set with SOURCE
UNKNOWN_MODEL = b'<xml xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="1" TaxModel="99"/></xml>'
GARBLED = b'<xml><z:row head="1"'
GARBLED_REASON = b"not well-formed XML: Error parsing element attribute at line 1, column 19"
HEADERLESS = b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data></rs:data></xml>'


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def with_limits(**limits):
    """A preexec_fn setting resource limits (RLIMIT_<name>) in the child."""
    def apply():
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        for name, value in limits.items():
            resource.setrlimit(getattr(resource, "RLIMIT_" + name), (value, value))
    return apply


class CommandLine(unittest.TestCase):
    """How the tool answers a script: exit statuses, messages, result files and lines."""

    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.dir = self.temp.name
        self.good = read(GOOD)
        self.expected = read(example("01-in-town-sale.expected"))

    def tearDown(self):
        self.temp.cleanup()

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def test_failures_and_usage_errors(self):
        os.mkdir(self.path("empty"))
        os.mkdir(self.path("tables"))
        for name in os.listdir(os.path.join(SOURCE, "examples", "tables")):
            write(self.path("tables", name), read(os.path.join(SOURCE, "examples", "tables", name)))
        os.mkdir(self.path("folder-island"))
        for name in os.listdir(self.path("tables")):
            os.symlink(self.path("tables", name), self.path("folder-island", name))
        os.unlink(self.path("folder-island", "TaxGroupData.xml"))
        os.mkdir(self.path("folder-island", "TaxGroupData.xml"))
        os.mkdir(self.path("fifo-island"))
        for name in os.listdir(self.path("tables")):
            os.symlink(self.path("tables", name), self.path("fifo-island", name))
        os.unlink(self.path("fifo-island", "TaxModelData.xml"))
        os.mkfifo(self.path("fifo-island", "TaxModelData.xml"))
        full = "quorvel: error 2002: cannot write to standard output: No space left on device\n"
        usage = "\nRun 'quorvel --help' for the commands and options.\n"
        cases = [  # name, arguments, exit status, standard error; "/dev/full" sends standard output there
            ("unknown command", ["bogus"], 2, 'quorvel: unknown command "bogus"; the commands are tables, calc, batch, serve' + usage),
            ("no command", [], 2, "quorvel: a command is required: tables, calc, batch, serve" + usage),
            ("jobs 0", ["batch", "-j", "0", GOOD], 2, 'quorvel: --jobs: must be a whole number from 1 to 1024, not "0"' + usage),
            ("jobs too many", ["batch", "--jobs", "4294967295", GOOD], 2,
             'quorvel: --jobs: must be a whole number from 1 to 1024, not "4294967295"' + usage),
            ("empty tables", ["calc", "--tables", "", GOOD], 2, "quorvel: --tables: must not be empty" + usage),
            ("empty out", ["batch", "--out", "", GOOD], 2, "quorvel: --out: must not be empty" + usage),
            ("jsonl with out", ["batch", "--format", "jsonl", "--out", self.path("o"), GOOD], 2,
             "quorvel: --format jsonl writes to standard output and cannot go with --out" + usage),
            ("calc of a folder", ["calc", self.dir], 2, f'quorvel: calc takes one transaction document, and "{self.dir}" '
             "is a folder (batch calculates a folder's documents)" + usage),
            ("folder without transactions", ["batch", self.path("empty")], 2, f'quorvel: the folder "{self.path("empty")}" '
             "holds no transaction document (*.xml); --recursive looks in its sub-folders" + usage),
            ("two calc files", ["calc", GOOD, GOOD], 2, f"quorvel: The following argument was not expected: {GOOD}" + usage),
            ("unreadable in batch", ["batch", "-q", "/proc/self/mem"], 1,
             "quorvel: /proc/self/mem: error 2001: cannot read: Input/output error\n"),
            ("island is a folder", ["tables", "--tables", self.path("folder-island")], 1, 'quorvel: error 1001: island '
             f'"TaxGroupData": cannot read "{self.path("folder-island", "TaxGroupData.xml")}": not a regular file\n'),
            ("island is a FIFO", ["tables", "--tables", self.path("fifo-island")], 1, 'quorvel: error 1001: island '
             f'"TaxModelData": cannot read "{self.path("fifo-island", "TaxModelData.xml")}": not a regular file\n'),
            ("tables to a full disk", ["tables", "/dev/full"], 1, full),
            ("calc to a full disk", ["calc", GOOD, "/dev/full"], 1, full),
            ("batch to a full disk", ["batch", "-q", GOOD, "/dev/full"], 1, full),
            ("jsonl to a full disk", ["batch", "--format", "jsonl", GOOD, "/dev/full"], 1, full),
            ("version to a full disk", ["--version", "/dev/full"], 1, full),
        ]
        for name, args, status, stderr in cases:
            with self.subTest(name):
                to_full = args[-1:] == ["/dev/full"]
                with open("/dev/full", "wb") as full_disk:
                    done = run(*(args[:-1] if to_full else args), stdout=full_disk, stderr=subprocess.PIPE) \
                        if to_full else run(*args)
                self.assertEqual(done.stderr.decode(), stderr)
                self.assertEqual(done.returncode, status)

    def test_a_closed_standard_input_is_no_empty_document(self):
        done = subprocess.run([BINARY, "calc"], capture_output=True, timeout=60, preexec_fn=lambda: os.close(0))
        self.assertEqual((done.returncode, done.stdout), (1, b""))
        self.assertEqual(done.stderr, b"quorvel: error 2001: standard input: cannot read: Bad file descriptor\n")

    def test_running_out_of_memory_is_error_7(self):
        huge = self.path("huge.xml")
        with open(huge, "wb") as f:
            f.truncate(4 << 30)  # sparse: read into memory, it needs more than the limit below
        for args, stderr in [(["calc", huge], b"quorvel: error 7: out of memory\n"),
                             (["batch", "-q", huge], f"quorvel: {huge}: error 7: out of memory\n".encode())]:
            with self.subTest(args[0]):
                done = run(*args, preexec_fn=with_limits(AS=1 << 30))
                self.assertEqual((done.returncode, done.stderr), (1, stderr))

    def test_version(self):
        self.assertEqual(run("--version").stdout, b"quorvel 1.0.0\n")

    def test_a_garbled_document_is_answered_with_a_warning(self):
        done = run("calc", stdin=b'<xml><z:row head="1"')
        self.assertEqual((done.returncode, done.stdout), (0, b"NOHEADER"))
        self.assertEqual(done.stderr, b"quorvel: warning: not well-formed XML: Error parsing element attribute at line 1, column 19\n")

    def test_batch_fails_a_garbled_document_and_answers_noheader_for_one_without_header(self):
        inputs = [self.path(name) for name in ("a-good.xml", "b-garbled.xml", "c-headerless.xml")]
        for path, text in zip(inputs, [self.good, GARBLED, HEADERLESS]):
            write(path, text)
        out = self.path("out")
        cases = [  # name, arguments, standard output
            ("standard output", [], self.expected + b"\nNOHEADER\n"),
            ("result folder", ["--out", out], b""),
            ("json lines", ["--format", "jsonl"], b"\n".join(json.dumps(line, separators=(",", ":")).encode() for line in [
                {"file": inputs[0], "result": self.expected.decode()},
                {"file": inputs[1], "error": {"number": 1003, "description": GARBLED_REASON.decode()}},
                {"file": inputs[2], "result": "NOHEADER"}]) + b"\n"),
        ]
        for name, arguments, stdout in cases:
            with self.subTest(name):
                done = run("batch", "--jobs", "2", *arguments, *inputs)
                self.assertEqual((done.returncode, done.stdout), (1, stdout), done.stderr)
                self.assertTrue(done.stderr.startswith(
                    f"quorvel: {inputs[1]}: error 1003: ".encode() + GARBLED_REASON + b"\nbatch: 3 transactions, 1 failed"),
                    done.stderr)
        self.assertEqual(sorted(os.listdir(out)), ["a-good.result.xml", "b-garbled.error.json", "c-headerless.result.xml"])
        self.assertEqual(json.loads(read(os.path.join(out, "b-garbled.error.json"))),
                         {"file": inputs[1], "number": 1003, "description": GARBLED_REASON.decode()})
        self.assertEqual(read(os.path.join(out, "c-headerless.result.xml")), b"NOHEADER")

    def test_the_result_folder_reflects_the_last_run_only(self):
        os.mkdir(self.path("in"))
        write(self.path("in", "a.xml"), self.good)
        write(self.path("in", "b.xml"), self.good)
        write(self.path("outside.txt"), b"kept")
        out = self.path("out")
        os.mkdir(out)
        os.symlink(self.path("outside.txt"), os.path.join(out, "a.result.xml"))
        self.assertEqual(run("batch", "-q", "--out", out, self.path("in")).returncode, 0)
        write(self.path("in", "b.xml"), UNKNOWN_MODEL)
        again = run("batch", "-q", "--out", out, self.path("in"))
        self.assertEqual(again.returncode, 1)
        self.assertEqual(sorted(os.listdir(out)), ["a.result.xml", "b.error.json"])
        self.assertEqual(read(os.path.join(out, "a.result.xml")), self.expected)
        self.assertEqual(read(self.path("outside.txt")), b"kept")
        record = json.loads(read(os.path.join(out, "b.error.json")))
        self.assertEqual((record["file"], record["number"]), (self.path("in", "b.xml"), 91))
        write(self.path("in", "b.xml"), self.good)
        self.assertEqual(run("batch", "-q", "--out", out, self.path("in")).returncode, 0)
        self.assertEqual(sorted(os.listdir(out)), ["a.result.xml", "b.result.xml"])
        # Results beside their inputs: earlier results are no transactions, and none may overwrite an input.
        for _ in ("the first run", "a run beside its results"):
            self.assertRegex(run("batch", "--out", self.path("in"), self.path("in")).stderr,
                             rb"^batch: 2 transactions, 0 failed")
        clash = run("batch", "--out", self.path("in"), self.path("in", "a.xml"), self.path("in", "a.result.xml"))
        self.assertEqual(clash.returncode, 2)
        self.assertIn(b'would be written over the input', clash.stderr)

    def test_a_full_disk_leaves_the_earlier_result_whole(self):
        out = self.path("out")
        self.assertEqual(run("batch", "-q", "--out", out, GOOD).returncode, 0)
        done = run("batch", "-q", "--out", out, GOOD, preexec_fn=with_limits(FSIZE=len(self.expected) // 2))
        self.assertEqual(done.returncode, 1)
        self.assertIn(b'error 2002: cannot write "' + os.path.join(out, "01-in-town-sale.result.xml").encode() +
                      b'": File too large', done.stderr)
        self.assertEqual(read(os.path.join(out, "01-in-town-sale.result.xml")), self.expected)
        self.assertFalse([name for name in os.listdir(out) if name.endswith(".tmp")])

    def test_jsonl_has_one_line_per_input_in_order(self):
        names = [b"a.xml", b"b\xff.xml", b"c.xml"]  # the middle one fails, and its name is no UTF-8
        for name, text in zip(names, [self.good, UNKNOWN_MODEL, self.good]):
            write(os.path.join(self.dir.encode(), name), text)
        os.mkfifo(self.path("fifo.xml"))  # skipped, never waited on
        os.symlink("loop.xml", self.path("loop.xml"))  # fails alone
        done = run("batch", "-q", "--jobs", "3", "--format", "jsonl", self.dir)
        self.assertEqual(done.returncode, 1)
        lines = [json.loads(line) for line in done.stdout.decode().splitlines()]
        self.assertEqual([os.path.basename(line["file"]) for line in lines],
                         ["a.xml", "b\ufffd.xml", "c.xml", "loop.xml"])
        self.assertEqual([line.get("result", "").encode() for line in lines], [self.expected, b"", self.expected, b""])
        self.assertEqual([lines[1]["error"]["number"], lines[3]["error"]], [91, {
            "number": 2001, "description": "cannot read: Too many levels of symbolic links"}])

    def test_batch_reads_a_list_of_files_on_standard_input(self):
        expected = self.expected + b"\n" + self.expected + b"\n"
        cases = [  # arguments, standard input, standard output
            (["-"], f"{GOOD}\n\n{GOOD}\n".encode(), expected),
            (["-0", "-"], f"{GOOD}\0{GOOD}".encode(), expected),
            (["-"], b"", b""),
        ]
        for args, stdin, stdout in cases:
            with self.subTest(args=args, stdin=stdin):
                done = run("batch", "-q", *args, stdin=stdin)
                self.assertEqual((done.returncode, done.stdout, done.stderr), (0, stdout, b""))

    def test_workers_that_cannot_start_leave_the_work_to_fewer(self):
        # Every thread stack takes RLIMIT_STACK of address space: with 2 GB stacks under a 1.5 GB
        # limit none starts, with 1 GB stacks one does.
        for stack in (2 << 30, 1 << 30):
            with self.subTest(stack=stack):
                done = run("batch", "-q", "--jobs", "3", GOOD, GOOD, GOOD,
                           preexec_fn=with_limits(STACK=stack, AS=3 << 29))
                self.assertEqual((done.returncode, done.stdout), (0, (self.expected + b"\n") * 3))
                self.assertRegex(done.stderr.decode(), r"^quorvel: warning: [01] of 3 worker threads started")

    def test_the_progress_bar_stays_out_of_results_on_the_same_terminal(self):
        for results_to_terminal, bar_expected in [(True, False), (False, True)]:
            with self.subTest(results_to_terminal=results_to_terminal):
                master, slave = pty.openpty()
                with open(self.path("results"), "wb") as results:
                    run("batch", GOOD, stdout=slave if results_to_terminal else results, stderr=slave)
                os.close(slave)
                shown = b""
                while True:
                    try:
                        chunk = os.read(master, 65536)
                    except OSError:
                        break
                    if not chunk:
                        break
                    shown += chunk
                os.close(master)
                self.assertEqual(b"\r[" in shown, bar_expected, shown[-200:])


def wait_until(condition, what):
    """Polls `condition` (bounded), failing with `what` if it never holds."""
    deadline = time.monotonic() + 30
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("never happened: " + what)
        time.sleep(0.01)


def feed_pipe(path, data):
    """Writes `data` into the named pipe `path`, whose reader must be there already."""
    fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)  # ENXIO, not a hang, when nobody reads
    os.set_blocking(fd, True)
    os.write(fd, data)
    os.close(fd)


class ResultFolderOfAStoppedRun(unittest.TestCase):
    """`batch --out` stopped by a signal, or meeting another run: one outcome per document, no
    temporary file, never two runs writing one folder. A named pipe first in the list holds one
    worker until the test writes into it, so the run is surely in progress when it is signalled."""

    DOCUMENTS = 200

    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.temp.name, "out")
        self.folder = os.path.join(self.temp.name, "in")
        os.mkdir(self.folder)
        self.pipe = os.path.join(self.temp.name, "pipe.xml")
        os.mkfifo(self.pipe)
        self.good = read(GOOD)

    def tearDown(self):
        self.temp.cleanup()

    def write_documents(self, text):
        for number in range(self.DOCUMENTS):
            write(os.path.join(self.folder, f"d{number:03}.xml"), text)

    def start(self):
        """After a complete run, a run in which every document fails, over the pipe and the
        documents, once it holds the folder and has replaced some earlier results."""
        self.write_documents(self.good)
        self.assertEqual(run("batch", "-q", "--out", self.out, self.folder).returncode, 0)
        self.write_documents(UNKNOWN_MODEL)
        for name in ("pipe.result.xml", "pipe.error.json"):
            if os.path.exists(os.path.join(self.out, name)):
                os.unlink(os.path.join(self.out, name))
        batch = subprocess.Popen([BINARY, "batch", "-q", "--jobs", "2", "--out", self.out, self.pipe, self.folder],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        wait_until(lambda: any(name.endswith(".error.json") for name in os.listdir(self.out)), "an error file")
        return batch

    def assert_one_outcome_per_document(self, lock_left=False):
        names = os.listdir(self.out)
        self.assertFalse([name for name in names if name.endswith(".tmp")], names)
        self.assertEqual(".quorvel.lock" in names, lock_left)  # left, unlocked, by a run ended at once
        for number in range(self.DOCUMENTS):
            outcomes = [f"d{number:03}{end}" in names for end in (".result.xml", ".error.json")]
            self.assertEqual(outcomes.count(True), 1, f"d{number:03}: {outcomes}")
        return names

    def test_a_signal_stops_the_run_at_a_document_boundary(self):
        for name, second_signal in [("the document in hand is finished", None),
                                    ("a second signal ends the run at once", signal.SIGTERM)]:
            with self.subTest(name):
                batch = self.start()
                batch.send_signal(signal.SIGINT)
                time.sleep(0.3)
                self.assertIsNone(batch.poll(), "ended while a worker still had a document in hand")
                if second_signal:
                    batch.send_signal(second_signal)
                else:
                    feed_pipe(self.pipe, self.good)
                batch.communicate(timeout=60)
                self.assertEqual(batch.returncode, -(second_signal or signal.SIGINT))
                names = self.assert_one_outcome_per_document(lock_left=second_signal is not None)
                self.assertEqual("pipe.result.xml" in names, second_signal is None)
                errors = sum(name.endswith(".error.json") for name in names)
                self.assertLess(errors, self.DOCUMENTS, "no new document is taken after the signal")

    def test_a_second_run_on_the_same_folder_is_refused(self):
        batch = self.start()
        second = run("batch", "-q", "--out", self.out, self.folder)
        self.assertEqual(second.returncode, 1)
        self.assertRegex(second.stderr.decode(), rf'^quorvel: error 2002: the folder "{self.out}" is in use by '
                                                 rf'another run \(pid {batch.pid}: \S+ batch -q --jobs 2 --out ')
        feed_pipe(self.pipe, self.good)
        batch.communicate(timeout=60)
        self.assertEqual(batch.returncode, 1)
        self.assert_one_outcome_per_document()
        self.assertEqual(run("batch", "-q", "--out", self.out, self.folder).returncode, 1)


def commands_and_options():
    """{command: its long options} from --help-all; "" holds the options before any command."""
    listed, command = {"": set()}, ""
    for line in run("--help-all").stdout.decode().splitlines():
        if line and not line[0].isspace() and not line.endswith(":") and not line.startswith(("quorvel", "Usage")):
            command = line
            listed[command] = set()
        for word in line.replace(",", " ").split()[:2]:
            if word.startswith("--"):
                listed[command].add(word)
    return listed


def completions(*words):
    """What cli/quorvel.bash-completion offers for the last of `quorvel WORDS...`."""
    script = (f'source "{SOURCE}/cli/quorvel.bash-completion"; COMP_WORDS=(quorvel "$@"); '
              'COMP_CWORD=$#; _quorvel; printf "%s\\n" "${COMPREPLY[@]}"')
    done = subprocess.run(["bash", "-c", script, "bash", *words], capture_output=True, timeout=60)
    return set(done.stdout.decode().split())


class Documentation(unittest.TestCase):
    def test_the_completion_offers_every_command_and_option_of_help_all(self):
        listed = commands_and_options()
        self.assertIn("serve", listed)
        self.assertEqual(completions(""), set(listed) - {""} | listed[""])
        for command, options in listed.items():
            if command:
                with self.subTest(command=command):
                    self.assertEqual(completions(command, "--") - {"--help"}, options)

    def test_the_man_page_text_describes_every_command(self):
        with open(os.path.join(SOURCE, "cli", "quorvel.h2m")) as f:
            text = f.read()
        for command in set(commands_and_options()) - {""}:
            with self.subTest(command=command):
                self.assertIn(f"\n.B {command}\n", text)

    def test_readme_opens_with_the_two_commands_and_stays_a_map(self):
        with open(os.path.join(SOURCE, "README.md")) as f:
            lines = f.read().splitlines()
        self.assertLessEqual(len(lines), 260)
        self.assertEqual([line.split("#")[0].strip() for line in lines[3:5]], ["make demo", "make test"])

    def test_readme_links_every_page_in_docs_and_every_link_leads_to_a_file(self):
        docs = os.path.join(SOURCE, "docs")
        pages = [os.path.join(SOURCE, "README.md")] + [os.path.join(docs, name) for name in os.listdir(docs)
                                                      if name.endswith(".md")]
        for page in pages:
            with open(page) as f:
                links = [link.split(")")[0].split("#")[0] for link in f.read().split("](")[1:]]
            if page == pages[0]:
                self.assertEqual({name for name in os.listdir(docs)} - {os.path.basename(link) for link in links},
                                 set())
            for link in links:
                if link and "://" not in link:
                    with self.subTest(page=os.path.basename(page), link=link):
                        self.assertTrue(os.path.exists(os.path.join(os.path.dirname(page), link)))


if __name__ == "__main__":
    BINARY, SOURCE = sys.argv[1], sys.argv[2]
    GOOD = example("01-in-town-sale.xml")
    unittest.main(argv=sys.argv[:1], verbosity=1)
