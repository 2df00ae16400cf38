"""`make loadtest`: `quorvel serve` under wrk, beside `quorvel batch --jobs 2`, then under faults.

Usage: loadtest.py BUILD_DIR [SECONDS]   (needs wrk; prints a table; every phase is time-bounded)

Phases: wrk with 64 keep-alive connections on typical transactions; batch --jobs 2 on the same
documents; a reload storm (a reload every 250 ms while the tables link switches among two good
folders and a broken one, sampled answers checked against `quorvel calc` under the tables their
Quorvel-Tables header names); 300 slow clients (a byte a second) against runs without them, medians
of 3; oversized and malformed requests mixed in. A failed request is no answer, a 5xx or a wrong
answer; the intended 4xx answers are counted by kind.
"""
import atexit, http.client, json, resource, os, re, shutil, signal, socket, statistics, subprocess, sys, threading, time

BUILD = os.path.abspath(sys.argv[1])
SECONDS = int(sys.argv[2]) if len(sys.argv) > 2 else 10
QUORVEL = os.path.join(BUILD, "quorvel")
WORK = os.path.join(BUILD, "loadtest")
DOCUMENTS = 50000
CYCLED = 64  # files the wrk script cycles through
LUA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cycle.lua")


def run(*command, **kwargs):
    return subprocess.run(command, check=True, timeout=600, **kwargs)


def prepare():
    """Transactions and three table folders: as generated, with one rate changed, broken."""
    if not os.path.exists(os.path.join(WORK, "transactions", "trans-%06d.xml" % (DOCUMENTS - 1))):
        shutil.rmtree(WORK, ignore_errors=True)
        run(os.path.join(BUILD, "quorvel_profile"), "files", WORK, str(DOCUMENTS), stdout=subprocess.DEVNULL)
    good_a, good_b, broken = (os.path.join(WORK, name) for name in ("tables", "tables-b", "tables-broken"))
    for copy in (good_b, broken):
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(good_a, copy)
    path = os.path.join(good_b, "taxData.xml")
    with open(path) as file:
        text = file.read()
    rate = re.search(r'TaxRate="([0-9.]+)"', text)
    with open(path, "w") as file:
        file.write(text[:rate.start(1)] + str(float(rate.group(1)) + 1) + text[rate.end(1):])
    with open(os.path.join(broken, "taxData.xml"), "w") as file:
        file.write(text[: len(text) // 2])
    return good_a, good_b, broken


class Service:
    started = []  # killed at exit, so that a run that fails leaves no service behind

    def __init__(self, *args):
        self.process = subprocess.Popen([QUORVEL, "serve", "--listen", "127.0.0.1:0", *args],
                                        stderr=subprocess.PIPE, text=True)
        Service.started.append(self.process)
        line = self.process.stderr.readline()
        self.port = int(re.search(r"listening on http://127\.0\.0\.1:(\d+)", line).group(1))
        threading.Thread(target=self.process.stderr.read, daemon=True).start()

    def cpu_seconds(self):
        """User and system time the service has used so far."""
        with open("/proc/%d/stat" % self.process.pid) as file:
            fields = file.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        return self.process.wait(timeout=30)


def wrk(service, seconds=SECONDS):
    """wrk -t1 -c64 on the cycled transactions: the figures of the script's RESULT line, and the
    service's processor time per request (which other work on the machine disturbs less)."""
    port, cpu = service.port, service.cpu_seconds()
    out = run("wrk", "-t1", "-c64", "-d%ds" % seconds, "--timeout", "5s", "-s", LUA,
              "http://127.0.0.1:%d/v1/calc" % port, "--", os.path.join(WORK, "transactions"), str(CYCLED),
              capture_output=True, text=True).stdout
    figures = dict((k, float(v)) for k, v in re.findall(r"(\w+)=([0-9.]+)", out.split("RESULT", 1)[1]))
    figures["rate"] = figures["requests"] / figures["seconds"]
    figures["errors"] = sum(figures[k] for k in ("connect", "read", "write", "timeout"))
    figures["cpu"] = (service.cpu_seconds() - cpu) * 1e6 / max(figures["requests"], 1)
    return figures


def post(port, body, headers=None, method="POST", path="/v1/calc"):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.request(method, path, body, headers or {"Content-Type": "application/xml"})
        response = connection.getresponse()
        return response.status, response.getheader("Quorvel-Tables"), response.read()
    finally:
        connection.close()


def while_wrk_runs(service, *workers):
    """Runs wrk and, beside it, the workers (functions of a stop event) until it ends."""
    stop = threading.Event()
    threads = [threading.Thread(target=worker, args=(stop,)) for worker in workers]
    for thread in threads:
        thread.start()
    try:
        return wrk(service)
    finally:
        stop.set()
        for thread in threads:
            thread.join(timeout=30)


def reload_storm(folders, token):
    good_a, good_b, broken = folders
    link = os.path.join(WORK, "tables-link")
    sample = os.path.join(WORK, "transactions", "trans-000000.xml")
    with open(sample, "rb") as file:
        body = file.read()
    switch(link, good_a)
    service = Service("--tables", link, "--admin-token-file", token)

    def version_of(folder):
        """The version the service names the tables of `folder` by, once the link points there."""
        switch(link, folder)
        status, _, answer = post(service.port, b"", {"Authorization": "Bearer storm"}, path="/v1/tables/reload")
        if status != 200:
            raise RuntimeError("reloading %s answered %d: %s" % (folder, status, answer))
        return json.loads(answer)["version"]

    # good_a last: the storm starts where the service started.
    expected = {version_of(f): run(QUORVEL, "calc", "--tables", f, sample, capture_output=True).stdout
                for f in (good_b, good_a)}
    if len(expected) != 2:
        raise RuntimeError("the two good folders have the same version: %s" % list(expected))
    counts = {"reloads ok": 0, "reloads refused (broken tables)": 0, "sampled": 0, "failed": 0}

    def reloader(stop):
        for turn in range(10**9):
            if stop.wait(0.25):
                return
            switch(link, folders[turn % 3])
            status = post(service.port, b"", {"Authorization": "Bearer storm"}, path="/v1/tables/reload")[0]
            key = {200: "reloads ok", 422: "reloads refused (broken tables)"}.get(status, "failed")
            counts[key] += 1

    def sampler(stop):
        while not stop.is_set():
            status, version, answer = post(service.port, body)
            counts["sampled"] += 1
            counts["failed"] += status != 200 or expected.get(version) != answer

    figures = while_wrk_runs(service, reloader, sampler)
    service.stop()
    return figures, counts


def switch(link, target):
    os.symlink(target, link + ".new")
    os.replace(link + ".new", link)


def slow_clients(count, seconds):
    """Worker: `count` connections sending a request a byte a second, reconnecting when closed."""
    def worker(port, counts, stop):
        request = b"POST /v1/calc HTTP/1.1\r\nHost: slow\r\nContent-Length: 100000\r\n\r\n" + b"x" * 100000
        clients = {}
        while not stop.is_set():
            while len(clients) < count:
                client = socket.create_connection(("127.0.0.1", port))
                client.setblocking(False)
                clients[client] = 0
            for client in list(clients):
                try:
                    client.send(request[clients[client]:clients[client] + 1])
                    clients[client] += 1
                    if client.recv(1024) == b"":
                        raise ConnectionResetError
                except BlockingIOError:
                    pass
                except OSError:
                    counts["closed by the read timeout"] += 1
                    del clients[client]
                    client.close()
            stop.wait(1)
        for client in clients:
            client.close()
    return worker


def faulty_requests(port, counts, stop):
    kinds = [
        ("413 oversized", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999\r\n\r\n", 413),
        ("400 not HTTP", b"\x16\x03\x01 garbage\r\n\r\n", 400),
        ("431 huge header", b"GET /healthz HTTP/1.1\r\nX: " + b"y" * 20000 + b"\r\n\r\n", 431),
        ("415 JSON", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                     b"Content-Length: 2\r\n\r\n{}", 415),
        ("200 NOHEADER, not XML", b"POST /v1/calc HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\n<a><", 200),
    ]
    turn = 0
    while not stop.is_set():
        name, data, status = kinds[turn % len(kinds)]
        turn += 1
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=5) as client:
                client.sendall(data)
                answer = client.recv(200)
            ok = answer.startswith(b"HTTP/1.1 %d " % status)
        except OSError:
            ok = False
        counts[name if ok else "failed"] = counts.get(name if ok else "failed", 0) + 1
        stop.wait(0.005)


def main():
    folders = prepare()
    token = os.path.join(WORK, "token")
    with open(token, "w") as file:
        file.write("storm\n")
    rows = []

    def row(name, figures, note=""):
        failed = figures["errors"] + figures["non2xx"]
        rows.append("%-34s %9.0f %8d %8d %8d %7.0f %7d %s" % (
            name, figures["rate"], figures["p50"], figures["p99"], figures["p999"], figures["cpu"], failed, note))

    # Runs with and without slow clients take turns, so that other work on the machine weighs
    # on both alike.
    service = Service("--tables", folders[0])
    slow_service = Service("--tables", folders[0], "--read-timeout", "3")
    slow_counts = {"closed by the read timeout": 0}
    baseline, slowed = [], []
    for _ in range(3):
        baseline.append(wrk(service))
        slowed.append(while_wrk_runs(slow_service, lambda stop: slow_clients(300, SECONDS)(
            slow_service.port, slow_counts, stop)))
    service.stop()
    started, children = time.monotonic(), resource.getrusage(resource.RUSAGE_CHILDREN)
    run(QUORVEL, "batch", "--jobs", "2", "--tables", folders[0], os.path.join(WORK, "transactions"),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    batch_rate = DOCUMENTS / (time.monotonic() - started)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    batch_cpu = (after.ru_utime + after.ru_stime - children.ru_utime - children.ru_stime) * 1e6 / DOCUMENTS

    storm, storm_counts = reload_storm(folders, token)

    service = slow_service
    fault_counts = {}
    faults = while_wrk_runs(service, lambda stop: faulty_requests(service.port, fault_counts, stop))
    service.stop()

    median = lambda runs, key: statistics.median(r[key] for r in runs)
    for figures, name in ((baseline, "wrk -c64, median of 3"), (slowed, "wrk -c64 + 300 slow, median of 3")):
        row(name, {k: median(figures, k) for k in figures[0]})
    row("wrk -c64 during the reload storm", storm, str(storm_counts))
    row("wrk -c64 + bad requests mixed in", faults, str(fault_counts))
    print("\nquorvel serve --threads (one per processor) on %d cores, wrk -t1 sharing them; %d s per run"
          % (os.cpu_count(), SECONDS))
    print("%-34s %9s %8s %8s %8s %7s %7s" % ("run", "req/s", "p50 us", "p99 us", "p99.9 us", "cpu us", "failed"))
    print("\n".join(rows))
    print("%-34s %9.0f %26s %7.0f   (%d typical documents, output to /dev/null)"
          % ("quorvel batch --jobs 2", batch_rate, "", batch_cpu, DOCUMENTS))
    print("cpu us: processor time of the service per request (of batch per document)")
    print("slow clients: %s" % slow_counts)
    base, slow = median(baseline, "rate"), median(slowed, "rate")
    checks = {
        "throughput >= half of batch --jobs 2": base >= batch_rate / 2,
        "p99 < 5 ms at 64 connections": median(baseline, "p99") < 5000,
        "300 slow clients: throughput within 20 %": slow >= 0.8 * base,
        "300 slow clients: p99 < 10 ms": median(slowed, "p99") < 10000,
        "no failed requests": all(r["errors"] + r["non2xx"] == 0 for r in baseline + slowed + [storm, faults])
        and storm_counts["failed"] == 0 and "failed" not in fault_counts,
    }
    for name, ok in checks.items():
        print("%-44s %s" % (name, "met" if ok else "NOT MET"))
    return 0 if checks["no failed requests"] else 1


@atexit.register
def kill_services():
    for process in Service.started:
        if process.poll() is None:
            process.kill()


if __name__ == "__main__":
    sys.exit(main())
