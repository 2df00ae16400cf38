"""`quorvel serve` against hostile and unlucky clients: oversized trailers and chunk lines, codings
it cannot read, refusals that must reach the client and be counted and logged, and failures it did
not expect, which must cost one connection and never the process.

Usage: hostile_http_test.py QUORVEL_BINARY SOURCE_DIR
"""
import os, re, signal, socket, sys, time, unittest

from service_test import EXAMPLE, Service


def eventually(condition, what):
    """Waits for a condition the service reaches just after its answer (a log line, a counter)."""
    deadline = time.monotonic() + 10
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("never happened: " + what)
        time.sleep(0.02)


def exchange(port, data):
    """Sends `data` whole, as a client that reads no answer before it has sent its request, and
    reads until the service closes. A reset on the way fails the test (ConnectionResetError)."""
    with socket.create_connection(("127.0.0.1", port), timeout=20) as client:
        client.sendall(data)
        received = b""
        while chunk := client.recv(65536):
            received += chunk
    return received


def answers(received):
    """The status and header lines of each answer in what a connection received."""
    return [(int(m.group(1)), m.group(2)) for m in re.finditer(rb"HTTP/1\.1 (\d{3}) [^\r]*\r\n(.*?)\r\n\r\n", received, re.S)]


def counter(service, endpoint, status):
    """A count of answers from /metrics; None when the metrics request was itself refused."""
    answer, _, text = service.request("GET", "/metrics")
    if answer != 200:
        return None
    text = text.decode()
    found = re.search(r'quorvel_http_requests_total\{endpoint="%s",status="%d"\} (\d+)' % (endpoint, status), text)
    return int(found.group(1)) if found else 0


def post_chunked(target, chunks, trailer=b"", last=b"0"):
    return (b"POST " + target + b" HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks + last
            + b"\r\n" + trailer + b"\r\n")


PADDING = b"".join(b"X-Pad-%03d: %s\r\n" % (i, b"a" * 90) for i in range(100))  # 10 KB in 100 fields
REFUSALS = [  # (name, request, status)
    ("a trailer field value of 70,000 bytes", post_chunked(b"/healthz", b"", b"X: " + b"a" * 70000 + b"\r\n"), 431),
    ("a trailer field name of 70,000 bytes", post_chunked(b"/v1/calc", b"", b"X" * 70000 + b": a\r\n"), 431),
    ("trailer fields over the 8 KiB header budget together", post_chunked(b"/v1/calc", b"", PADDING), 431),
    ("a chunk extension of 200 KB", post_chunked(b"/v1/calc", b"5;" + b"e" * 200000 + b"\r\n<x/>\n\r\n"), 400),
    ("a last-chunk extension of 200 KB", post_chunked(b"/v1/calc", b"", b"", b"0;" + b"e" * 200000), 400),
    ("a gzip transfer coding hiding a second request", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\n"
     b"Transfer-Encoding: gzip\r\n\r\nGET /v1/tables HTTP/1.1\r\nHost: x\r\n\r\n", 400),
    ("gzip before chunked", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"
     b"5\r\nhello\r\n0\r\n\r\n", 400),
    ("not HTTP", b"HELLO\r\n\r\n", 400),
    ("a header over 8 KiB", b"GET /healthz HTTP/1.1\r\nX: " + b"x" * 10000 + b"\r\n\r\n", 431),
    ("an announced body over the limit, sent without waiting",
     b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: 300000\r\n\r\n" + b" " * 300000, 413),
    ("a chunked body over the limit", post_chunked(b"/v1/calc", b"30000\r\n" + b" " * 0x30000 + b"\r\n"), 413),
]
ENDPOINTS = {b"/v1/calc": "calc", b"/healthz": "healthz"}


class Refusals(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = Service("--max-body", "4096", "--access-log")

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def check_refused(self, request, status):
        service = self.service
        line = re.match(rb"(\S+) (\S+) HTTP/1.1\r\n", request)
        endpoint, logged = (ENDPOINTS[line[2]], (line[1] + b" " + line[2]).decode()) if line else ("other", "- -")
        before = counter(service, endpoint, status)
        log_lines = len(service.log)
        got = answers(exchange(service.port, request))
        self.assertEqual([answer[0] for answer in got], [status])
        self.assertIn(b"Connection: close", got[0][1])
        eventually(lambda: counter(service, endpoint, status) == before + 1, f"{endpoint} {status} counted")
        eventually(lambda: any(f" {logged} {status} " in line for line in service.log[log_lines:]),
                   f"{logged} {status} logged")

    def test_each_refusal_is_one_answer_that_closes_the_connection_and_is_counted_and_logged(self):
        for name, request, status in REFUSALS:
            with self.subTest(name):
                self.check_refused(request, status)
        self.assertIsNone(self.service.process.poll())

    def test_a_connection_over_the_cap_is_refused_like_the_others(self):
        capped = Service("--max-connections", "2", "--access-log")
        # Connections are taken in the order they came: the third one finds the first two open.
        idle = [socket.create_connection(("127.0.0.1", capped.port)) for _ in range(2)]
        try:
            refused = answers(exchange(capped.port, b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"))
            self.assertEqual([(status, b"Connection: close" in headers) for status, headers in refused], [(503, True)])
            for connection in idle:
                connection.close()
            # Until the service has seen them closed, the metrics requests may be refused too.
            refused = [1]

            def all_counted():
                count = counter(capped, "other", 503)
                refused[0] += count is None
                return count == refused[0]
            eventually(all_counted, "each 503 counted")
            eventually(lambda: sum(" - - 503 " in line for line in capped.log) == refused[0], "each 503 logged")
        finally:
            for connection in idle:
                connection.close()
            self.assertEqual(capped.stop(), 0)


class Uploads(unittest.TestCase):
    def test_an_upload_over_the_limit_without_expect_gets_its_413_every_time(self):
        service = Service()
        body = b"<x>" + b" " * (16 * 1024 * 1024 - 6) + b"</x>"  # 16 MiB + 1 byte
        request = b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % len(body) + body
        try:
            statuses = [[answer[0] for answer in answers(exchange(service.port, request))] for _ in range(20)]
            self.assertEqual(statuses, [[413]] * 20)
        finally:
            self.assertEqual(service.stop(), 0)


class BodyEncodings(unittest.TestCase):
    def test_only_identity_coded_utf8_bodies_are_calculated(self):
        service = Service()
        try:
            for name, headers, status in [
                ("gzip content coding", {"Content-Encoding": "gzip"}, 415),
                ("identity then gzip", {"Content-Encoding": "identity, gzip"}, 415),
                ("UTF-16 charset", {"Content-Type": "application/xml; charset=utf-16"}, 415),
                ("Latin-1 charset, quoted", {"Content-Type": 'application/xml; charset="iso-8859-1"'}, 415),
                ("identity content coding", {"Content-Encoding": "identity"}, 200),
                ("UTF-8 charset, quoted and in capitals", {"Content-Type": 'application/xml; charset="UTF-8"'}, 200),
            ]:
                with self.subTest(name):
                    status_got, answer_headers, body = service.request(
                        "POST", "/v1/calc", EXAMPLE, {"Content-Type": "application/xml", **headers})
                    self.assertEqual(status_got, status, body)
                    if status == 415:
                        self.assertRegex(body.decode(), "identity" if "Content-Encoding" in headers else "utf-8")
        finally:
            self.assertEqual(service.stop(), 0)


class UnexpectedFailures(unittest.TestCase):
    def test_a_failure_costs_one_connection_and_the_service_still_drains(self):
        """QUORVEL_SERVICE_TEST_FAULT makes the first request throw at the named place."""
        for place in ("read", "answer", "send"):
            with self.subTest(place):
                os.environ["QUORVEL_SERVICE_TEST_FAULT"] = place
                try:
                    service = Service()
                finally:
                    del os.environ["QUORVEL_SERVICE_TEST_FAULT"]
                try:
                    got = answers(exchange(service.port, b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"))
                    self.assertEqual([answer[0] for answer in got], [200] if place == "send" else [])
                    eventually(lambda: any("error: a connection failed and is closed" in line for line in service.log),
                               "the failure logged")
                    self.assertEqual(service.request("GET", "/healthz")[0], 200)
                    # The metrics request itself, once the one before has finished on the service's side.
                    eventually(lambda: "quorvel_http_requests_in_flight 1\n" in service.request("GET", "/metrics")[2].decode(),
                               "no request left in flight")
                finally:
                    self.assertEqual(service.stop(), 0)


class RepeatedSigterm(unittest.TestCase):
    def test_sigterm_repeated_while_stopping_still_ends_with_the_drain_status(self):
        for attempt in range(20):
            with self.subTest(attempt=attempt):
                service = Service()
                # SIGTERM again and again until it has ended, as an impatient supervisor does (it is
                # not reaped before poll() sees it ended, so its process identifier stays its own).
                os.kill(service.process.pid, signal.SIGTERM)
                while service.process.poll() is None:
                    os.kill(service.process.pid, signal.SIGTERM)
                    time.sleep(0.0001)
                self.assertEqual(service.stop(), 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
