# SPDX-License-Identifier: MIT
# Capture files written byte by byte: pcap (either byte order, micro- or
# nanosecond stamps) and pcapng, with Ethernet (VLAN tags too), Linux
# cooked (SLL2), raw IPv4/IPv6 frames around TCP segments and UDP datagrams. Shared by the end-to-end captures
# and the benchmark's generator.
import ipaddress
import struct

SYN, FIN, RST, ACK, PSH = 0x02, 0x01, 0x04, 0x10, 0x08
ETHERNET, RAW, LINUX_SLL2 = 1, 101, 276
T0 = 1768324732  # 2026-01-13T17:18:52Z, when every capture of the end-to-end cases starts
# The queue mark the captures carry: a splice_request_data(), message_number 0x21.
MARK = bytes.fromhex("ffff001e0001210fa000" "00010101000e010000000100001f400258000000")


def stamped(frames, first_us, step_us, start=T0):
    """(seconds, microseconds, frame) records, the frames step_us apart."""
    return [(start, first_us + i * step_us, f) for i, f in enumerate(frames)]


def ip_bytes(address):
    return ipaddress.ip_address(address).packed


def tcp(src_port, dst_port, seq, flags, payload=b"", ack=0):
    return struct.pack(">HHIIBBHHH", src_port, dst_port, seq & 0xFFFFFFFF, ack & 0xFFFFFFFF,
                       5 << 4, flags, 65535, 0, 0) + payload


def udp(src_port, dst_port, payload, length=None):
    """A UDP datagram; `length` overrides the header's length field."""
    return struct.pack(">HHHH", src_port, dst_port, 8 + len(payload) if length is None else length,
                       0) + payload


def udp_packet(src, dst, sport, dport, payload, length=None):
    """An IP packet (v4 or v6 after the addresses) holding one UDP datagram."""
    datagram = udp(sport, dport, payload, length)
    if ":" in src:
        return ipv6(src, dst, datagram, next_header=17)
    return ipv4(src, dst, datagram, proto=17)


def ipv4(src, dst, segment, proto=6, fragment=0):
    header = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(segment), 0, fragment, 64, proto, 0,
                         ip_bytes(src), ip_bytes(dst))
    return header + segment


def ipv6(src, dst, segment, next_header=6, extension=b""):
    return struct.pack(">IHBB16s16s", 6 << 28, len(extension) + len(segment), next_header, 64,
                       ip_bytes(src), ip_bytes(dst)) + extension + segment


def packet(src, dst, sport, dport, seq, flags, payload=b""):
    """An IP packet (v4 or v6 after the addresses) holding one TCP segment."""
    segment = tcp(sport, dport, seq, flags, payload)
    if ":" in src:
        return ipv6(src, dst, segment)
    return ipv4(src, dst, segment)


def ethernet(ip_packet, pad_to=60, vlans=()):
    ether_type = 0x86DD if ip_packet[0] >> 4 == 6 else 0x0800
    tags = b"".join(struct.pack(">HH", 0x8100, vlan) for vlan in vlans)
    frame = (bytes(6) + bytes.fromhex("020000000001") + tags + struct.pack(">H", ether_type)
             + ip_packet)
    return frame + bytes(max(0, pad_to - len(frame)))


def sll2(ip_packet):
    ether_type = 0x86DD if ip_packet[0] >> 4 == 6 else 0x0800
    return struct.pack(">HHIHBB8s", ether_type, 0, 2, 1, 0, 6, bytes(8)) + ip_packet


def frame(link, ip_packet):
    if link == ETHERNET:
        return ethernet(ip_packet)
    if link == LINUX_SLL2:
        return sll2(ip_packet)
    return ip_packet


def pcap(records, link=ETHERNET, nano=False, big_endian=False, snaplen=65535):
    """records: (seconds, fraction, frame[, original length]) in microseconds or nanoseconds."""
    order = ">" if big_endian else "<"
    magic = 0xA1B23C4D if nano else 0xA1B2C3D4
    out = [struct.pack(order + "IHHiIII", magic, 2, 4, 0, 0, snaplen, link)]
    for record in records:
        seconds, fraction, data = record[:3]
        length = record[3] if len(record) > 3 else len(data)
        out.append(struct.pack(order + "IIII", seconds, fraction, len(data), length) + data)
    return b"".join(out)


def pcapng(records, link=ETHERNET):
    """records: (seconds, nanoseconds, frame); stamps at nanosecond resolution."""
    def block(kind, body):
        body += bytes(-len(body) % 4)
        return struct.pack("<II", kind, len(body) + 12) + body + struct.pack("<I", len(body) + 12)
    section = block(0x0A0D0D0A, struct.pack("<IHHq", 0x1A2B3C4D, 1, 0, -1))
    options = struct.pack("<HHB3x", 9, 1, 9) + struct.pack("<HH", 0, 0)  # if_tsresol = 10^-9
    interface = block(1, struct.pack("<HHI", link, 0, 65535) + options)
    out = [section, interface]
    for seconds, nanoseconds, data in records:
        stamp = seconds * 1000000000 + nanoseconds
        out.append(block(6, struct.pack("<IIIII", 0, stamp >> 32, stamp & 0xFFFFFFFF, len(data),
                                        len(data)) + data))
    return b"".join(out)


def single(op_id, data=b"", result=0xFFFF, number=1):
    """An SCTE 104 single_operation_message(): the 13-byte header, then data()."""
    return (op_id.to_bytes(2, "big") + (13 + len(data)).to_bytes(2, "big") + result.to_bytes(2, "big")
            + bytes.fromhex("ffff0000") + bytes([number]) + bytes.fromhex("0000") + data)


class Conversation:
    """Both directions of one TCP connection, each keeping its sequence number."""

    def __init__(self, client, server, client_seq=1000, server_seq=5000):
        (self.client, self.cport), (self.server, self.sport) = client, server
        self.seq = {"c": client_seq, "s": server_seq}

    def segment(self, side, flags=ACK | PSH, payload=b"", seq=None, advance=True):
        src, dst, sport, dport = ((self.client, self.server, self.cport, self.sport) if side == "c"
                                  else (self.server, self.client, self.sport, self.cport))
        at = self.seq[side] if seq is None else seq
        if advance:
            self.seq[side] = at + len(payload) + (1 if flags & (SYN | FIN) else 0)
        return packet(src, dst, sport, dport, at, flags, payload)

    def handshake(self):
        return [self.segment("c", SYN), self.segment("s", SYN | ACK), self.segment("c", ACK)]
