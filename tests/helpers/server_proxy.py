#!/usr/bin/env python3
"""Forwards TCP connections on a free port of 127.0.0.1 to a Unix socket
(the test server's), each in both directions until either side ends.

    server_proxy.py SOCKET

Prints the port as the first line of its output."""
import socket
import sys
import threading


def pump(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    for side in (source, target):
        try:
            side.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def main():
    listener = socket.create_server(("127.0.0.1", 0))
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        server = socket.socket(socket.AF_UNIX)
        try:
            server.connect(sys.argv[1])
        except OSError:
            client.close()
            continue
        for source, target in ((client, server), (server, client)):
            threading.Thread(target=pump, args=(source, target), daemon=True).start()


if __name__ == "__main__":
    main()
