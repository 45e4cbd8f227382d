#!/usr/bin/env python3
"""A forward HTTP proxy on loopback that behaves like a distant network.

Each client connection waits one round trip before it is served (the connection set-up), and
every reply waits one more round trip before it goes back (the request's way out and the reply's
way home). Requests arrive in absolute form (GET http://host:port/path HTTP/1.1) and go on to the
origin in origin form over a connection of their own; replies are relayed byte for byte.

    rtt_proxy.py --port-file FILE [--rtt-ms 50] [--log FILE]

Loopback only: it listens on 127.0.0.1 and forwards only to 127.0.0.1 / localhost.
"""
import argparse
import socket
import sys
import threading
import time
from urllib.parse import urlsplit


def read_head(sock, buffer):
    """Reads up to and including the empty line; returns (head, rest) or (None, b"") at EOF."""
    while b"\r\n\r\n" not in buffer:
        chunk = sock.recv(65536)
        if not chunk:
            return None, b""
        buffer += chunk
    end = buffer.index(b"\r\n\r\n") + 4
    return buffer[:end], buffer[end:]


def read_exact(sock, buffer, count):
    while len(buffer) < count:
        chunk = sock.recv(65536)
        if not chunk:
            break
        buffer += chunk
    return buffer[:count], buffer[count:]


def read_reply(upstream):
    """The whole reply from the origin, and whether the origin keeps the connection open."""
    head, rest = read_head(upstream, b"")
    if head is None:
        raise ConnectionError("origin closed before replying")
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers[name.strip().lower()] = value.strip()
    keep = headers.get("connection", "").lower() != "close"
    if "content-length" in headers:
        body, _ = read_exact(upstream, rest, int(headers["content-length"]))
        return head + body, keep
    if headers.get("transfer-encoding", "").lower() == "chunked":
        body = rest
        while not body.endswith(b"0\r\n\r\n"):
            chunk = upstream.recv(65536)
            if not chunk:
                break
            body += chunk
        return head + body, keep
    body = rest
    while True:
        chunk = upstream.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + body, False


def serve(client, rtt, log):
    try:
        time.sleep(rtt)  # the connection's set-up
        buffer = b""
        upstream = None
        origin = None
        while True:
            head, buffer = read_head(client, buffer)
            if head is None:
                return
            request_line, _, fields = head.partition(b"\r\n")
            method, target, version = request_line.decode("latin-1").split(" ", 2)
            parts = urlsplit(target)
            host, port = parts.hostname, parts.port or 80
            if host not in ("127.0.0.1", "localhost"):
                client.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
                return
            path = parts.path or "/"
            if parts.query:
                path += "?" + parts.query
            if upstream is None or origin != (host, port):
                if upstream is not None:
                    upstream.close()
                upstream = socket.create_connection((host, port))
                origin = (host, port)
            upstream.sendall(f"{method} {path} {version}\r\n".encode("latin-1") + fields)
            reply, keep = read_reply(upstream)
            if not keep:
                upstream.close()
                upstream = None
            time.sleep(rtt)  # the request's way out and the reply's way back
            client.sendall(reply)
            if log:
                log.write(f"{time.monotonic():.3f} {target} {len(reply)}\n")
                log.flush()
            if not keep:
                return
    except (OSError, ValueError, ConnectionError):
        pass
    finally:
        client.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--rtt-ms", type=float, default=50.0)
    parser.add_argument("--log")
    options = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(128)
    with open(options.port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    import os
    os.replace(options.port_file + ".tmp", options.port_file)
    log = open(options.log, "a") if options.log else None
    rtt = options.rtt_ms / 1000.0
    while True:
        client, _ = listener.accept()
        client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=serve, args=(client, rtt, log), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
