#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# A large capture of an IP video facility for the --anc benchmark:
#   make_anc_capture.py FILE MEGABYTES
# Frame after frame at 29.97 Hz: about 300 ST 2110-20 video packets of 1.2 KB
# to port 5000, and two ST 2110-40 packets to port 5004 (the second with the
# marker bit), a splice_request in the first packet of every 30th frame and
# a caption packet in every other. Stops once the file reaches MEGABYTES.
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "pcap"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "anc"))
from capture_writer import ethernet, udp_packet  # noqa: E402
from rtp_writer import anc_packet, payload, rtp, scte104  # noqa: E402

T0 = 1768324732
SENDER, ANC, VIDEO = ("192.168.10.5", 50000), ("239.1.40.1", 5004), ("239.1.20.1", 5000)
MARK = bytes.fromhex("ffff001e0001210fa000" "00010101000e010000000100001f400258000000")
VIDEO_PACKETS = 300
TICKS = 3003  # 90 kHz ticks a frame at 30000/1001


def main():
    path, megabytes = sys.argv[1], int(sys.argv[2])
    limit = megabytes * 1000 * 1000
    video_body = bytes(1200)
    # Only the RTP sequence number and timestamp of a video packet change:
    # the frame around them is built once.
    video_frame = ethernet(udp_packet(SENDER[0], VIDEO[0], SENDER[1], VIDEO[1],
                                      rtp(0, 0, video_body, ssrc=7, pt=96, marker=False)))
    rtp_at = len(video_frame) - len(video_body) - 12
    caption = anc_packet(0x61, 0x01, bytes(range(20)), line=11)
    written = 0
    frame_number = 0
    video_sequence = 0
    anc_sequence = 0
    ns = 0
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B23C4D, 2, 4, 0, 0, 65535, 1))
        while written < limit:
            timestamp = frame_number * TICKS
            chunks = []
            for i in range(VIDEO_PACKETS):
                data = bytearray(video_frame)
                struct.pack_into(">HI", data, rtp_at + 2, video_sequence & 0xFFFF, timestamp)
                data[rtp_at + 1] = 96 | (0x80 if i == VIDEO_PACKETS - 1 else 0)
                video_sequence += 1
                chunks.append(bytes(data))
            for part in range(2):
                anc = [scte104(MARK, line=13)] if part == 0 and frame_number % 30 == 0 else []
                anc += [caption] if part == 1 else []
                body = rtp(anc_sequence, timestamp, payload(anc, extended=anc_sequence >> 16),
                           marker=part == 1)
                anc_sequence += 1
                chunks.append(ethernet(udp_packet(SENDER[0], ANC[0], SENDER[1], ANC[1], body)))
            for data in chunks:
                ns += 100000
                header = struct.pack("<IIII", T0 + ns // 1000000000, ns % 1000000000, len(data),
                                     len(data))
                out.write(header)
                out.write(data)
                written += len(header) + len(data)
            frame_number += 1


if __name__ == "__main__":
    main()
