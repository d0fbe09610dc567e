#!/usr/bin/env python3
"""Scripted HTTP server on loopback for the updater's tests: answers the client cannot expect.

    odd_server.py PORTFILE TREE [CERT KEY]

Listens on 127.0.0.1 at a free port (written to PORTFILE) and, with CERT and KEY, also
speaks TLS on a second free port (second line of PORTFILE). Paths:

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
  /named.txt           200 "named"
  /tree/<path>         the file below TREE, except that files named stall.bin, short.bin and
                       error.bin behave like /odd/stall, /odd/short and a 500 answer
"""
import os
import socket
import socketserver
import ssl
import sys
import threading
import time

TREE = sys.argv[2]
loop_count = 0
lock = threading.Lock()


def answer(status, body=b"", extra=""):
    return (f"HTTP/1.0 {status}\r\n{extra}Content-Length: {len(body)}\r\n\r\n").encode() + body


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
            elif path == "/named.txt":
                sock.sendall(answer("200 OK", b"named"))
            elif path.startswith("/tree/"):
                file = os.path.normpath(os.path.join(TREE, path[len("/tree/"):]))
                if file.startswith(os.path.normpath(TREE) + os.sep) and os.path.isfile(file):
                    with open(file, "rb") as f:
                        sock.sendall(answer("200 OK", f.read()))
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

    def handle_error(self, request, client_address):
        pass  # clients that refuse the certificate or hang up are part of the tests


def main():
    servers = [Server(("127.0.0.1", 0), Handler)]
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        TlsHandler.context = context
        servers.append(Server(("127.0.0.1", 0), TlsHandler))
    for s in servers:
        threading.Thread(target=s.serve_forever, daemon=True).start()
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write("\n".join(str(s.server_address[1]) for s in servers) + "\n")
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
