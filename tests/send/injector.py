#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A tiny SCTE 104 injector for the --send tests: listens on 127.0.0.1:0,
prints its port, takes one connection and answers init_request (100),
alive_request (100, echoing time() when asked) and every queue mark
(inject_response with the next result of --results, 100 when they run out).
--close-at N closes the connection when the N-th mark arrives, unanswered;
--silent-after N stops answering marks after the N-th; --complete follows each
inject_response with an inject_complete_response (100, one cue message); --pause S reads
nothing for S seconds after the init_response, through a small receive buffer, then only
counts what comes. It exits when the connection ends, and prints the bytes it read, hex,
one message a line (with --pause: "read N", the bytes after the init_request)."""
import argparse
import socket
import struct
import sys
import time


def answer(op_id, result, message, data=b""):
    return struct.pack(">HHHHBBBH", op_id, 13 + len(data), result, 0xFFFF, 0,
                       message[9] if op_id != 7 else message[5], message[10] if op_id != 7 else 0,
                       0) + data


def count_to_end(conn):
    count = 0
    while True:
        data = conn.recv(1 << 20)
        if not data:
            return count
        count += len(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--results", default="")
    parser.add_argument("--close-at", type=int, default=0)
    parser.add_argument("--silent-after", type=int, default=-1)
    parser.add_argument("--complete", action="store_true")
    parser.add_argument("--pause", type=float, default=0)
    args = parser.parse_args()
    results = [int(r) for r in args.results.split(",") if r]
    server = socket.socket()
    if args.pause:
        server.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print(server.getsockname()[1], flush=True)
    conn, _ = server.accept()
    buffer = b""
    marks = 0
    seen = []
    while True:
        data = conn.recv(65536)
        if not data:
            break
        buffer += data
        out = b""
        while len(buffer) >= 4:
            size = struct.unpack(">H", buffer[2:4])[0]
            if len(buffer) < size:
                break
            message, buffer = buffer[:size], buffer[size:]
            seen.append(message.hex())
            op_id = struct.unpack(">H", message[:2])[0]
            if op_id == 1:
                out += answer(2, 100, message)
                if args.pause:
                    conn.sendall(out)
                    time.sleep(args.pause)
                    print("read", len(buffer) + count_to_end(conn), flush=True)
                    return
            elif op_id == 3:
                out += answer(4, 100, message, message[13:21])
            elif op_id == 0xFFFF:
                marks += 1
                if args.close_at and marks == args.close_at:
                    conn.sendall(out)
                    conn.close()
                    print("\n".join(seen), flush=True)
                    return
                if args.silent_after >= 0 and marks > args.silent_after:
                    continue
                result = results[marks - 1] if marks <= len(results) else 100
                out += answer(7, result, message, message[6:7])
                if args.complete:
                    out += answer(8, 100, message, message[6:7] + b"\x01")
        if out:
            conn.sendall(out)
    print("\n".join(seen), flush=True)


if __name__ == "__main__":
    main()
