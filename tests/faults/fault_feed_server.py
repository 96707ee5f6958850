#!/usr/bin/python3
"""A feed server that misbehaves on purpose, one way per path.

Prints its port on the first line of standard output, then serves until
killed. Used by the feed fault tests only; binds 127.0.0.1.
"""
import http.server
import socketserver
import sys
import time
import urllib.parse

GOOD = (b'<?xml version="1.0" encoding="utf-8"?>\n'
        b'<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">'
        b'<channel><title>Feed</title><item><title>Version 200</title>'
        b'<enclosure url="http://127.0.0.1/p.zip" sparkle:version="200" length="1"/></item>'
        b'</channel></rss>\n')

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


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def body(self, data, status=200):
        self.send_response(status)
        self.send_header('Content-Type', 'application/rss+xml')
        self.send_header('Content-Length', str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urllib.parse.urlparse(self.path)
        query = urllib.parse.parse_qs(url.query)
        route = {
            '/good': lambda: self.body(GOOD),
            '/404': lambda: self.body(b'not here', 404),
            '/500': lambda: self.body(b'broken', 500),
            '/loop': self.loop,
            '/hang': lambda: time.sleep(120),
            '/trickle': self.trickle,
            '/huge': self.huge,
            '/badutf8': lambda: self.body(GOOD.replace(b'Feed', b'F\xc3\x28\xff')),
            '/zerofirst': lambda: self.body(b'\x00' + GOOD),
            '/malformed': lambda: self.body(GOOD[:len(GOOD) // 2] + b'<item><</rss>'),
            '/bomb': lambda: self.body(BOMB),
            '/external': lambda: self.body(external_entity(query.get('file', ['/etc/hostname'])[0])),
            '/items': lambda: self.body(many_items(int(query.get('count', ['100000'])[0]))),
        }.get(url.path)
        if route is None:
            self.body(b'unknown', 404)
        else:
            route()

    def loop(self):
        self.send_response(302)
        self.send_header('Location', '/loop')
        self.send_header('Content-Length', '0')
        self.end_headers()

    def trickle(self):
        self.send_response(200)
        self.send_header('Content-Length', '100000000')
        self.end_headers()
        try:
            while True:
                self.wfile.write(b' ')
                self.wfile.flush()
                time.sleep(0.2)
        except OSError:
            pass

    def huge(self):
        self.send_response(200)
        self.end_headers()
        try:
            while True:  # an endless body without a length
                self.wfile.write(b'<!-- padding -->' * 4096)
        except OSError:
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(('127.0.0.1', 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == '__main__':
    sys.exit(main())
