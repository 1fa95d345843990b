#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# A large capture of SCTE 104 sessions for the benchmarks:
#   make_session_capture.py FILE MESSAGES [CONNECTIONS]
# Each connection opens with a handshake and init_request/init_response,
# then cycles through a queue mark, its inject_response and
# inject_complete_response in one segment, alive_request and alive_response:
# 5 messages in 4 records, the connections taking turns, 1 ms apart.
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "pcap"))
from capture_writer import ETHERNET, Conversation, frame  # noqa: E402

H = bytes.fromhex
T0 = 1768324732


def single(op_id, data=b"", result=0xFFFF, number=1):
    return struct.pack(">HHHHBBBH", op_id, 13 + len(data), result, 0xFFFF, 0, 0, number, 0) + data


def mark(number):
    return H("ffff001e0001") + bytes([number]) + H("0fa000" "00010101000e010000000100001f400258000000")


def main():
    path, messages = sys.argv[1], int(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    records = []

    def add(ip_packet):
        at = len(records)
        records.append(struct.pack("<IIII", T0 + at // 1000, at % 1000 * 1000, 0, 0) + frame(ETHERNET, ip_packet))

    connections = [Conversation(("10.1.%d.%d" % (i // 250, i % 250 + 1), 40000 + i), ("10.0.0.9", 5167))
                   for i in range(count)]
    made = 0
    for c in connections:
        for p in c.handshake():
            add(p)
        add(c.segment("c", payload=single(1)))
        add(c.segment("s", payload=single(2, result=100)))
        made += 2
    turn = 0
    while made < messages:
        c = connections[turn % count]
        number = turn // count % 256
        add(c.segment("c", payload=mark(number)))
        add(c.segment("s", payload=single(7, bytes([number]), 100) + single(8, bytes([number, 1]), 100)))
        add(c.segment("c", payload=single(3)))
        add(c.segment("s", payload=single(4, result=100)))
        made += 5
        turn += 1
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, ETHERNET))
        for r in records:  # lengths go in now that the frames are made
            body = r[16:]
            out.write(r[:8] + struct.pack("<II", len(body), len(body)) + body)


if __name__ == "__main__":
    main()
