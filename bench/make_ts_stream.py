#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes a transport stream for the --ts timings: mostly video (about
# 10 Mbit/s), and each second a PAT, a PMT, a queue mark in ST 2038 and the
# SCTE 35 section that answers it.
#
# usage: make_ts_stream.py FILE MEGABYTES
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "ts"))
from stream_writer import (Stream, anc_record, pes, registration, splice_insert,  # noqa: E402
                           splice_request)

VIDEO, ANC, SCTE35, PMT = 0x101, 489, 500, 0x100
VIDEO_PACKETS = 6640  # a multiple of 16, so the video's counters line up from second to second


def second():
    s = Stream()
    s.tables(streams=[(0x1B, VIDEO, b""), (0x06, ANC, registration(b"VANC")), (0x86, SCTE35, b"")])
    s.pes(ANC, pes(anc_record(b"\x08" + splice_request(0x4D2, 4000, 300, number=0x21)), pts=903003))
    payload = bytes(range(184))
    for _ in range(VIDEO_PACKETS):
        s.add(VIDEO, payload)
    s.sections(SCTE35, [splice_insert(0x4D2, 903003 + 360000, duration=2700000)])
    return s.packets


def main():
    path, megabytes = sys.argv[1], int(sys.argv[2])
    packets = second()
    # The packets whose counters move by one each second.
    moving = [i for i, p in enumerate(packets) if (p[1] & 0x1F) << 8 | p[2] != VIDEO]
    block = bytearray(b"".join(packets))
    seconds = megabytes * 1000000 // len(block)
    with open(path, "wb") as out:
        for n in range(seconds):
            for i in moving:
                block[i * 188 + 3] = (block[i * 188 + 3] & 0xF0) | (n & 0xF)
            out.write(block)


if __name__ == "__main__":
    main()
