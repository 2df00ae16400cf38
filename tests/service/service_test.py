"""`quorvel serve` driven over HTTP on a loopback port, held to `quorvel calc`.

Usage: service_test.py QUORVEL_BINARY SOURCE_DIR [CASES_DIR]
"""
import glob, http.client, json, os, pathlib, re, shutil, signal, socket, subprocess, sys, tempfile, threading, time
import unittest

BINARY, SOURCE = sys.argv[1], sys.argv[2]
CASES = sys.argv[3] if len(sys.argv) > 3 else ""
EXAMPLES = os.path.join(SOURCE, "examples")
# A transaction whose calculation fails: its tax model is not in the tables.
FAILING = (b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data>'
           b'<z:row head="head" CustomerID="1" TaxModel="999999"/></rs:data></xml>')


def write(path, text, mode="w"):
    with open(path, mode + ("b" if isinstance(text, bytes) else "")) as file:
        file.write(text)


class Service:
    """A running `quorvel serve` whose log is collected; its port comes from the start-up line."""

    def __init__(self, *args, env=None, **popen):
        self.process = subprocess.Popen([BINARY, "serve", "--listen", "127.0.0.1:0", *args],
                                        stderr=subprocess.PIPE, text=True, env={**os.environ, **(env or {})},
                                        **popen)
        self.log = []
        line = self.process.stderr.readline()
        self.log.append(line)
        match = re.search(r"listening on http://127\.0\.0\.1:(\d+)", line)
        if not match:
            self.process.kill()
            raise AssertionError("no start-up line: " + line + self.process.stderr.read())
        self.port = int(match.group(1))
        self.reader = threading.Thread(target=lambda: self.log.extend(self.process.stderr), daemon=True)
        self.reader.start()

    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        connection.request(method, path, body=body, headers=headers or {})
        response = connection.getresponse()
        result = (response.status, dict(response.getheaders()), response.read())
        connection.close()
        return result

    def raw(self, data, wait=0.0):
        """Sends bytes as they are and returns the status of the first answer."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as client:
            client.sendall(data)
            time.sleep(wait)
            first = client.recv(65536).split(b"\r\n", 1)[0]
        return int(first.split()[1]) if first else None

    def cpu_seconds(self):
        fields = pathlib.Path(f"/proc/{self.process.pid}/stat").read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def wait_for_log(self, pattern, count=1):
        """Waits (a generous bound, not a timing check) until `count` log lines match `pattern`."""
        deadline = time.monotonic() + 30
        while sum(bool(re.search(pattern, line)) for line in list(self.log)) < count:
            if time.monotonic() > deadline:
                raise AssertionError(f"no {count} log lines like {pattern!r}: {''.join(self.log)}")
            time.sleep(0.02)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(timeout=30)
        self.reader.join(timeout=5)
        self.process.stderr.close()
        return status


def calc(tables, path):
    """`quorvel calc`'s answer: (result bytes, None, None) or (None, error number, description)."""
    run = subprocess.run([BINARY, "calc", *(["--tables", tables] if tables else []), path],
                         capture_output=True, timeout=30)
    refused = re.match(r"quorvel: warning: (.*)\n$", run.stderr.decode(), re.S)
    if run.returncode == 0 and refused:  # a document that is not well-formed XML
        return None, 1003, refused.group(1)
    if run.returncode == 0:
        return run.stdout, None, None
    error = re.match(r"quorvel: error (\d+): (.*)\n$", run.stderr.decode(), re.S)
    return None, int(error.group(1)), error.group(2)


class Calculations(unittest.TestCase):
    def check_same_as_calc(self, service, tables, path):
        status, headers, body = service.request("POST", "/v1/calc", pathlib.Path(path).read_bytes(),
                                                {"Content-Type": "application/xml"})
        result, number, description = calc(tables, path)
        self.assertRegex(headers["Quorvel-Tables"], r"^[0-9a-f]{16}$")
        if number is None:
            self.assertEqual((status, body), (200, result))
            kind = "text/plain" if result == b"NOHEADER" else "application/xml"
            self.assertEqual(headers["Content-Type"], kind + "; charset=utf-8")
        else:
            self.assertEqual((status, headers["Content-Type"]), (400 if number == 1003 else 422, "application/problem+json"))
            problem = json.loads(body)
            self.assertEqual((problem["number"], problem["description"]), (number, description))

    def test_examples_answer_as_calc_does(self):
        service = Service()
        try:
            for path in sorted(glob.glob(os.path.join(EXAMPLES, "transactions", "*.xml"))) + [None]:
                with self.subTest(os.path.basename(path or "failing calculation")):
                    if path is None:
                        path = os.path.join(tempfile.mkdtemp(), "failing.xml")
                        write(path, FAILING)
                    self.check_same_as_calc(service, None, path)
        finally:
            self.assertEqual(service.stop(), 0)

    @unittest.skipUnless(CASES and os.path.isdir(CASES), "no shared sample cases")
    def test_shared_cases_answer_as_calc_does(self):
        """One service; each case's tables come in by switching a link and reloading."""
        folder = tempfile.mkdtemp()
        link, token = os.path.join(folder, "tables"), os.path.join(folder, "token")
        write(token, "secret\n")
        os.symlink(os.path.join(EXAMPLES, "tables"), link)
        service = Service("--tables", link, "--admin-token-file", token)
        try:
            for case in sorted(os.listdir(CASES)):
                cdir = os.path.join(CASES, case)
                if not os.path.isdir(cdir) or os.path.exists(os.path.join(cdir, "NOTABLES")):
                    continue
                with self.subTest(case):
                    os.symlink(cdir, link + ".new")
                    os.replace(link + ".new", link)
                    status, _, body = service.request("POST", "/v1/tables/reload", b"",
                                                      {"Authorization": "Bearer secret"})
                    transactions = sorted(glob.glob(os.path.join(cdir, "trans-*.xml")))
                    if status == 422:  # the tables do not load: calc must fail the same way
                        self.assertEqual(json.loads(body)["number"], calc(cdir, transactions[0])[1])
                        continue
                    self.assertEqual(status, 200, body)
                    for path in transactions:
                        self.check_same_as_calc(service, cdir, path)
        finally:
            self.assertEqual(service.stop(), 0)


# Every (path, method, status) of docs/openapi.yaml, with a request that must get it.
# Services: "plain" (built-in tables, no token), "admin" (a tables link and a token; the link
# names a folder without islands when the case is "broken"), "built-in-admin" (token, built-in).
TOKEN = {"Authorization": "Bearer secret"}
XML = {"Content-Type": "application/xml"}
with open(os.path.join(EXAMPLES, "transactions", "01-in-town-sale.xml"), "rb") as example:
    EXAMPLE = example.read()
HEADERLESS = b'<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data></rs:data></xml>'
OVER_LIMIT = b"<x>" + b" " * 5000 + b"</x>"
AT_LIMIT = EXAMPLE + b"\n" * (4096 - len(EXAMPLE))  # "plain" takes at most 4096 bytes
STATUS_CASES = [
    ("/v1/calc", "post", 200, "plain", ("POST", EXAMPLE, XML)),
    ("/v1/calc", "post", 200, "plain", ("POST", AT_LIMIT, XML)),
    ("/v1/calc", "post", 405, "plain", ("GET", None, {}, "?a=1")),
    ("/v1/calc", "post", 413, "plain", ("POST", OVER_LIMIT, XML, "?a=1")),
    ("/v1/calc", "post", 405, "plain", ("GET", None, {})),
    ("/v1/calc", "post", 413, "plain", ("POST", OVER_LIMIT, XML)),
    ("/v1/calc", "post", 415, "plain", ("POST", b"{}", {"Content-Type": "application/json"})),
    ("/v1/calc", "post", 400, "plain", ("POST", b"<xml><unclosed>", XML)),
    ("/v1/calc", "post", 422, "plain", ("POST", FAILING, XML)),
    ("/v1/tables", "get", 200, "plain", ("GET", None, {})),
    ("/v1/tables", "get", 405, "plain", ("DELETE", None, {})),
    ("/v1/tables/reload", "post", 200, "admin", ("POST", b"", TOKEN)),
    ("/v1/tables/reload", "post", 200, "admin", ("POST", b"", {"Authorization": "bEARER secret"})),
    ("/v1/tables/reload", "post", 401, "admin", ("POST", b"", {"Authorization": "Bearer secreT"})),
    ("/v1/tables/reload", "post", 403, "plain", ("POST", b"", TOKEN)),
    ("/v1/tables/reload", "post", 405, "admin", ("GET", None, TOKEN)),
    ("/v1/tables/reload", "post", 409, "built-in-admin", ("POST", b"", TOKEN)),
    ("/v1/tables/reload", "post", 422, "broken", ("POST", b"", TOKEN)),
    ("/healthz", "get", 200, "plain", ("GET", None, {})),
    ("/healthz", "get", 405, "plain", ("POST", b"", {})),
    ("/readyz", "get", 200, "plain", ("GET", None, {})),
    ("/readyz", "get", 405, "plain", ("PUT", b"", {})),
    ("/metrics", "get", 200, "plain", ("GET", None, {})),
    ("/metrics", "get", 405, "plain", ("POST", b"", {})),
    # /readyz 503 while draining: TestDrain.
]


def documented_statuses():
    """(path, method, status) triples of the OpenAPI file, read by its indentation."""
    found, path, method = set(), None, None
    with open(os.path.join(SOURCE, "docs", "openapi.yaml")) as file:
        lines = file.readlines()
    for line in lines:
        if m := re.match(r"^  (/\S*):$", line):
            path = m.group(1)
        elif m := re.match(r"^    (get|post|put|delete):", line):
            method = m.group(1)
        elif m := re.match(r"^        '(\d{3})':", line):
            found.add((path, method, int(m.group(1))))
        elif re.match(r"^\S", line):
            path = None
    return found


class Statuses(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = tempfile.mkdtemp()
        cls.link, token = os.path.join(folder, "tables"), os.path.join(folder, "token")
        write(token, "secret\n")
        os.symlink(os.path.join(EXAMPLES, "tables"), cls.link)
        cls.broken = os.path.join(folder, "broken")
        shutil.copytree(os.path.join(EXAMPLES, "tables"), cls.broken)
        os.remove(os.path.join(cls.broken, "TaxStatusData.xml"))
        cls.services = {"plain": Service("--max-body", "4096", "--max-connections", "8"),
                        "admin": Service("--tables", cls.link, "--admin-token-file", token),
                        "built-in-admin": Service("--admin-token-file", token)}
        cls.services["broken"] = cls.services["admin"]

    @classmethod
    def tearDownClass(cls):
        for name in ("plain", "admin", "built-in-admin"):
            cls.services[name].stop()

    def test_every_documented_status_is_answered(self):
        self.assertEqual(documented_statuses() - {("/readyz", "get", 503)},
                         {case[:3] for case in STATUS_CASES})
        for path, _, status, service, (method, body, headers, *query) in STATUS_CASES:
            target = path + "".join(query)
            with self.subTest(f"{method} {target} -> {status}"):
                if service == "broken":
                    os.symlink(self.broken, self.link + ".new")
                    os.replace(self.link + ".new", self.link)
                answer, answer_headers, answer_body = self.services[service].request(method, target, body, headers)
                self.assertEqual(answer, status, answer_body)
                if status >= 400:
                    self.assertEqual(answer_headers["Content-Type"], "application/problem+json")
                    self.assertEqual(json.loads(answer_body)["status"], status)
                if status == 405:
                    self.assertIn(answer_headers["Allow"], ("GET", "POST"))
                if path == "/v1/calc":
                    self.assertIn("Quorvel-Tables", answer_headers)

    def test_failed_reload_keeps_the_tables_and_names_no_server_path(self):
        admin = self.services["admin"]
        os.symlink(os.path.join(EXAMPLES, "tables"), self.link + ".new")
        os.replace(self.link + ".new", self.link)
        self.assertEqual(admin.request("POST", "/v1/tables/reload", b"", TOKEN)[0], 200)
        before = json.loads(admin.request("GET", "/v1/tables")[2])
        self.assertEqual((before["source"], before["rows"]["taxes"] > 0), ("tables", True))
        os.symlink(self.broken, self.link + ".new")
        os.replace(self.link + ".new", self.link)
        status, _, body = admin.request("POST", "/v1/tables/reload", b"", TOKEN)
        self.assertEqual((status, json.loads(body)["number"]), (422, 1001))
        self.assertNotIn(self.broken.encode(), body)
        self.assertEqual(json.loads(admin.request("GET", "/v1/tables")[2])["version"], before["version"])

    def test_sighup_reloads_and_the_version_follows_the_rows(self):
        admin = self.services["admin"]
        before = json.loads(admin.request("GET", "/v1/tables")[2])["version"]
        reloads = 0
        for name, change, same in [
                ("reformatted without changing a row", lambda text: text.replace('"', "'").replace("\n", "\r\n\t") + "\n",
                 True),
                ("a rate changed", lambda text: text.replace('TaxRate="6.25"', 'TaxRate="6.5"', 1), False)]:
            with self.subTest(name):
                changed = tempfile.mkdtemp()
                shutil.copytree(os.path.join(EXAMPLES, "tables"), changed, dirs_exist_ok=True)
                island = os.path.join(changed, "taxData.xml")
                write(island, change(pathlib.Path(island).read_text()))
                os.symlink(changed, self.link + ".new")
                os.replace(self.link + ".new", self.link)
                admin.process.send_signal(signal.SIGHUP)
                reloads += 1
                # The log line follows the swap.
                admin.wait_for_log(r"reload \(SIGHUP\): tables ", reloads)
                after = json.loads(admin.request("GET", "/v1/tables")[2])["version"]
                self.assertEqual(after == before, same, (before, after))
                printed = subprocess.run([BINARY, "tables", "--tables", changed], capture_output=True, text=True)
                self.assertIn(f"version: {after}\n", printed.stdout)

    def test_transport_refusals(self):
        plain = self.services["plain"]
        over = b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: 5000\r\n"
        for name, data, status in [
            ("announced length over the limit, Expect 100-continue", over + b"Expect: 100-continue\r\n\r\n", 413),
            ("Expect 100-continue within the limit", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\n"
             b"Content-Length: 3\r\nExpect: 100-continue\r\n\r\n", 100),
            ("chunked body over the limit", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked"
             b"\r\n\r\n1400\r\n" + b" " * 5120 + b"\r\n0\r\n\r\n", 413),
            ("not HTTP", b"HELLO\r\n\r\n", 400),
            ("header too large", b"GET /healthz HTTP/1.1\r\nX: " + b"x" * 10000 + b"\r\n\r\n", 431),
        ]:
            with self.subTest(name):
                self.assertEqual(plain.raw(data, wait=0.2), status)

    def test_a_body_that_is_not_well_formed_is_refused_with_the_rule_and_where(self):
        for name, body, rule, line, column in [
            ("empty body", b"", "No document element found", 1, 1),
            ("attribute unfinished", b'<xml><z:row head="1"', "Error parsing element attribute", 1, 19),
            ("attribute twice, second line", b'<xml>\n  <row a="1" a="2"/></xml>', 'duplicate attribute "a"', 2, 14),
        ]:
            with self.subTest(name):
                status, headers, answer = self.services["plain"].request("POST", "/v1/calc", body, XML)
                self.assertEqual((status, headers["Content-Type"]), (400, "application/problem+json"), answer)
                problem = json.loads(answer)
                self.assertEqual((problem["number"], problem["rule"], problem["line"], problem["column"]),
                                 (1003, rule, line, column))
                self.assertEqual(problem["description"], f"not well-formed XML: {rule} at line {line}, column {column}")

    def test_a_well_formed_body_without_header_row_is_noheader(self):
        status, headers, body = self.services["plain"].request("POST", "/v1/calc", HEADERLESS, XML)
        self.assertEqual((status, body, headers["Content-Type"]), (200, b"NOHEADER", "text/plain; charset=utf-8"))

    def test_unknown_path_is_a_problem_document(self):
        status, headers, body = self.services["plain"].request("GET", "/v2/calc?x=1")
        self.assertEqual((status, headers["Content-Type"], body),
                         (404, "application/problem+json",
                          b'{"detail":"no such path","status":404,"title":"Not Found","type":"about:blank"}'))

    def test_connections_over_the_cap_get_503(self):
        plain = self.services["plain"]
        idle = [socket.create_connection(("127.0.0.1", plain.port)) for _ in range(8)]
        try:
            time.sleep(0.2)
            self.assertEqual(plain.raw(b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"), 503)
        finally:
            for connection in idle:
                connection.close()
            # The service sees them closed a moment later; until then the next test would get 503.
            deadline = time.monotonic() + 10
            while plain.raw(b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n") != 200 and time.monotonic() < deadline:
                time.sleep(0.02)

    def test_metrics_name_what_happened(self):
        text = self.services["plain"].request("GET", "/metrics")[2].decode()
        for name in ('quorvel_http_requests_total{endpoint="healthz",status="200"}',
                     "quorvel_http_request_duration_seconds_bucket", "quorvel_http_requests_in_flight 1",
                     'quorvel_table_reloads_total{outcome="failed"}', "quorvel_tables_info{version=",
                     'quorvel_table_rows{table="taxes"}'):
            self.assertIn(name, text)


class Lifecycle(unittest.TestCase):
    def test_start_refusals(self):
        empty = os.path.join(tempfile.mkdtemp(), "token")
        write(empty, "\n")
        for name, args, message in [
            ("tables that do not load", ["--tables", tempfile.mkdtemp()], "quorvel: error 1001: "),
            ("empty token file", ["--admin-token-file", empty], "is empty"),
            ("unreadable token file", ["--admin-token-file", empty + ".none"], "cannot read"),
        ]:
            with self.subTest(name):
                run = subprocess.run([BINARY, "serve", "--listen", "127.0.0.1:0", *args],
                                     capture_output=True, text=True, timeout=10)
                self.assertEqual(run.returncode, 1)
                self.assertIn(message, run.stderr)

    def test_slow_client_is_closed_by_the_read_timeout_while_others_are_answered(self):
        service = Service("--read-timeout", "1")
        try:
            # Far longer than the read timeout: a recv that times out means the service never closed.
            slow = socket.create_connection(("127.0.0.1", service.port), timeout=15)
            slow.sendall(b"POST /v1/calc HTTP/1.1\r\n")
            self.assertEqual(service.request("GET", "/healthz")[0], 200)
            self.assertEqual(slow.recv(100), b"")  # closed
        finally:
            self.assertEqual(service.stop(), 0)

    def test_sigterm_drains_requests_in_flight(self):
        for name, args, finish, code in [("finished in time", [], True, 0),
                                         ("deadline passed", ["--drain-seconds", "1"], False, 1)]:
            with self.subTest(name):
                service = Service(*args)
                calc_client = socket.create_connection(("127.0.0.1", service.port), timeout=10)
                calc_client.sendall(b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n"
                                    % len(EXAMPLE) + EXAMPLE[:100])
                ready_client = socket.create_connection(("127.0.0.1", service.port), timeout=10)
                ready_client.sendall(b"GET /readyz HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\n\r\n")
                deadline = time.monotonic() + 10
                while "quorvel_http_requests_in_flight 3" not in service.request("GET", "/metrics")[2].decode():
                    self.assertLess(time.monotonic(), deadline, "the two requests never arrived")
                    time.sleep(0.02)
                service.process.send_signal(signal.SIGTERM)
                # Draining has begun once it says so; a fixed pause was too short on a busy machine.
                while not any("draining" in line for line in service.log):
                    self.assertLess(time.monotonic(), deadline, "SIGTERM was not taken")
                    time.sleep(0.02)
                if finish:
                    calc_client.sendall(EXAMPLE[100:])
                    ready_client.sendall(b"x")
                    answer = calc_client.makefile("rb").read()
                    self.assertTrue(answer.startswith(b"HTTP/1.1 200 OK"))
                    self.assertTrue(answer.endswith(calc(None, os.path.join(EXAMPLES, "transactions",
                                                                            "01-in-town-sale.xml"))[0]))
                    self.assertTrue(ready_client.recv(100).startswith(b"HTTP/1.1 503"))
                self.assertEqual(service.stop(), code)
                self.assertTrue(any(("drained" if finish else "drain time ran out") in line for line in service.log))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
