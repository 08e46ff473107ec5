#!/usr/bin/env python3
"""A local HTTP server for the web download and update-check tests.

Usage: web_test_server.py PORT_FILE [LIFETIME_SECONDS]

Listens on 127.0.0.1 at a free port, which it writes to PORT_FILE once it accepts
connections. Every request outside /__ is recorded (request line, header lines in the order
they arrived, body) and answered as configured for its path:

  /__set?path=P&status=S&body=B&delay=D&header=NAME:VALUE...&close=1&length=N&size=N
      answers P with status S (200), body B, after D seconds (0), with the extra headers;
      close=1 closes the connection without any answer; length=N sends N as
      Content-Length instead of the body's own length; size=N makes the body N bytes
      "abc...zabc..." instead.
  /__requests   the recorded requests, one block each:
                "REQUEST <line>", "H <header line>"..., "B <body as hex>", "END"
  /__clear      forgets the recorded requests
  /__quit       ends the server

Unknown paths answer 404. The server ends by itself after LIFETIME_SECONDS (300).
"""
import http.server
import os
import sys
import threading
import time
import urllib.parse

lock = threading.Lock()
routes = {}
recorded = []


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send(self, status, body, extra=(), length=None):
        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        try:
            self.wfile.write(body)
            self.wfile.flush()
        except OSError:
            pass

    def control(self, url):
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        if url.path == "/__set":
            body = query.get("body", [""])[0].encode("latin-1")
            if "size" in query:
                size = int(query["size"][0])
                body = bytes(ord("a") + i % 26 for i in range(size))
            route = {
                "status": int(query.get("status", ["200"])[0]),
                "body": body,
                "delay": float(query.get("delay", ["0"])[0]),
                "headers": [tuple(h.split(":", 1)) for h in query.get("header", [])],
                "close": query.get("close", ["0"])[0] == "1",
                "length": int(query["length"][0]) if "length" in query else None,
            }
            with lock:
                routes[query["path"][0]] = route
            self.send(200, b"ok")
        elif url.path == "/__requests":
            lines = []
            with lock:
                for request in recorded:
                    lines.append("REQUEST " + request["line"])
                    lines.extend("H " + h for h in request["headers"])
                    lines.append("B " + request["body"].hex())
                    lines.append("END")
            self.send(200, ("\n".join(lines) + "\n").encode("latin-1"))
        elif url.path == "/__clear":
            with lock:
                recorded.clear()
            self.send(200, b"ok")
        elif url.path == "/__quit":
            self.send(200, b"bye")
            threading.Thread(target=lambda: os._exit(0)).start()
        else:
            self.send(404, b"unknown control")

    def answer(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path.startswith("/__"):
            self.read_body()
            self.control(url)
            return
        header_lines = [name + ": " + value for name, value in self.headers.raw_items()]
        body = self.read_body()
        with lock:
            recorded.append({"line": self.requestline, "headers": header_lines, "body": body})
            route = routes.get(url.path)
        if route is None:
            self.send(404, b"not found")
            return
        if route["delay"]:
            time.sleep(route["delay"])
        if route["close"]:
            self.close_connection = True
            return
        self.send(route["status"], route["body"], route["headers"], route["length"])

    do_GET = answer
    do_POST = answer
    do_PUT = answer


def main():
    port_file = sys.argv[1]
    lifetime = float(sys.argv[2]) if len(sys.argv) > 2 else 300
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Timer(lifetime, lambda: os._exit(0)).start()
    temp = port_file + ".tmp"
    with open(temp, "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(temp, port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
