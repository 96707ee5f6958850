#!/usr/bin/python3
"""The one feed server of the notifier tests: good feeds, and feeds and
transfers that misbehave on purpose, one way per path.

Listens on 127.0.0.1 on a free port, prints the port on its first line of
standard output, then serves until killed.

Feeds: /ok (chunked, no version), /good (an appcast offering version 200),
/html and /text (status 200, but no appcast), /malformed, /bomb (nested
entities), /external?file=PATH (external entities), /items?count=N.
Transfers: /missing and /404 (404), /500, /empty, /zero (a zero byte inside),
/zerofirst, /badutf8, /redirect (to /ok), /loop (endless redirects), /silent
and /hang (never answer), /trickle (a byte every 100 ms, forever), /huge (an
endless body), /useragent (echoes the User-Agent header).
A scripted feed: /script/ID/ANSWERS/anything answers its n-th request with the
n-th of the comma-separated ANSWERS (the last one over and over): an appcast
offering that version, or "statusNNN" for that HTTP status; /requests/ID lists
the times (time.time()) of the requests script ID has had, as JSON.
"""
import json
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FEED = b'<?xml version="1.0"?><rss><channel><item><title>One</title></item></channel></rss>'

GOOD = (b'<?xml version="1.0" encoding="utf-8"?>\n'
        b'<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">'
        b'<channel><title>Feed</title><item><title>Version 200</title>'
        b'<enclosure url="http://127.0.0.1/p.zip" sparkle:version="200" length="1"/></item>'
        b'</channel></rss>\n')

APPCAST = """<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Example</title>
<item><title>Version {v}</title><pubDate>Mon, 07 Dec 2026 10:00:00 +0000</pubDate>
<enclosure url="http://127.0.0.1/app-{v}.zip" sparkle:version="{v}" length="1" type="application/octet-stream"/>
</item></channel></rss>
"""

# Script ID -> the times of its requests so far.
SCRIPT_REQUESTS = {}
SCRIPT_LOCK = threading.Lock()

HTML = b'<!DOCTYPE html>\n<html><head><title>Moved</title></head><body>The feed moved.</body></html>\n'

BOMB = (b'<?xml version="1.0"?>\n<!DOCTYPE rss [\n<!ENTITY lol "lol">\n'
        + b''.join(b'<!ENTITY lol%d "%s">\n' % (i, (b'&lol%d;' % (i - 1) if i > 1 else b'&lol;') * 10)
                   for i in range(1, 10))
        + b']>\n<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">'
        b'<channel><item><title>&lol9;</title>'
        b'<enclosure url="http://127.0.0.1/p.zip" sparkle:version="900"/></item></channel></rss>\n')


def external_entity(path):
    return (b'<?xml version="1.0"?>\n<!DOCTYPE rss [\n'
            b'<!ENTITY secret SYSTEM "file://' + path.encode() + b'">\n'
            b'<!ENTITY % remote SYSTEM "file://' + path.encode() + b'">\n%remote;\n]>\n'
            b'<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">'
            b'<channel><item><title>&secret;</title><description>&secret;</description>'
            b'<enclosure url="http://127.0.0.1/p.zip" sparkle:version="&secret;"/></item></channel></rss>\n')


def many_items(count):
    head = (b'<?xml version="1.0"?>\n<rss version="2.0" '
            b'xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>')
    items = b''.join(b'<item><title>V%d</title><enclosure url="http://127.0.0.1/%d.zip" '
                     b'sparkle:version="%d"/></item>\n' % (i, i, i) for i in range(1, count + 1))
    return head + items + b'</channel></rss>\n'


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, content_type="application/rss+xml"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
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

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def scripted(self, ident, answers):
        with SCRIPT_LOCK:
            times = SCRIPT_REQUESTS.setdefault(ident, [])
            times.append(time.time())
            answer = answers[min(len(times), len(answers)) - 1]
        if answer.startswith("status"):
            self.send_body(int(answer[len("status"):]), b"", "text/plain")
        else:
            self.send_body(200, APPCAST.format(v=answer).encode())

    def script_requests(self, ident):
        with SCRIPT_LOCK:
            times = list(SCRIPT_REQUESTS.get(ident, []))
        self.send_body(200, json.dumps(times).encode(), "application/json")

    def endless(self):
        self.send_response(200)
        self.end_headers()
        while True:  # a body without a length that never ends
            self.wfile.write(b"<!-- padding -->" * 4096)

    def do_GET(self):
        url = urllib.parse.urlparse(self.path)
        query = urllib.parse.parse_qs(url.query)
        route = {
            "/ok": lambda: self.send_chunks([FEED[i:i + 16] for i in range(0, len(FEED), 16)], 0.01),
            "/good": lambda: self.send_body(200, GOOD),
            "/html": lambda: self.send_body(200, HTML, "text/html"),
            "/text": lambda: self.send_body(200, b"The feed has moved.\n", "text/plain"),
            "/malformed": lambda: self.send_body(200, GOOD[:len(GOOD) // 2] + b"<item><</rss>"),
            "/bomb": lambda: self.send_body(200, BOMB),
            "/external": lambda: self.send_body(200, external_entity(query.get("file", ["/etc/hostname"])[0])),
            "/items": lambda: self.send_body(200, many_items(int(query.get("count", ["100000"])[0]))),
            "/missing": lambda: self.send_body(404, b"not here", "text/plain"),
            "/404": lambda: self.send_body(404, b"not here", "text/plain"),
            "/500": lambda: self.send_body(500, b"broken", "text/plain"),
            "/empty": lambda: self.send_body(200, b""),
            "/zero": lambda: self.send_body(200, b"before\x00after"),
            "/zerofirst": lambda: self.send_body(200, b"\x00" + GOOD),
            "/badutf8": lambda: self.send_body(200, GOOD.replace(b"Feed", b"F\xc3\x28\xff")),
            "/redirect": lambda: self.redirect("/ok"),
            "/silent": lambda: time.sleep(3600),
            "/hang": lambda: time.sleep(3600),
            "/trickle": lambda: self.send_chunks(iter(lambda: b"x", None), 0.1),
            "/huge": self.endless,
            "/useragent": lambda: self.send_body(200, self.headers.get("User-Agent", "").encode(), "text/plain"),
        }.get(url.path)
        parts = url.path.split("/")
        if url.path.startswith("/loop"):
            route = lambda: self.redirect(url.path + "x")
        elif parts[1] == "script" and len(parts) >= 4:
            route = lambda: self.scripted(parts[2], parts[3].split(","))
        elif parts[1] == "requests" and len(parts) == 3:
            route = lambda: self.script_requests(parts[2])
        (route or (lambda: self.send_body(500, b"", "text/plain")))()


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
