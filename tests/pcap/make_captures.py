#!/usr/bin/env python3
# Writes the small captures of the end-to-end cases into this directory.
# Every byte is made here; run it again after changing a case.
import os
import sys
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from capture_writer import (ACK, ETHERNET, FIN, LINUX_SLL2, PSH, RAW, RST, SYN, Conversation,  # noqa: E402
                            frame, ipv4, packet, pcap, pcapng, tcp)

HERE = Path(__file__).resolve().parent
H = bytes.fromhex
AS, INJECTOR = ("10.0.0.5", 56176), ("10.0.0.9", 5167)
T0 = 1768324732  # 2026-01-13T17:18:52Z

INIT_REQUEST = H("0001000dffffffff0000010000")
INIT_RESPONSE = H("0002000d0064ffff0000010000")
MARK = H("ffff001e0001210fa000" "00010101000e010000000100001f400258000000")  # message_number 0x21
RESPONSES = H("0007000e0064ffff0000020000210008000f0078ffff00000300002101")


def stamped(frames, start=T0, step_us=1000, first_us=124456):
    return [(start, first_us + i * step_us, f) for i, f in enumerate(frames)]


def worked_example():
    c = Conversation(AS, INJECTOR)
    frames = c.handshake() + [
        c.segment("c", payload=INIT_REQUEST), c.segment("s", payload=INIT_RESPONSE),
        c.segment("c", payload=MARK[:10]), c.segment("c", payload=MARK[10:]),
        c.segment("s", payload=RESPONSES),
        c.segment("c", FIN | ACK, H("0003000dffffffff00")), c.segment("s", FIN | ACK)]
    return [(s, us, frame(ETHERNET, f)) for s, us, f in stamped(frames)]


def write(name, data):
    (HERE / name).write_bytes(data)


def main():
    write("worked_example.pcap", pcap(worked_example()))


if __name__ == "__main__":
    main()
