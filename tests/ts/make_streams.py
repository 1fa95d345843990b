#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the small transport streams of the --ts cases into this directory.
# Every byte is made here; run it again after changing a case.
import os
import sys
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stream_writer import (Stream, alive_request, anc_record, pes, pmt, registration, splice_insert,  # noqa: E402
                           splice_null, splice_request, time_signal, time_signal_request, ts_packet, with_crc)

HERE = Path(__file__).resolve().parent
VIDEO, ANC, SCTE35, PMT = 0x101, 489, 500, 0x100
VANC = registration(b"VANC")
STREAMS = [(0x1B, VIDEO, b""), (0x06, ANC, VANC + bytes([0xC4, 0])), (0x86, SCTE35, b"")]
FRAME = 3003


def video(s, count=2):
    for _ in range(count):
        s.add(VIDEO, b"\x00" * 184)


def mark_pes(s, message, pts, descriptor=0x08, **record):
    s.pes(ANC, pes(anc_record(bytes([descriptor]) + message, **record), pts=pts))


def worked():
    """A splice_request (event 0x4D2, pre-roll 4 s, break 30 s) and the injector's
    section with cw_index 0 and a pts_time one frame late."""
    s = Stream()
    s.tables(streams=STREAMS)
    video(s)
    mark_pes(s, splice_request(0x4D2, 4000, 300, number=0x21), 903003)
    video(s, 6)
    s.sections(SCTE35, [splice_insert(0x4D2, 903003 + 360000 + FRAME, duration=2700000, cw_index=0)])
    video(s)
    return s


def damage():
    """Continuity, CRC, section and packet damage on the PIDs read."""
    s = Stream()
    s.tables(streams=STREAMS)
    first = splice_null()
    s.sections(SCTE35, [first])
    s.packets.append(s.packets[-1])  # a duplicate: dropped silently
    s.add(SCTE35, bytes([0]) + first, pusi=True, cc=5)  # a gap: cc_error, the section is still read
    s.add(SCTE35, bytes([0]) + first, pusi=True, cc=9, discontinuity=True)  # no problem
    s.add(SCTE35, bytes([0]) + first, pusi=True, cc=12, adaptation="stuff")  # a gap behind an adaptation field
    s.add(SCTE35, b"", cc=7, adaptation="stuff", payload_present=False)  # no payload: its counter is not checked
    s.add(SCTE35, bytes([0]) + first, pusi=True, tei=True, cc=3, ignored=True)  # ignored, counter too
    s.add(SCTE35, bytes([0]) + first, pusi=True, scrambling=2)  # counted, not read
    bad_crc = bytearray(splice_null())
    bad_crc[-1] ^= 1
    s.add(SCTE35, bytes([0]) + bytes(bad_crc), pusi=True)
    s.add(SCTE35, bytes([0, 0xFC, 0x3F, 0xFF, 0]), pusi=True)  # section_length 4095
    # A section that starts, then a cc gap drops it without a further problem.
    long_section = splice_insert(1, 1000, descriptors=b"\x00\x08CUEI\x00\x00\x00\x01" * 30)
    s.add(SCTE35, bytes([0]) + long_section[:183], pusi=True)
    s.add(SCTE35, long_section[183:], cc=(s.cc[SCTE35] + 2) & 0xF)
    # An adaptation field longer than the packet: the packet is ignored.
    s.add(SCTE35, b"", adaptation=bytes([200]), ignored=True)
    s.packets.append(b"\x00junk!!!")  # sync lost for 8 bytes
    # A PMT with a bad CRC changes nothing: PID 600 is not read.
    bad_pmt = bytearray(pmt(1, [(0x86, 600, b"")]))
    bad_pmt[-2] ^= 0x40
    s.sections(PMT, [bytes(bad_pmt)])
    s.sections(600, [splice_null()])
    # A pointer_field that finishes nothing, a section, and one cut by the end.
    s.add(SCTE35, bytes([3, 0xAA, 0xBB, 0xCC]) + first + long_section[:160], pusi=True)
    data = s.bytes() + b"\x47" + b"\x00" * 99  # 100 bytes of a last packet
    return data


def sections():
    """Several sections to a packet, one over three packets, a pointer_field that
    finishes one, a section the reader refuses, a pointer_field past the payload, and
    DTMF characters either side of the ASCII range."""
    s = Stream()
    s.tables(streams=STREAMS)
    mark_pes(s, splice_request(7, 2000, 0, number=1), 90000)
    null = splice_null()
    big = splice_insert(7, 90000 + 180000, descriptors=(b"\x00\x08CUEI" + b"\x00\x00\x00\x01") * 40)
    s.add(SCTE35, bytes([0]) + null + null + big[:143], pusi=True)
    s.add(SCTE35, big[143:327])
    rest = big[327:]
    s.add(SCTE35, bytes([len(rest)]) + rest + null, pusi=True)
    short = with_crc(bytes([0xFC, 0x30, 0x09]) + bytes(5))  # section_length 9: refused
    s.add(SCTE35, bytes([0]) + short, pusi=True)
    s.add(SCTE35, bytes([0]) + null + big[:163], pusi=True)
    s.add(SCTE35, bytes([0]) + null, pusi=True)  # pointer_field 0 finishes nothing: section_cut
    s.add(SCTE35, bytes([0]) + null + big[:163], pusi=True)
    s.add(SCTE35, bytes([200]), pusi=True, fill=0x00)  # past the payload: section_cut, packet dropped
    s.add(SCTE35, bytes([5]) + b"\xaa" * 5 + null, pusi=True)  # nothing in progress: 5 bytes ignored
    dtmf = b"CUEI" + bytes([0, 5 << 5 | 0x1F]) + b"\x7f\x80\xbf\xc0\xff"  # characters as Latin-1
    s.sections(SCTE35, [splice_null(descriptors=bytes([0x01, len(dtmf)]) + dtmf)])
    return s.bytes()


def pes_and_anc():
    """PES of length 0 and cut, headers that do not fit, no PTS, and ANC damage."""
    s = Stream()
    s.tables(streams=STREAMS)
    alive = alive_request(7)
    caption = anc_record(b"\x96\x69\x10", did=0x61, sdid=0x01, line=11)
    good = anc_record(b"\x08" + alive, line=13, offset=5, c_not_y=1)
    # Length 0, with 0xFF between records and a caption record first: ends at the next unit start.
    s.pes(ANC, pes(b"\xff" + caption + b"\xff\xff" + good, pts=1000, length=0))
    s.pes(ANC, pes(anc_record(b"\x08" + alive, spoil="parity") + anc_record(b"\x08" + alive, spoil="checksum"),
                   pts=2000))
    s.pes(ANC, pes(good + b"\x04" + good, pts=3000))  # leading bits: the rest is skipped
    s.pes(ANC, pes(good[:-1], pts=4000, length=len(pes(good[:-1], pts=4000)) - 6))  # cut
    s.pes(ANC, pes(good))  # no PTS: still read
    s.pes(ANC, pes(anc_record(b""), pts=5000))  # no user data words: not SCTE 104
    s.add(ANC, b"\x00\x00\x02\xbd\x00\x00", pusi=True)  # no PES start
    s.add(ANC, b"\x00\x00\x01\xbd\x00\x04\x81\x80\x05\x21", pusi=True, adaptation="stuff")  # header past its end
    long = pes(good, pts=6000)
    s.add(ANC, long[:40], pusi=True, adaptation="stuff")  # cut by the next unit start
    s.pes(ANC, pes(good, pts=7000, length=0))  # length 0 at the end of the input
    return s.bytes()


def fragments():
    """Both readings of the fragment flags, orphans, interruptions, duplicates."""
    s = Stream()
    s.tables(streams=STREAMS)
    mark = splice_request(0x10, 1000, 0, number=2)
    alive = alive_request(9)
    pts = 90000

    def part(descriptor, data):
        nonlocal pts
        pts += FRAME
        mark_pes(s, data, pts, descriptor)

    part(0x0C, mark[:10])  # first (broadcast reading)
    part(0x0E, mark[10:20])  # middle
    part(0x0A, mark[20:])  # last: mark 1
    part(0x0A, mark[:12])  # first (other reading)
    part(0x0C, mark[12:])  # last: mark 2
    part(0x0E, b"\x01\x02")  # orphan
    part(0x0C, mark[:5])
    part(0x08, alive)  # interrupts 5 bytes, then a single operation
    part(0x0A, mark[:5])
    part(0x0A, mark[:6])  # the same first flag again: interrupts 5 bytes
    part(0x0C, mark[6:])  # completes: mark 3
    part(0x09, mark)  # duplicate: no mark
    part(0x28, mark)  # reserved bit: payload_descriptor, still mark 4
    part(0x08, b"\xff\xff\x00")  # bad_message
    part(0x08, b"\x00\x03\x00\x30" + alive[4:])  # messageSize past the bytes
    part(0x0C, mark[:3])  # waits at the end
    return s.bytes()


def pairing():
    """Keys, copies, each allowed difference, one frame either side, sections
    nobody asked for and sections never sent."""
    s = Stream()
    s.tables(streams=STREAMS)
    base = 900000
    s.sections(SCTE35, [splice_insert(1, base + 90000)])  # before its mark: unexplained
    mark_pes(s, splice_request(1, 1000, 0, number=1), base)  # mark 1: event 1 at base + 90000
    mark_pes(s, splice_request(2, 2000, 100, number=2), base + 10)  # mark 2: event 2
    mark_pes(s, time_signal_request(500, 77, number=3), base + 20)  # mark 3: time_signal, event 77
    s.sections(SCTE35, [splice_insert(2, base + 10 + 180000 - FRAME, duration=900000, pts_adjustment=0,
                                      sap_type=0, tier=0x000, cw_index=3)])  # allowed: a frame early
    s.sections(SCTE35, [splice_insert(1, base + 90000 - 45000, pts_adjustment=45000, encrypted=0, algorithm=1)])
    s.sections(SCTE35, [splice_insert(1, base + 90000 + FRAME + 1)])  # copy 1 of mark 1: a fault, a frame and a tick late
    s.sections(SCTE35, [splice_insert(2, base + 10 + 180000, duration=900001, tier=0x123)])  # copy: faults
    s.sections(SCTE35, [splice_null()])  # a heartbeat: unexplained
    mark_pes(s, splice_request(1, 1000, 0, number=4), base + 100)  # mark 4: event 1 again
    s.sections(SCTE35, [splice_insert(1, base + 100 + 90000, duration=5)])  # answers mark 4, not a copy
    mark_pes(s, splice_request(5, 1000, 0, number=5), None)  # mark 5, no PTS: pts_time not compared
    s.sections(SCTE35, [splice_insert(5, 12345)])
    mark_pes(s, b"\xff\xff\x00\x0c\x00\x00\x06\x00\x00\x00\x07\x01", base)  # refused: expects nothing
    s.sections(SCTE35, [time_signal(base + 20 + 45000, 77)])  # answers mark 3 by its segmentation_event_id
    s.sections(SCTE35, [time_signal(base + 20 + 45000, 76)])  # no mark has event 76
    mark_pes(s, time_signal_request(0, 78, number=7), base + 200)  # mark 7: never answered
    return s.bytes()


def pmt_variants():
    """stream_type 0x06 without the VANC registration is not read, nor one whose
    registration runs past its descriptors or holds 3 bytes ("VAN", then a descriptor
    tagged "C"); a registration longer than 4 bytes and a CUEI program registration
    are fine."""
    s = Stream()
    s.sections(0, [__import__("stream_writer").pat([(1, PMT)])])
    s.sections(PMT, [pmt(1, [(0x06, ANC, registration(b"AC-3")), (0x06, 490, bytes([0x05, 6]) + b"VANCxy"),
                             (0x06, 491, bytes([0x05, 7]) + b"VANC"), (0x06, 492, bytes([0x05, 3]) + b"VANC\x00"),
                             (0x86, SCTE35, b"")],
                         program_descriptors=registration(b"CUEI"))])
    mark_pes(s, splice_request(3, 1000, 0), 90000)  # PID 489: not read
    s.pes(491, pes(anc_record(b"\x08" + splice_request(4, 1000, 0)), pts=90000))  # not read
    s.pes(492, pes(anc_record(b"\x08" + splice_request(5, 1000, 0)), pts=90000))  # not read
    s.pes(490, pes(anc_record(b"\x08" + splice_request(3, 1000, 0)), pts=90000))
    s.sections(SCTE35, [splice_insert(3, 180000)])
    return s.bytes()


def no_tables():
    """No PAT or PMT at all: read with --pid. Payload before the first unit start is ignored."""
    s = Stream()
    s.add(ANC, b"\x00" * 184)
    mark_pes(s, splice_request(3, 1000, 0), 90000)
    s.add(SCTE35, b"\x00" * 20)
    s.sections(SCTE35, [splice_insert(3, 180000)])
    return s.bytes()


def main():
    worked_stream = worked()
    outputs = {
        "worked.ts": worked_stream.bytes(),
        "worked_192.ts": b"junk!!!" + worked_stream.bytes(192) + bytes(4) + b"\x47" * 20,
        "worked_204.ts": worked_stream.bytes(204)[:-30],
        "damage.ts": damage(),
        "sections.ts": sections(),
        "pes_anc.ts": pes_and_anc(),
        "fragments.ts": fragments(),
        "pairing.ts": pairing(),
        "pmt_variants.ts": pmt_variants(),
        "no_tables.ts": no_tables(),
        "not_ts.bin": bytes(400) + b"\x47" + bytes(100),  # a sync byte with no room for a packet after it
    }
    for name, data in outputs.items():
        (HERE / name).write_bytes(data)


if __name__ == "__main__":
    main()
