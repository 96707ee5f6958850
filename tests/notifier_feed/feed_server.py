#!/usr/bin/python3
"""A feed server for the downloader tests. Listens on 127.0.0.1 on a free
port, prints the port on its first line, and answers by path:
/ok chunked 200, /missing 404, /empty, /zero (a zero byte in the body),
/badutf8, /redirect (to /ok), /loop (endless redirects), /silent (never
answers), /trickle (a byte every 100 ms, forever), /huge (1 MiB)."""
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FEED = b'<?xml version="1.0"?><rss><channel><item><title>One</title></item></channel></rss>'


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_chunks(self, chunks, pause=0.0):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for chunk in chunks:
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
            self.wfile.flush()
            time.sleep(pause)
        self.wfile.write(b"0\r\n\r\n")

    def do_GET(self):
        path = self.path
        if path == "/ok":
            self.send_chunks([FEED[i:i + 16] for i in range(0, len(FEED), 16)], 0.01)
        elif path == "/missing":
            self.send_body(404, b"not here")
        elif path == "/empty":
            self.send_body(200, b"")
        elif path == "/zero":
            self.send_body(200, b"before\x00after")
        elif path == "/badutf8":
            self.send_body(200, b"caf\xc3(")
        elif path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/ok")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path.startswith("/loop"):
            self.send_response(302)
            self.send_header("Location", path + "x")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/silent":
            time.sleep(3600)
        elif path == "/trickle":
            self.send_chunks(iter(lambda: b"x", None), 0.1)
        elif path == "/huge":
            self.send_chunks([b"y" * 65536] * 16)
        elif path == "/useragent":
            self.send_body(200, self.headers.get("User-Agent", "").encode())
        else:
            self.send_body(500, b"")


class QuietServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that hang up early (cancelled, capped or timed out) are expected.
        pass


def main():
    server = QuietServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
