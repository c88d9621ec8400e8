"""Real network peers beside the loopback test server, all on 127.0.0.1 and
free ports, started by http_server.py and stopped with it.

    nginx    Debian's nginx serving the server's root (ranges, ETag and
             Last-Modified as a real update server sends them)
    relay    a TCP relay in front of nginx that drops connections:
                 /cut/<N>/<K>/<path>   <path> from nginx; the first K
                                       connections for this address end
                                       after N bytes of the answer
                 /sent/<path>          the bytes of answers relayed so far
                                       for <path> (a decimal number)
    proxy    Debian's tinyproxy, a forward proxy (HTTP and CONNECT to any
             port) that logs each request to STATE_DIR/proxy.log
    authproxy  the same, demanding a Basic login that no test gives
"""
import atexit
import os
import re
import signal
import socket
import socketserver
import subprocess
import threading
import time

NGINX_CONF = """\
daemon off;
master_process off;
worker_processes 1;
pid {home}/nginx.pid;
error_log {home}/error.log;
events {{ worker_connections 256; }}
http {{
    access_log off;
    default_type application/octet-stream;
    client_body_temp_path {home}/body;
    proxy_temp_path {home}/proxy;
    fastcgi_temp_path {home}/fastcgi;
    uwsgi_temp_path {home}/uwsgi;
    scgi_temp_path {home}/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {root};
    }}
}}
"""

TINYPROXY_CONF = """\
Port {port}
Listen 127.0.0.1
Timeout 60
MaxClients 64
Allow 127.0.0.1
LogFile "{log}"
LogLevel Info
PidFile "{home}/{name}.pid"
DisableViaHeader Yes
{extra}
"""

_children = []


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _wait_listening(port, process, what):
    deadline = time.time() + 60
    while time.time() < deadline:
        if process.poll() is not None:
            raise RuntimeError("%s ended at start" % what)
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("%s does not listen" % what)


def _start(command, port, what, log):
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    _children.append(process)
    _wait_listening(port, process, what)
    return process.pid


def stop_children():
    for process in _children:
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


atexit.register(stop_children)


def start_nginx(state, root, log):
    home = os.path.join(state, "nginx")
    os.makedirs(home, exist_ok=True)
    port = free_port()
    conf = os.path.join(home, "nginx.conf")
    with open(conf, "w") as f:
        f.write(NGINX_CONF.format(home=home, port=port, root=root))
    pid = _start(["nginx", "-e", os.path.join(home, "error.log"), "-p", home, "-c", conf], port, "nginx", log)
    return port, pid


def start_tinyproxy(state, name, extra, log):
    port = free_port()
    conf = os.path.join(state, name + ".conf")
    with open(conf, "w") as f:
        f.write(TINYPROXY_CONF.format(port=port, log=os.path.join(state, name + ".log"), home=state,
                                      name=name, extra=extra))
    pid = _start(["tinyproxy", "-d", "-c", conf], port, name, log)
    return port, pid


class RelayHandler(socketserver.BaseRequestHandler):
    upstream = 0
    lock = threading.Lock()
    connections = {}
    sent = {}

    def _read_head(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(65536)
            if not chunk:
                return None, None
            data += chunk
        return data.split(b"\r\n\r\n", 1)

    def handle(self):
        head, rest = self._read_head()
        if head is None:
            return
        lines = head.split(b"\r\n")
        method, target, version = lines[0].split(b" ", 2)
        sent = re.match(rb"^/sent(/.*)$", target)
        if sent:
            with self.lock:
                body = b"%d" % self.sent.get(sent.group(1), 0)
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s"
                                 % (len(body), body))
            return
        cut = re.match(rb"^/cut/(\d+)/(\d+)(/.*)$", target)
        if not cut:
            self.request.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        limit, times, path = int(cut.group(1)), int(cut.group(2)), cut.group(3)
        with self.lock:
            count = self.connections.get(target, 0)
            self.connections[target] = count + 1
        budget = limit if count < times else None
        headers = [h for h in lines[1:] if not h.lower().startswith(b"connection:")]
        request = b"\r\n".join([b" ".join([method, path, version])] + headers + [b"Connection: close"])
        with socket.create_connection(("127.0.0.1", self.upstream)) as upstream:
            upstream.sendall(request + b"\r\n\r\n" + rest)
            self._relay(upstream, path, budget)

    def _relay(self, upstream, path, budget):
        while budget is None or budget > 0:
            chunk = upstream.recv(65536 if budget is None else min(65536, budget))
            if not chunk:
                break
            try:
                self.request.sendall(chunk)
            except OSError:
                break
            with self.lock:
                self.sent[path] = self.sent.get(path, 0) + len(chunk)
            if budget is not None:
                budget -= len(chunk)
        # A dropped connection: no more bytes, whatever was announced.
        try:
            self.request.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class RelayServer(socketserver.ThreadingTCPServer):
    daemon_threads = True


def start_relay(upstream):
    RelayHandler.upstream = upstream
    server = RelayServer(("127.0.0.1", 0), RelayHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def start(state, root):
    """Starts the peers; "name port" lines for the peers file, and the pids
    of the programs started."""
    log = open(os.path.join(state, "peers.log"), "ab")
    nginx_port, nginx_pid = start_nginx(state, root, log)
    proxy_port, proxy_pid = start_tinyproxy(state, "proxy", "", log)
    auth_port, auth_pid = start_tinyproxy(state, "authproxy", "BasicAuth corvane not-given", log)
    lines = ["nginx %d\n" % nginx_port, "relay %d\n" % start_relay(nginx_port),
             "proxy %d\n" % proxy_port, "authproxy %d\n" % auth_port]
    return "".join(lines), [nginx_pid, proxy_pid, auth_pid]


def kill(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
