#!/usr/bin/env python3
"""Loopback HTTP server for the test run.

    http_server.py start STATE_DIR [CA_NAME]   start in the background, wait until it listens
    http_server.py stop STATE_DIR              stop it
    http_server.py serve STATE_DIR [CA_NAME]   run in the foreground

It listens on 127.0.0.1 on a free port (written to STATE_DIR/port) and serves
the files below STATE_DIR/root. Beside it, HTTPS servers serve the same files
on ports of their own, one for each kind of certificate (see test_ca.py) and
"tls10", the trusted certificate over TLS 1.0 only; STATE_DIR/tls-ports lists
them as "<kind> <port>" lines. Their certificates are made at start by
test_ca.py in STATE_DIR/tls, issued by a new CA named CA_NAME (default
"Corvane Test CA"), whose revocation list is served as /test-ca.crl. Besides
plain files the servers know:

    /nolength/<file>          the file without Content-Length, ended by closing
    /drop/<file>              announces the full length, sends half, closes
    /status/<code>            that status with a small text body
    /redirect/<code>/<file>   a 301/302/... pointing at /<file>
    /slow/<rate>/<file>       the file at about <rate> bytes a second, so
                              that a download is still running when a test
                              or a screenshot looks at it
    /busy/<n>/<file>          503 with "Retry-After: 2" to the first n
                              requests of this address, then the file

Beside them run the real peers of peers.py (nginx and a relay that drops
connections); STATE_DIR/peers lists them as "<name> <port>" lines.
"""
import http.server
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

import peers
import test_ca


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    busy_lock = threading.Lock()
    busy_answers = {}

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))

    def _file(self, rel):
        rel = urllib.parse.unquote(rel)
        path = os.path.realpath(os.path.join(self.root, rel.lstrip("/")))
        if not path.startswith(os.path.realpath(self.root) + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def _send_body(self, code, body, length=True, close=False):
        self.send_response(code)
        self.send_header("Content-Type", "application/octet-stream")
        if length:
            self.send_header("Content-Length", str(len(body)))
        if close or not length:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def _send_slowly(self, body, rate):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        chunk = max(rate // 20, 1)
        try:
            for offset in range(0, len(body), chunk):
                self.wfile.write(body[offset:offset + chunk])
                self.wfile.flush()
                time.sleep(chunk / rate)
        except (BrokenPipeError, ConnectionResetError):
            # The client gave up (a test that ended the run mid-download).
            self.close_connection = True

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        parts = path.split("/", 3)
        if path.startswith("/status/"):
            code = int(parts[2])
            self._send_body(code, b"status %d from the test server\n" % code)
        elif path.startswith("/redirect/"):
            code = int(parts[2])
            self.send_response(code)
            self.send_header("Location", "/" + (parts[3] if len(parts) > 3 else ""))
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path.startswith("/busy/"):
            with self.busy_lock:
                answered = self.busy_answers.get(path, 0)
                self.busy_answers[path] = answered + 1
            if answered < int(parts[2]):
                self.send_response(503)
                self.send_header("Retry-After", "2")
                self.send_header("Content-Length", "5")
                self.end_headers()
                self.wfile.write(b"busy\n")
                return
            body = self._file(parts[3] if len(parts) > 3 else "")
            if body is None:
                return self._send_body(404, b"not found\n")
            self._send_body(200, body)
        elif path.startswith("/slow/"):
            body = self._file(parts[3] if len(parts) > 3 else "")
            if body is None:
                return self._send_body(404, b"not found\n")
            self._send_slowly(body, max(int(parts[2]), 1))
        elif path.startswith("/nolength/"):
            body = self._file(path[len("/nolength/"):])
            if body is None:
                return self._send_body(404, b"not found\n")
            self._send_body(200, body, length=False)
        elif path.startswith("/drop/"):
            body = self._file(path[len("/drop/"):])
            if body is None:
                return self._send_body(404, b"not found\n")
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
        else:
            body = self._file(path)
            if body is None:
                return self._send_body(404, b"not found\n")
            self._send_body(200, body)


class TlsHandler(Handler):
    """The same answers over TLS; the handshake is made on the request's own
    thread, so that a client that fails it holds up no other."""

    context = None

    def setup(self):
        self.request = self.context.wrap_socket(self.request, server_side=True)
        super().setup()


class TlsServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A refused handshake is what several tests are about.
        sys.stderr.write("%s: %s\n" % (client_address[0], sys.exc_info()[1]))


def start_tls_servers(state):
    """The HTTPS servers, each on a thread of its own; "kind port" lines."""
    folder = os.path.join(state, "tls")
    lines = []
    for kind in list(test_ca.KINDS) + ["tls10"]:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        cert = "trusted" if kind == "tls10" else kind
        if kind == "tls10":
            context.minimum_version = context.maximum_version = ssl.TLSVersion.TLSv1
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
        context.load_cert_chain(os.path.join(folder, cert + ".crt"), os.path.join(folder, "server.key"))
        handler = type("TlsHandler_" + kind, (TlsHandler,), {"context": context})
        server = TlsServer(("127.0.0.1", 0), handler)
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
        lines.append("%s %d\n" % (kind, server.server_address[1]))
    return "".join(lines)


def serve(state, ca_name):
    root = os.path.join(state, "root")
    os.makedirs(root, exist_ok=True)
    Handler.root = root
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    test_ca.make(os.path.join(state, "tls"), ca_name, "http://127.0.0.1:%d/test-ca.crl" % port)
    os.replace(os.path.join(state, "tls", "ca.crl"), os.path.join(root, "test-ca.crl"))
    with open(os.path.join(state, "tls-ports"), "w") as f:
        f.write(start_tls_servers(state))
    peer_lines, peer_pids = peers.start(state, root)
    with open(os.path.join(state, "peer-pids"), "w") as f:
        f.write(" ".join(str(pid) for pid in peer_pids))
    with open(os.path.join(state, "peers"), "w") as f:
        f.write(peer_lines)
    tmp = os.path.join(state, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, os.path.join(state, "port"))
    with open(os.path.join(state, "pid"), "w") as f:
        f.write(str(os.getpid()))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    server.serve_forever()


def stop(state):
    try:
        with open(os.path.join(state, "pid")) as f:
            pid = int(f.read())
        os.kill(pid, signal.SIGTERM)
    except (OSError, ValueError):
        pass
    # The peers go with the server; these are left only when it was killed.
    try:
        with open(os.path.join(state, "peer-pids")) as f:
            peers.kill(int(pid) for pid in f.read().split())
    except (OSError, ValueError):
        pass
    for name in ("pid", "port", "tls-ports", "peers", "peer-pids"):
        try:
            os.remove(os.path.join(state, name))
        except OSError:
            pass


def start(state, ca_name):
    stop(state)
    os.makedirs(state, exist_ok=True)
    log = open(os.path.join(state, "server.log"), "ab")
    subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", state, ca_name],
                     stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    # Making the CA and starting the peers takes many seconds in an emulated
    # machine (scripts/check_i686.sh).
    deadline = time.time() + 120
    while time.time() < deadline:
        if os.path.exists(os.path.join(state, "port")):
            print("test HTTP server on port", open(os.path.join(state, "port")).read())
            return 0
        time.sleep(0.05)
    print("test HTTP server did not start", file=sys.stderr)
    return 1


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4) or sys.argv[1] not in ("start", "stop", "serve"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    command, state_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    ca = sys.argv[3] if len(sys.argv) == 4 else "Corvane Test CA"
    if command == "serve":
        serve(state_dir, ca)
    elif command == "stop":
        stop(state_dir)
    else:
        sys.exit(start(state_dir, ca))
