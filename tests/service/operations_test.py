"""`quorvel serve` under operational pressure: option bounds, descriptor limits and reloads.

Usage: operations_test.py QUORVEL_BINARY SOURCE_DIR
"""
import json, os, pathlib, re, resource, shutil, signal, socket, subprocess, sys, tempfile, threading, time
import unittest

from service_test import BINARY, EXAMPLE, EXAMPLES, TOKEN, Service


def limited(**limits):
    """A preexec_fn that sets resource limits, soft and hard alike, in the service's process."""
    def apply():
        for name, value in limits.items():
            resource.setrlimit(getattr(resource, name), (value, value))
    return apply


class OptionBounds(unittest.TestCase):
    def test_values_out_of_range_are_usage_errors(self):
        for option, value, message in [
            ("--threads", "100000", 'must be a whole number from 1 to 1024, not "100000"'),
            ("--threads", "0", "from 1 to 1024"),
            ("--read-timeout", "0.0001", 'must be from 0.001 to 86400 seconds, not "0.0001"'),
            ("--read-timeout", "nan", "from 0.001 to 86400 seconds"),
            ("--drain-seconds", "100000", "from 0.001 to 86400 seconds"),
            ("--max-body", "0", "from 1 to 1073741824"),
            ("--max-connections", "0", "from 1 to 1000000"),
            ("--max-connections", "-5", "from 1 to 1000000"),
        ]:
            with self.subTest(f"{option} {value}"):
                run = subprocess.run([BINARY, "serve", "--listen", "127.0.0.1:0", option, value],
                                     capture_output=True, text=True, timeout=30)
                self.assertEqual((run.returncode, run.stdout), (2, ""))
                self.assertTrue(run.stderr.startswith(f"quorvel: {option}: "), run.stderr)
                self.assertIn(message, run.stderr)

    def test_a_thread_that_cannot_start_is_a_clean_start_failure(self):
        # 1024 thread stacks do not fit in 1 GB of address space.
        run = subprocess.run([BINARY, "serve", "--listen", "127.0.0.1:0", "--threads", "1024"], capture_output=True,
                             text=True, timeout=60, preexec_fn=limited(RLIMIT_AS=1 << 30))
        self.assertEqual(run.returncode, 1, run.stderr)
        self.assertRegex(run.stderr, r"^quorvel: cannot start thread \d+ of 1024: ")
        self.assertNotIn("listening", run.stderr)


def http_get(connection, path):
    """The status line of a GET on an open connection, or None when nothing comes."""
    connection.sendall(b"GET %s HTTP/1.1\r\nHost: x\r\n\r\n" % path.encode())
    try:
        return connection.recv(65536).split(b"\r\n", 1)[0] or None
    except socket.timeout:
        return None


class DescriptorLimits(unittest.TestCase):
    """With the hard limit at 64 open files, more idle connections than the service can hold."""

    def test_idle_connections_beyond_the_limit(self):
        for name, taken_elsewhere, log_line, over_the_cap in [
            ("the limit lowers --max-connections, and the connections over it get 503", 0,
             "--max-connections 1024 lowered to 32: the limit on open files is 64", 503),
            ("descriptors taken elsewhere: accepting pauses instead of spinning", 40,
             "out of file descriptors: accepting pauses", None),
        ]:
            with self.subTest(name):
                taken = [os.open(os.devnull, os.O_RDONLY) for _ in range(taken_elsewhere)]
                service = Service(preexec_fn=limited(RLIMIT_NOFILE=64), pass_fds=taken)
                for descriptor in taken:
                    os.close(descriptor)
                first = socket.create_connection(("127.0.0.1", service.port), timeout=30)
                idle = [socket.create_connection(("127.0.0.1", service.port), timeout=30) for _ in range(70)]
                try:
                    self.assertEqual(http_get(first, "/healthz"), b"HTTP/1.1 200 OK")
                    cpu = service.cpu_seconds()
                    time.sleep(2)
                    # Spinning on accept would take about a processor's 2 s; idle is near 0.
                    self.assertLess(service.cpu_seconds() - cpu, 0.5)
                    self.assertEqual(http_get(first, "/healthz"), b"HTTP/1.1 200 OK")
                    if over_the_cap:
                        self.assertEqual(idle[-1].recv(100).split(b"\r\n")[0], b"HTTP/1.1 503 Service Unavailable")
                    else:  # once descriptors are free again, the connection still waiting is taken in
                        for connection in idle[:-1]:
                            connection.close()
                        self.assertEqual(http_get(idle[-1], "/healthz"), b"HTTP/1.1 200 OK")
                    service.wait_for_log(re.escape(log_line))
                finally:
                    for connection in [first, *idle]:
                        connection.close()
                    self.assertEqual(service.stop(), 0)


class Reloads(unittest.TestCase):
    """Loads held open by the test hook, so that what happens meanwhile can be seen."""

    def setUp(self):
        folder = pathlib.Path(tempfile.mkdtemp())
        self.link, self.gate = folder / "tables", folder / "hold"
        (folder / "token").write_text("secret\n")
        for name in ("first", "second"):  # their answers tell them apart by the folder's name
            shutil.copytree(os.path.join(EXAMPLES, "tables"), folder / name)
        self.switch(folder / "first")
        self.gate.touch()
        self.service = Service("--tables", str(self.link), "--admin-token-file", str(folder / "token"),
                               "--threads", "1", env={"QUORVEL_TEST_HOLD_RELOAD_WHILE": str(self.gate)})

    def tearDown(self):
        self.gate.unlink(missing_ok=True)
        self.assertEqual(self.service.stop(), 0)

    def switch(self, target):
        os.symlink(target, f"{self.link}.new")
        os.replace(f"{self.link}.new", self.link)

    def reload_in_background(self):
        answer = {}
        thread = threading.Thread(target=lambda: answer.update(
            zip(("status", "headers", "body"), self.service.request("POST", "/v1/tables/reload", b"", TOKEN))))
        thread.start()
        return thread, answer

    def test_requests_go_on_during_a_load_and_a_later_reload_reads_the_folder_again(self):
        first, first_answer = self.reload_in_background()
        self.service.wait_for_log(r"test hook: the reload holds")
        # One thread serves requests, and it is free while the load waits.
        self.assertEqual(self.service.request("GET", "/healthz")[::2], (200, b"ok\n"))
        status, _, body = self.service.request("POST", "/v1/calc", EXAMPLE, {"Content-Type": "application/xml"})
        self.assertEqual(status, 200, body)
        self.switch(self.link.parent / "second")
        second, second_answer = self.reload_in_background()
        self.service.wait_for_log(r"reload \(request\): waits for the load in progress")
        self.assertTrue(first.is_alive())
        self.gate.unlink()
        first.join(timeout=30)
        second.join(timeout=30)
        versions = [json.loads(answer["body"])["source"] for answer in (first_answer, second_answer)]
        self.assertEqual((first_answer["status"], second_answer["status"], versions), (200, 200, ["first", "second"]))
        self.assertEqual(json.loads(self.service.request("GET", "/v1/tables")[2])["source"], "second")

    def test_sighups_during_a_load_share_the_next_one(self):
        self.service.process.send_signal(signal.SIGHUP)
        self.service.wait_for_log(r"test hook: the reload holds")
        for count in (1, 2, 3):
            self.service.process.send_signal(signal.SIGHUP)
            self.service.wait_for_log(r"reload \(SIGHUP\): waits for the load in progress", count)
        self.gate.unlink()
        # Answered by a load that starts after every SIGHUP above was taken in: they are all done.
        self.assertEqual(self.service.request("POST", "/v1/tables/reload", b"", TOKEN)[0], 200)
        loads = [line for line in self.service.log if re.search(r"reload \([^)]*SIGHUP[^)]*\): tables", line)]
        self.assertEqual(len(loads), 2, "".join(self.service.log))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
