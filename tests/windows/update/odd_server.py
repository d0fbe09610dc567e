#!/usr/bin/env python3
"""Scripted HTTP server on loopback for the updater's tests: answers the client cannot expect.

    odd_server.py PORTFILE TREE [CERT KEY]

Listens on 127.0.0.1 at a free port (written to PORTFILE) and, with CERT and KEY, also
speaks TLS on a second free port (second line of PORTFILE); the third line is a port on the
IPv6 loopback ::1, or "none" where there is none. The publisher's signing keys come from the
environment (KELT_SIGN_KEY, KELT_OTHER_KEY: PEM files). Paths:

  /odd/echo            200, the body is the request head exactly as received
  /odd/nostatus        no head at all, only body bytes
  /odd/notfound        404 with an error page
  /odd/redirect-slash  302 to "/odd/echo"
  /odd/redirect-name   302 to "named.txt" (a name below the server's root)
  /odd/redirect-cookie 302 to "/odd/echo" with a cookie
  /odd/loop            302 to itself, for ever
  /odd/count           how many requests reached /odd/loop so far
  /odd/stall           a head and a few bytes, then nothing
  /odd/silent          nothing at all
  /odd/short           announces 100 bytes, sends 10, closes
  /odd/html            200 with an HTML page
  /odd/nocontent       204, no body
  /odd/empty           200 with an empty body
  /odd/cut             200 without a length, three bytes, then the connection closes
  /odd/chunked         200 with a chunked body (HTTP/1.1 framing)
  /odd/flood           200 without a length, bytes without end
  /odd/drip-head       a status line, then one byte of head every 0.1 s without end
  /odd/drip-body       a head announcing 1 MB, then one byte every 0.1 s without end
  /odd/sign/NAME/KEY?QUERY  signs TREE/NAME/update/ with the publisher's script (KEY: "publisher", "other"
                       or "both"; QUERY: sequence, expires, product, channel); "signed" or its complaint
  /named.txt           200 "named"
  /tree/<path>         the file below TREE, except that files named stall.bin, short.bin and
                       error.bin behave like /odd/stall, /odd/short and a 500 answer, and a
                       file whose bytes are "@odd:WHAT" answers like /odd/WHAT
"""
import subprocess
import os
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

TREE = sys.argv[2]
loop_count = 0
lock = threading.Lock()


def answer(status, body=b"", extra=""):
    return (f"HTTP/1.0 {status}\r\n{extra}Content-Length: {len(body)}\r\n\r\n").encode() + body


def sign(name, which, query):
    """release.rec (and update.sig) for TREE/name/update/, made by the publisher's script."""
    keys = {"publisher": ["KELT_SIGN_KEY"], "other": ["KELT_OTHER_KEY"], "both": ["KELT_OTHER_KEY", "KELT_SIGN_KEY"]}
    command = ["bash", os.environ["KELT_PUBLISH_SCRIPT"]]
    for key in keys[which]:
        command += ["--key", os.environ[key]]
    for field, values in urllib.parse.parse_qs(query).items():
        command += ["--" + field, values[0]]
    command += ["--renew", os.path.join(TREE, name, "update")]
    done = subprocess.run(command, capture_output=True)
    return b"signed" if done.returncode == 0 else done.stderr


def odd(sock, what, stall):
    """The answers a hostile or broken server gives; False when WHAT names none."""
    if what == "html":
        sock.sendall(answer("200 OK", b"<html><body>The page you asked for</body></html>",
                            "Content-Type: text/html\r\n"))
    elif what == "nocontent":
        sock.sendall(b"HTTP/1.0 204 No Content\r\n\r\n")
    elif what == "empty":
        sock.sendall(answer("200 OK"))
    elif what == "cut":
        sock.sendall(b"HTTP/1.0 200 OK\r\n\r\nabc")
    elif what == "chunked":
        sock.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
    elif what == "flood":
        sock.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
        piece = b"F" * 65536
        while True:
            sock.sendall(piece)  # until the client hangs up
    elif what in ("drip-head", "drip-body"):
        sock.sendall(b"HTTP/1.0 200 OK\r\n" if what == "drip-head" else
                     b"HTTP/1.0 200 OK\r\nContent-Length: 1000000\r\n\r\n")
        while True:
            time.sleep(0.1)
            sock.sendall(b"X")
    else:
        return False
    return True


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        global loop_count
        sock = self.request
        sock.settimeout(60)
        head = b""
        try:
            while b"\r\n\r\n" not in head and len(head) < 65536:
                piece = sock.recv(4096)
                if not piece:
                    return
                head += piece
        except OSError:
            return
        line = head.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        path = parts[1] if len(parts) > 1 else "/"
        name = path.rsplit("/", 1)[-1]

        def stall(first):
            sock.sendall(first)
            try:
                while sock.recv(4096):  # until the client gives up
                    pass
            except OSError:
                pass

        try:
            if path == "/odd/echo":
                sock.sendall(answer("200 OK", head))
            elif path == "/odd/nostatus":
                sock.sendall(b"no status line\nsecond line\n\nafter the blank line")
            elif path == "/odd/notfound":
                sock.sendall(answer("404 Not Found", b"<html>not here</html>"))
            elif path == "/odd/redirect-slash":
                sock.sendall(answer("302 Found", extra="Location: /odd/echo\r\n"))
            elif path == "/odd/redirect-name":
                sock.sendall(answer("302 Found", extra="Location: named.txt\r\n"))
            elif path == "/odd/redirect-cookie":
                sock.sendall(answer("302 Found", extra="Location: /odd/echo\r\nSet-Cookie: session=42\r\n"))
            elif path == "/odd/loop":
                with lock:
                    loop_count += 1
                sock.sendall(answer("302 Found", extra="Location: /odd/loop\r\n"))
            elif path == "/odd/count":
                sock.sendall(answer("200 OK", str(loop_count).encode()))
            elif path == "/odd/stall" or name == "stall.bin":
                stall(b"HTTP/1.0 200 OK\r\n\r\npartial")
            elif path == "/odd/silent":
                stall(b"")
            elif path == "/odd/short" or name == "short.bin":
                sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789")
            elif name == "error.bin":
                sock.sendall(answer("500 Internal Server Error", b"<html>broken</html>"))
            elif path.startswith("/odd/sign/"):
                target, _, query = path[len("/odd/sign/"):].partition("?")
                name, which = target.split("/", 1)
                sock.sendall(answer("200 OK", sign(name, which, query)))
            elif path.startswith("/odd/") and odd(sock, path[len("/odd/"):], stall):
                pass
            elif path == "/named.txt":
                sock.sendall(answer("200 OK", b"named"))
            elif path.startswith("/tree/"):
                file = os.path.normpath(os.path.join(TREE, path[len("/tree/"):]))
                if file.startswith(os.path.normpath(TREE) + os.sep) and os.path.isfile(file):
                    with open(file, "rb") as f:
                        data = f.read()
                    if not (data.startswith(b"@odd:") and odd(sock, data[5:].decode("latin-1"), stall)):
                        sock.sendall(answer("200 OK", data))
                else:
                    sock.sendall(answer("404 Not Found", b"<html>no such file</html>"))
            else:
                sock.sendall(answer("404 Not Found", b"<html>unknown</html>"))
        except OSError:
            pass


class TlsHandler(Handler):
    context = None

    def setup(self):
        self.request = self.context.wrap_socket(self.request, server_side=True)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


class Server6(Server):
    address_family = socket.AF_INET6

    def handle_error(self, request, client_address):
        pass  # clients that refuse the certificate or hang up are part of the tests


def main():
    servers = [Server(("127.0.0.1", 0), Handler)]
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        TlsHandler.context = context
        servers.append(Server(("127.0.0.1", 0), TlsHandler))
    ports = [str(s.server_address[1]) for s in servers]
    if len(ports) == 1:
        ports.append("none")
    try:
        servers.append(Server6(("::1", 0), Handler))
        ports.append(str(servers[-1].server_address[1]))
    except OSError:
        ports.append("none")  # no IPv6 loopback on this machine
    for s in servers:
        threading.Thread(target=s.serve_forever, daemon=True).start()
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write("\n".join(ports) + "\n")
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
