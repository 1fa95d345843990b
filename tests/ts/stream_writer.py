# SPDX-License-Identifier: MIT
# Building blocks of small MPEG-2 transport streams for the --ts cases:
# packets, PAT and PMT, PES with PTS, SMPTE ST 2038 ANC records, SCTE 104
# messages and SCTE 35 sections. Every byte is made here; ST 291 words and
# SCTE 104 single operations come from the writers of the capture cases.
import os
import sys

sys.path[:0] = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", d) for d in ("anc", "pcap")]
from capture_writer import single  # noqa: E402
from rtp_writer import checksum, word  # noqa: E402


def crc32_mpeg2(data):
    crc = 0xFFFFFFFF
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    return crc


def with_crc(body):
    return body + crc32_mpeg2(body).to_bytes(4, "big")


def long_section(table_id, extension, body):
    """A PSI section with the long header (PAT, PMT) and its CRC_32."""
    length = 5 + len(body) + 4
    head = bytes([table_id, 0xB0 | length >> 8, length & 0xFF]) + extension.to_bytes(2, "big") + bytes([0xC1, 0, 0])
    return with_crc(head + body)


def pat(programs):
    return long_section(0x00, 1, b"".join(n.to_bytes(2, "big") + (0xE000 | pid).to_bytes(2, "big")
                                          for n, pid in programs))


def registration(fourcc):
    return bytes([0x05, 4]) + fourcc


def pmt(program, streams, pcr_pid=0x1FFF, program_descriptors=b""):
    body = (0xE000 | pcr_pid).to_bytes(2, "big") + (0xF000 | len(program_descriptors)).to_bytes(2, "big")
    body += program_descriptors
    for stream_type, pid, descriptors in streams:
        body += bytes([stream_type]) + (0xE000 | pid).to_bytes(2, "big")
        body += (0xF000 | len(descriptors)).to_bytes(2, "big") + descriptors
    return long_section(0x02, program, body)


def ts_packet(pid, payload=b"", pusi=False, cc=0, tei=False, scrambling=0, adaptation=None,
              discontinuity=False, payload_present=True, fill=0xFF):
    """One 188-byte packet. Short payloads are filled with `fill`, or with
    adaptation field stuffing when `adaptation` is "stuff"."""
    afc = 1 if payload_present else 0
    field = b""
    if adaptation == "stuff" or discontinuity or adaptation is not None:
        room = 184 - len(payload) - 1
        flags = 0x80 if discontinuity else 0x00
        if isinstance(adaptation, bytes):
            field = adaptation
        elif room > 0:
            field = bytes([room]) + bytes([flags]) + b"\xff" * (room - 1)
        else:
            field = bytes([0])
        afc |= 2
    head = bytes([0x47, (0x80 if tei else 0) | (0x40 if pusi else 0) | pid >> 8, pid & 0xFF,
                  scrambling << 6 | afc << 4 | (cc & 0xF)])
    packet = head + field + payload
    assert len(packet) <= 188, len(packet)
    return packet + bytes([fill]) * (188 - len(packet))


def pts_bytes(pts, prefix=0x2):
    return bytes([prefix << 4 | (pts >> 29 & 0x0E) | 1, pts >> 22 & 0xFF, (pts >> 14 & 0xFE) | 1,
                  pts >> 7 & 0xFF, (pts << 1 & 0xFE) | 1])


def pes(data, pts=None, length=None, stream_id=0xBD):
    """A PES: PES_packet_length from the bytes unless given (0 allowed)."""
    header = pts_bytes(pts) if pts is not None else b""
    optional = bytes([0x81, 0x80 if pts is not None else 0x00, len(header)]) + header
    body = optional + data
    if length is None:
        length = len(body)
    return b"\x00\x00\x01" + bytes([stream_id]) + length.to_bytes(2, "big") + body


def anc_record(user_data, did=0x41, sdid=0x07, line=12, offset=0, c_not_y=0, spoil=None):
    """An ST 2038 record; `spoil` is "parity" or "checksum"."""
    words = [word(did), word(sdid), word(len(user_data))] + [word(b) for b in user_data]
    if spoil == "parity":
        words[-1] ^= 0x100
    words.append(checksum(words) ^ (spoil == "checksum"))
    bits = "000000" + format(c_not_y, "01b") + format(line, "011b") + format(offset, "012b")
    bits += "".join(format(w, "010b") for w in words)
    bits += "1" * (-len(bits) % 8)
    return int(bits, 2).to_bytes(len(bits) // 8, "big")


def splice_request(event_id, pre_roll_ms, break_tenths, number=1, insert_type=1, auto_return=0):
    """A multiple_operation_message() with one splice_request_data()."""
    data = bytes([insert_type]) + event_id.to_bytes(4, "big") + (0).to_bytes(2, "big")
    data += pre_roll_ms.to_bytes(2, "big") + break_tenths.to_bytes(2, "big") + bytes([0, 0, auto_return])
    return multiple([(0x0101, data)], number)


def time_signal_request(pre_roll_ms, segmentation_event_id, duration_s=30, number=1):
    """time_signal_request_data() then a segmentation descriptor request (12 + L form)."""
    segmentation = segmentation_event_id.to_bytes(4, "big") + bytes([0]) + duration_s.to_bytes(2, "big")
    segmentation += bytes([0x09, 0]) + bytes([0x34, 0, 0])  # no UPID, Provider Placement Opportunity Start
    return multiple([(0x0104, pre_roll_ms.to_bytes(2, "big")), (0x010B, segmentation)], number)


def multiple(operations, number=1):
    ops = b"".join(op.to_bytes(2, "big") + len(d).to_bytes(2, "big") + d for op, d in operations)
    body = bytes([0, 0, number]) + b"\x00\x00" + bytes([0, 0, len(operations)]) + ops
    return b"\xff\xff" + (4 + len(body)).to_bytes(2, "big") + body


def alive_request(number=7):
    return single(0x0003, (1451879295).to_bytes(4, "big") + (257000).to_bytes(4, "big"), number=number)


def splice_time(pts):
    return bytes([0xFE | pts >> 32]) + (pts & 0xFFFFFFFF).to_bytes(4, "big")


def splice_info_section(command_type, command, descriptors=b"", sap_type=3, pts_adjustment=0, cw_index=0xFF,
                        tier=0xFFF, encrypted=0, algorithm=0, command_length=None):
    if command_length is None:
        command_length = len(command)
    body = bytes([0, encrypted << 7 | algorithm << 1 | pts_adjustment >> 32]) + (pts_adjustment & 0xFFFFFFFF).to_bytes(4, "big")
    body += bytes([cw_index, tier >> 4, (tier & 0xF) << 4 | command_length >> 8, command_length & 0xFF, command_type])
    body += command + len(descriptors).to_bytes(2, "big") + descriptors
    length = len(body) + 4
    return with_crc(bytes([0xFC, sap_type << 4 | length >> 8, length & 0xFF]) + body)


def splice_insert(event_id, pts, duration=None, auto_return=0, **section):
    command = event_id.to_bytes(4, "big") + b"\x7f"
    command += bytes([0x80 | 0x40 | (0x20 if duration is not None else 0) | 0x0F]) + splice_time(pts)
    if duration is not None:
        command += bytes([auto_return << 7 | 0x7E | duration >> 32]) + (duration & 0xFFFFFFFF).to_bytes(4, "big")
    command += b"\x00\x00\x00\x00"
    return splice_info_section(0x05, command, **section)


def time_signal(pts, segmentation_event_id, duration_ticks=2700000, **section):
    body = b"CUEI" + segmentation_event_id.to_bytes(4, "big") + b"\x7f"
    body += bytes([0x80 | 0x40 | 0x20 | 0x1F]) + duration_ticks.to_bytes(5, "big")
    body += bytes([0x09, 0]) + bytes([0x34, 0, 0])
    descriptor = bytes([0x02, len(body)]) + body
    return splice_info_section(0x06, splice_time(pts), descriptor, **section)


def splice_null(**section):
    return splice_info_section(0x00, b"", **section)


class Stream:
    """Packets in order, with a continuity counter per PID."""

    def __init__(self):
        self.packets = []
        self.cc = {}

    def add(self, pid, payload=b"", pusi=False, cc=None, ignored=False, **options):
        """`ignored`: a packet the reader drops before the counter check, which
        the counter of the packets after it does not count."""
        if cc is None:
            cc = self.cc.get(pid, -1) + 1 & 0xF
            if options.get("payload_present", True) is False:
                cc = self.cc.get(pid, 0)
        if options.get("payload_present", True) and not ignored:
            self.cc[pid] = cc
        self.packets.append(ts_packet(pid, payload, pusi, cc, **options))

    def sections(self, pid, sections, pointer=0):
        """Sections back to back from a unit start, over as many packets as they need."""
        data = bytes([pointer]) + b"".join(sections)
        first = True
        while data:
            self.add(pid, data[:184], pusi=first)
            data, first = data[184:], False

    def pes(self, pid, pes_bytes, **options):
        first = True
        while pes_bytes:
            self.add(pid, pes_bytes[:184], pusi=first, **options)
            pes_bytes, first = pes_bytes[184:], False

    def tables(self, pmt_pid=0x100, program=1, streams=()):
        self.sections(0, [pat([(0, 0x10), (program, pmt_pid)])])
        self.sections(pmt_pid, [pmt(program, list(streams))])

    def bytes(self, unit=188):
        if unit == 188:
            return b"".join(self.packets)
        if unit == 192:
            return b"".join(i.to_bytes(4, "big") + p for i, p in enumerate(self.packets))
        return b"".join(p + b"\x00" * 16 for p in self.packets)
