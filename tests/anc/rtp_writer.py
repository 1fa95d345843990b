# SPDX-License-Identifier: MIT
# ST 2110-40 packets written bit by bit: the RTP header (RFC 3550), the
# RFC 8331 payload header and ANC packets of 10-bit words (ST 291) aligned
# to 32 bits. Shared by the end-to-end captures and the benchmark.
import struct

SCTE104 = (0x41, 0x07)


def word(value):
    """An 8-bit value as a 10-bit word: bit 8 even parity, bit 9 its inverse."""
    parity = bin(value & 0xFF).count("1") & 1
    return value & 0xFF | parity << 8 | (parity ^ 1) << 9


def checksum(words):
    total = sum(w & 0x1FF for w in words) & 0x1FF
    return total | ((total >> 8) ^ 1) << 9


def anc_packet(did, sdid, data, line=9, offset=0, c=0, stream=None, bad_parity=False,
               bad_checksum=False, count=None):
    """One ANC packet with its word_align bits; `count` overrides Data_Count."""
    words = [word(did), word(sdid), word(len(data) if count is None else count)]
    words += [word(b) for b in data]
    if bad_parity:
        words[-1] ^= 0x300
    cs = checksum(words)
    words.append(cs ^ 1 if bad_checksum else cs)
    s, num = (0, 0) if stream is None else (1, stream)
    bits = format(c, "01b") + format(line, "011b") + format(offset, "012b") + format(s, "01b")
    bits += format(num, "07b")
    bits += "".join(format(w, "010b") for w in words)
    bits += "0" * (-len(bits) % 32)
    return int(bits, 2).to_bytes(len(bits) // 8, "big")


def scte104(message, descriptor=0x08, **placement):
    """An ANC packet carrying SCTE 104 bytes behind a payload descriptor."""
    return anc_packet(*SCTE104, bytes([descriptor]) + message, **placement)


def payload(packets, extended=0, field=0, length=None, count=None, reserved=0, extra=b""):
    """The RFC 8331 payload: header, then the ANC packets (and `extra` bytes)."""
    data = b"".join(packets) + extra
    header = struct.pack(">HHBBH", extended, len(data) if length is None else length,
                         len(packets) if count is None else count,
                         field << 6 | reserved >> 16, reserved & 0xFFFF)
    return header + data


def rtp(sequence, timestamp, body, ssrc=0x5F3A0C01, pt=100, marker=True, csrcs=(), extension=None,
        padding=0, version=2):
    """An RTP packet; `extension` is the extension's words as bytes."""
    first = version << 6 | (0x20 if padding else 0) | (0x10 if extension is not None else 0) | len(csrcs)
    header = struct.pack(">BBHII", first, (0x80 if marker else 0) | pt, sequence & 0xFFFF,
                         timestamp & 0xFFFFFFFF, ssrc)
    header += b"".join(struct.pack(">I", c) for c in csrcs)
    if extension is not None:
        header += struct.pack(">HH", 0xBEDE, len(extension) // 4) + extension
    pad = bytes(padding - 1) + bytes([padding]) if padding else b""
    return header + body + pad
