#!/usr/bin/env python3
"""A web server for the update tests: python's http.server serving the files
of a folder, and misbehaving on request.

    update_server.py FOLDER

Listens on a free port of 127.0.0.1 and prints it as the first line of its
output. A request for /BEHAVIOUR/PATH is answered from FOLDER/PATH. The
behaviour applies to the program files (every name not ending in ".txt"),
or with the prefix "txt-" to the version files only:

    ok        the file as it is, with its Content-Length
    404       "404 Not Found" with an error page
    short     the Content-Length of the whole file, then half of it, then the connection ends
    drop      the connection ends before any answer
    hang      the connection stays open and nothing is ever sent
    nolength  the file without a Content-Length header (HTTP/1.0, the end of the connection ends it)
    trickle   the file with its Content-Length, its first 20 bytes one every 100 ms, then the rest
    huge      a Content-Length of a terabyte, then the file, then the connection ends
    moved     "301 Moved Permanently" to the same file under /ok/
"""
import http.server
import os
import sys
import threading
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        sys.stderr.write("update_server: " + (format % args) + "\n")

    def do_GET(self):
        parts = self.path.split("/", 2)
        if len(parts) < 3:
            self.send_error(404)
            return
        behaviour, rest = parts[1], parts[2]
        version_file = rest.endswith(".txt")
        applies = behaviour.startswith("txt-") == version_file
        behaviour = behaviour.removeprefix("txt-") if applies else "ok"
        self.path = "/" + rest
        if behaviour == "ok":
            super().do_GET()
            return
        if behaviour == "404":
            self.send_error(404)
            return
        if behaviour == "moved":
            self.send_response(301)
            self.send_header("Location", "/ok/" + rest)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if behaviour == "drop":
            self.close_connection = True
            return
        if behaviour == "hang":
            threading.Event().wait()
            return
        path = self.translate_path(self.path)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as file:
            body = file.read()
        if behaviour == "short":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
        elif behaviour == "trickle":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            for i in range(min(20, len(body))):
                self.wfile.write(body[i : i + 1])
                self.wfile.flush()
                time.sleep(0.1)
            self.wfile.write(body[20:])
        elif behaviour == "huge":
            self.send_response(200)
            self.send_header("Content-Length", str(1 << 40))
            self.end_headers()
            self.wfile.write(body)
        elif behaviour == "nolength":
            self.protocol_version = "HTTP/1.0"
            self.send_response(200)
            self.end_headers()
            self.wfile.write(body)
        else:
            self.send_error(500, "unknown behaviour " + behaviour)
            return
        self.wfile.flush()
        self.close_connection = True


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: update_server.py FOLDER")
    folder = os.path.abspath(sys.argv[1])

    class FolderHandler(Handler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), FolderHandler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
