#!/usr/bin/env python3
"""Stand-in for the web service the plug-in reports to.

An HTTP server on 127.0.0.1 that records every request exactly as its bytes
arrived and answers /listen_in.php and /verify_user.php from a script of
answers. Used by the Wine tests as a module and by the run command as a
program, where it prints each report it receives.
"""

import argparse
import json
import os
import socket
import sys
import threading
import time
import urllib.parse

REPORT_PATH = "/listen_in.php"
VERIFY_PATH = "/verify_user.php"


class Answer:
    """One scripted reaction to a request.

    kind: "respond" (send `raw` bytes, then keep the connection unless
    `close_after`), "never" (hold the connection open without a word until
    the service stops), "close" (close the connection without answering),
    "trickle" (send `raw`, then one byte more every `every` seconds until the
    client leaves or the service stops).
    `delay` seconds pass before the reaction.
    """

    def __init__(self, kind, raw=b"", close_after=False, delay=0.0, every=0.0):
        self.kind = kind
        self.raw = raw
        self.close_after = close_after
        self.delay = delay
        self.every = every

    @classmethod
    def body(cls, text=b"", status="200 OK", headers=(), delay=0.0):
        """A complete response with Content-Length; empty text = acceptance."""
        data = text.encode("latin-1") if isinstance(text, str) else text
        lines = ["HTTP/1.1 " + status, "Content-Type: text/html",
                 "Content-Length: %d" % len(data)] + list(headers)
        head = "".join(line + "\r\n" for line in lines) + "\r\n"
        return cls("respond", head.encode("latin-1") + data, delay=delay)

    @classmethod
    def accept(cls, delay=0.0):
        return cls.body(b"", delay=delay)

    @classmethod
    def refuse(cls, text, delay=0.0):
        return cls.body(text, delay=delay)

    @classmethod
    def status(cls, code, reason, text=b"", delay=0.0):
        return cls.body(text, status="%d %s" % (code, reason), delay=delay)

    @classmethod
    def not_found(cls, delay=0.0):
        return cls.status(404, "Not Found", b"<html>Not Found</html>", delay=delay)

    @classmethod
    def raw_bytes(cls, data, close_after=True, delay=0.0):
        """Exactly these bytes, then (by default) the connection is closed."""
        return cls("respond", data, close_after=close_after, delay=delay)

    @classmethod
    def never(cls):
        return cls("never")

    @classmethod
    def trickle(cls, data, every):
        """`data`, then a byte every `every` seconds: never complete, never
        silent for long."""
        return cls("trickle", data, every=every)

    @classmethod
    def close(cls, delay=0.0):
        return cls("close", delay=delay)


class Request:
    """One request as received: `raw` holds its bytes up to and including the
    empty line that ends the header block."""

    def __init__(self, raw, connection, received):
        self.raw = raw
        self.connection = connection  # serial number of the TCP connection
        self.received = received      # time.monotonic() when complete
        line = raw.split(b"\r\n", 1)[0].decode("latin-1")
        # The client escapes nothing, so the target itself may hold spaces:
        # it runs from the first space to the last one before "HTTP/".
        self.method, _, rest = line.partition(" ")
        target, _, version = rest.rpartition(" ")
        self.target = target if version.startswith("HTTP/") else rest
        self.path, _, self.query = self.target.partition("?")

    @property
    def params(self):
        """Raw (still percent-encoded) parameters in order, as (name, value)."""
        pairs = []
        for item in self.query.split("&") if self.query else []:
            name, _, value = item.partition("=")
            pairs.append((name, value))
        return pairs

    def param(self, name, decoded=True):
        for key, value in self.params:
            if key == name:
                return decode(value) if decoded else value
        return None

    def as_json(self):
        return {"connection": self.connection, "received": self.received,
                "raw": self.raw.decode("latin-1")}


def decode(value):
    """Percent-decodes a parameter; bytes of 128 and above are Windows-1252."""
    # The query was read as Latin-1, one character per byte; encode it back so
    # that unquoting sees the bytes themselves, not their UTF-8 form.
    data = urllib.parse.unquote_to_bytes(value.encode("latin-1"))
    return data.decode("cp1252", errors="replace")


class StandinService:
    """The server. Use as a context manager or call start() and stop()."""

    def __init__(self, port, host="127.0.0.1", log_path=None, on_request=None):
        self.host = host
        self.port = port
        self.log_path = log_path
        self.on_request = on_request
        self.requests = []
        self.received = {}  # connection serial -> every byte it brought, requests or not
        self._defaults = {}
        self._queues = {}
        self._lock = threading.Condition()
        self._stopping = threading.Event()
        self._connections = []
        self._threads = []
        self._serial = 0
        self._listener = None

    # -- answers ----------------------------------------------------------
    def set_default(self, path, answer):
        """The answer for `path` whenever its queue is empty."""
        with self._lock:
            self._defaults[path] = answer

    def queue(self, path, *answers):
        """Answers for the next requests to `path`, in order."""
        with self._lock:
            self._queues.setdefault(path, []).extend(answers)

    def _answer_for(self, path):
        with self._lock:
            pending = self._queues.get(path)
            if pending:
                return pending.pop(0)
            if path in self._defaults:
                return self._defaults[path]
        if path in (REPORT_PATH, VERIFY_PATH):
            return Answer.accept()
        return Answer.not_found()

    # -- recorded requests --------------------------------------------------
    def requests_to(self, path):
        with self._lock:
            return [r for r in self.requests if r.path == path]

    def wait_for_requests(self, count, path=None, timeout=10.0):
        """Waits until `count` requests (to `path`, if given) have arrived;
        returns them (possibly fewer when the time ran out)."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while True:
                found = [r for r in self.requests if path is None or r.path == path]
                left = deadline - time.monotonic()
                if len(found) >= count or left <= 0:
                    return found
                self._lock.wait(left)

    # -- running ------------------------------------------------------------
    def start(self):
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind((self.host, self.port))
        self._listener.listen(16)
        self._listener.settimeout(0.2)
        thread = threading.Thread(target=self._accept_loop, daemon=True)
        thread.start()
        self._threads.append(thread)
        return self

    def stop(self):
        self._stopping.set()
        for thread in list(self._threads):
            thread.join(timeout=5)
        if self._listener:
            self._listener.close()
        with self._lock:
            for conn in self._connections:
                try:
                    conn.close()
                except OSError:
                    pass
            self._connections.clear()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def _accept_loop(self):
        while not self._stopping.is_set():
            try:
                conn, _ = self._listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            with self._lock:
                self._serial += 1
                serial = self._serial
                self._connections.append(conn)
            thread = threading.Thread(target=self._serve, args=(conn, serial), daemon=True)
            thread.start()
            self._threads.append(thread)

    def _serve(self, conn, serial):
        conn.settimeout(0.2)
        buffer = b""
        try:
            while not self._stopping.is_set():
                end = buffer.find(b"\r\n\r\n")
                if end < 0:
                    try:
                        chunk = conn.recv(65536)
                    except socket.timeout:
                        continue
                    if not chunk:
                        return
                    with self._lock:
                        self.received.setdefault(serial, bytearray()).extend(chunk)
                    buffer += chunk
                    continue
                raw, buffer = buffer[:end + 4], buffer[end + 4:]
                request = Request(raw, serial, time.monotonic())
                self._record(request)
                if not self._react(conn, self._answer_for(request.path)):
                    return
        except OSError:
            return
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def _record(self, request):
        with self._lock:
            self.requests.append(request)
            self._lock.notify_all()
        if self.log_path:
            with open(self.log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps(request.as_json()) + "\n")
        if self.on_request:
            self.on_request(request)

    def _react(self, conn, answer):
        """Returns whether the connection stays open."""
        if answer.delay and self._stopping.wait(answer.delay):
            return False
        if answer.kind == "never":
            self._stopping.wait()
            return False
        if answer.kind == "close":
            return False
        if answer.kind == "trickle":
            conn.sendall(answer.raw)
            while not self._stopping.wait(answer.every):
                conn.sendall(b"a")  # raises once the client has gone
            return False
        conn.sendall(answer.raw)
        return not answer.close_after


class FullListenQueue:
    """A port whose listen queue is full: it listens with no backlog and
    connections of its own that it never accepts fill the queue, so the
    system drops a client's SYN and that client's connect waits."""

    def __init__(self, port, host="127.0.0.1"):
        self.host = host
        self.port = port
        self._sockets = []

    def start(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((self.host, self.port))
        listener.listen(0)
        self._sockets.append(listener)
        for _ in range(4):
            filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            filler.setblocking(False)
            filler.connect_ex((self.host, self.port))
            self._sockets.append(filler)
        time.sleep(0.1)  # the handshakes the queue takes
        return self

    def stop(self):
        for sock in self._sockets:
            sock.close()
        self._sockets.clear()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class LateService:
    """A server too busy to accept for a while: the port's listen queue is
    full for `after` seconds (FullListenQueue), then a stand-in service
    takes the port, scripted by `ready(service)` before it listens. A SYN
    that the system retries after that (at 1, 3, 7, ... s) gets in."""

    def __init__(self, port, after, ready):
        self.port = port
        self.after = after
        self.ready = ready
        self.service = None  # once the queue has freed up
        self._full = FullListenQueue(port)
        self._thread = threading.Thread(target=self._open_later)

    def start(self):
        self._full.start()
        self._thread.start()
        return self

    def _open_later(self):
        time.sleep(self.after)
        self._full.stop()
        service = StandinService(self.port)
        self.ready(service)
        self.service = service.start()

    def stop(self):
        self._thread.join()
        self.service.stop()


# Below Linux's ephemeral range (32768 and up), so that no outgoing connection
# takes the port between the stand-in service's runs.
PORT_RANGE = (20000, 32767)


def port_is_free(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            probe.bind(("127.0.0.1", port))
        except OSError:
            return False
    return True


def pick_port(remembered):
    """A port nothing listens on, for one checkout's test builds: the port
    remembered in the file `remembered` while it is free (the builds then
    keep their configuration), else a new one at random, remembered there."""
    try:
        with open(remembered) as file:
            port = int(file.read().strip())
        if PORT_RANGE[0] <= port <= PORT_RANGE[1] and port_is_free(port):
            return port
    except (OSError, ValueError):
        pass
    import random
    for _ in range(200):
        port = random.randint(*PORT_RANGE)
        if port_is_free(port):
            os.makedirs(os.path.dirname(os.path.abspath(remembered)), exist_ok=True)
            with open(remembered, "w") as file:
                file.write("%d\n" % port)
            return port
    raise OSError("no free port between %d and %d" % PORT_RANGE)


def describe(request):
    """The line the run command prints for a request."""
    if request.path == REPORT_PATH:
        return "report artist=%s song=%s user=%s" % (
            request.param("artist"), request.param("song"), request.param("username"))
    if request.path == VERIFY_PATH:
        return "verify user=%s" % request.param("username")
    return "request %s" % request.target


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int)
    parser.add_argument("--pick-port", metavar="FILE",
                        help="print a free port for the test builds (remembered in FILE) and exit")
    parser.add_argument("--log", help="append each request as a JSON line to this file")
    parser.add_argument("--refuse", metavar="TEXT",
                        help="answer every report with this refusal text instead of accepting it")
    parser.add_argument("--verify-answer", metavar="TEXT", default="",
                        help="body of the answer to every verify request")
    parser.add_argument("--seconds", type=float, default=0,
                        help="stop after this long (default: run until interrupted)")
    args = parser.parse_args()
    if args.pick_port:
        print(pick_port(args.pick_port))
        return 0
    if args.port is None:
        parser.error("--port is required")

    def show(request):
        print(describe(request), flush=True)

    service = StandinService(args.port, log_path=args.log, on_request=show)
    if args.refuse is not None:
        service.set_default(REPORT_PATH, Answer.refuse(args.refuse))
    service.set_default(VERIFY_PATH, Answer.body(args.verify_answer))
    service.start()
    print("stand-in service on http://127.0.0.1:%d" % args.port, flush=True)
    try:
        if args.seconds:
            time.sleep(args.seconds)
        else:
            while True:
                time.sleep(3600)
    except KeyboardInterrupt:
        pass
    finally:
        service.stop()


if __name__ == "__main__":
    sys.exit(main())
