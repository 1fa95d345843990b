#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the small captures of the --anc end-to-end cases into this
# directory. Every byte is made here; run it again after changing a case.
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "pcap"))
from capture_writer import (LINUX_SLL2, MARK, PSH, T0, ACK, ethernet, frame, packet, pcap,  # noqa: E402
                            pcapng, stamped, udp_packet, ipv4, udp)
from rtp_writer import anc_packet, payload, rtp, scte104  # noqa: E402

H = bytes.fromhex
SENDER, GROUP = ("192.168.10.5", 50000), ("239.1.40.1", 5004)
# An alive_request beside the captures' queue mark.
ALIVE = H("00030015ffffffff0000070000" "5689eb7f0003ebe8")
CAPTION = anc_packet(0x61, 0x01, bytes(range(10)), line=11)


def datagram(body, src=SENDER, dst=GROUP, vlans=()):
    return ethernet(udp_packet(src[0], dst[0], src[1], dst[1], body), vlans=vlans)


def records(frames):
    return stamped(frames, 140139, 16683)


def example():
    """A keep-alive; the 16-bit number wraps with the Extended Sequence
    Number raised; a lost packet; a field marked invalid."""
    ts = 0x6DDD0000
    bodies = [
        rtp(0xFFFF, ts, payload([], extended=3, field=2)),
        rtp(0x0000, ts + 0x5DD, payload([scte104(MARK, line=13), CAPTION], extended=4, field=3)),
        rtp(0x0002, ts + 0x1197, payload([scte104(ALIVE, line=13, stream=0)], extended=4, field=3)),
        rtp(0x0003, ts + 0x1774, payload([scte104(MARK, line=13)], extended=4, field=1)),
    ]
    return pcap(records([datagram(b) for b in bodies]))


def padding_bit(packet):
    """The packet with P set, whatever its last byte says."""
    return bytes([packet[0] | 0x20]) + packet[1:]


def rtp_layers():
    """VLAN-tagged Ethernet. RTP headers with CSRCs, an extension and
    padding around a message; datagrams on the port that are no RTP; other
    traffic that is ignored; each payload header fault."""
    ok = payload([scte104(ALIVE)])
    frames = [
        rtp(1, 100, ok, csrcs=(0x11111111, 0x22222222), extension=bytes(8), padding=3),
        H("8064"),                                                   # no whole header
        rtp(2, 100, ok, version=1),                                  # version 1
        rtp(2, 100, b"", csrcs=(1, 2, 3))[:20],                      # CSRCs past the end
        rtp(2, 100, b"", extension=bytes(8))[:20],                   # extension past the end
        padding_bit(rtp(2, 100, ok + b"\x00")),                       # padding count 0
        padding_bit(rtp(2, 100, H("000010"))),                      # padding eats the header
        rtp(2, 100, H("00000000")),                                  # short payload header
        rtp(3, 100, payload([scte104(ALIVE)], reserved=1)),          # reserved bit
        rtp(4, 100, payload([scte104(ALIVE)], length=41)),           # Length past the data
        rtp(5, 100, payload([scte104(ALIVE)], length=39)),           # Length short of it
        rtp(6, 100, payload([scte104(ALIVE)], field=1)),             # F = 01
        rtp(7, 100, payload([])),                                    # ANC_Count 0
        rtp(8, 200, payload([scte104(ALIVE, line=20, offset=0xFFF, c=1, stream=5)], field=2)),
    ]
    out = [datagram(f, vlans=(40,)) for f in frames]
    # Ignored: another port, TCP on the port, a UDP length past the packet,
    # a UDP length below 8, an IP fragment.
    out.append(datagram(rtp(9, 300, payload([scte104(MARK)])), dst=(GROUP[0], 5006)))
    out.append(ethernet(packet(SENDER[0], GROUP[0], SENDER[1], GROUP[1], 1, PSH | ACK, ok)))
    out.append(ethernet(ipv4(SENDER[0], GROUP[0], udp(SENDER[1], GROUP[1], ok, length=200), proto=17)))
    out.append(ethernet(ipv4(SENDER[0], GROUP[0], udp(SENDER[1], GROUP[1], ok, length=7), proto=17)))
    out.append(ethernet(ipv4(SENDER[0], GROUP[0], udp(SENDER[1], GROUP[1], rtp(9, 300, ok)), proto=17,
                             fragment=0x2000)))
    return pcap(records(out))


def anc_packets():
    """pcapng, IPv6: ANC packets of 0 to 15 user data words (every size
    modulo 32 bits), several to an RTP packet around a message; parity and
    checksum faults; a packet that passes the ANC data; bytes left over."""
    src, dst = ("2001:db8::5", 40000), ("ff15::1:40", 5004)
    sizes = [anc_packet(0x60 + n % 3, n, bytes(range(n)), line=10 + n) for n in range(16)]
    bodies = [
        rtp(1, 0, payload(sizes[:8] + [scte104(MARK, line=13)] + sizes[8:])),
        rtp(2, 0, payload([anc_packet(0x61, 0x01, H("0102"), bad_parity=True),
                           scte104(ALIVE, bad_checksum=True)])),
        rtp(3, 0, payload([anc_packet(0x61, 0x01, H("01020304"), count=9)])),   # cut by its Data_Count
        rtp(4, 0, payload([sizes[2]], count=2)),                                # fewer than 8 bytes left
        rtp(5, 0, payload([scte104(ALIVE)], extra=bytes(4))),                   # 4 bytes extra
        rtp(6, 0, payload([anc_packet(0x41, 0x07, b"")])),                      # SCTE 104 DID, no words
    ]
    frames = [ethernet(udp_packet(src[0], dst[0], src[1], dst[1], b)) for b in bodies]
    return pcapng([(T0, 1000 * i, f) for i, f in enumerate(frames)])


def sequences():
    """Linux cooked (SLL2) at nanoseconds: every ordering rule, the 16-bit
    wrap with and without the Extended Sequence Number raised, a jump seen
    only in the extended number, and a missing marker."""
    def at(seq, ext, ts=0, marker=True):
        return rtp(seq, ts, payload([], extended=ext), marker=marker)
    bodies = [
        at(10, 0), at(11, 0), at(13, 0),          # 2 missing: a gap of 1
        at(12, 0),                                # behind
        at(13, 0),                                # duplicate of the highest
        at(14, 0, ts=1, marker=False),            # in order, no marker
        at(15, 0, ts=2),                          # timestamp changed: missing_marker
        at(16, 0, ts=2),
        at(0xFFFF, 0, ts=3),                      # a gap up to the wrap
        at(0x0000, 1, ts=3),                      # wraps with the extended number raised
        at(0x0001, 2, ts=3),                      # same 16 bits + 1, but 65536 further
        at(0xFFFF, 2, ts=4),
        at(0x0000, 2, ts=4),                      # wraps without raising it: behind
        at(0x0001, 2, ts=4),                      # ... and behind from then on
    ]
    frames = [frame(LINUX_SLL2, udp_packet(SENDER[0], GROUP[0], SENDER[1], GROUP[1], b)) for b in bodies]
    return pcap([(T0, 1000000 * i + 7, f) for i, f in enumerate(frames)], link=LINUX_SLL2, nano=True)


def streams():
    """Two senders to one group and one sender with two SSRCs; messages cut
    over ANC packets in both readings of the flags, interleaved between the
    streams; a gap while parts wait; an orphan; a new first part while one
    waits; parts still waiting at the end."""
    a, b = ("192.168.10.5", 50000), ("192.168.10.6", 50000)
    first, middle, last = MARK[:12], MARK[12:20], MARK[20:]

    def send(src, seq, anc, ssrc=1):
        return datagram(rtp(seq, seq, payload(anc), ssrc=ssrc), src=src)
    frames = [
        send(a, 1, [scte104(first, 0x0C)]),
        send(b, 1, [scte104(first, 0x0A)]),                  # the other reading
        send(a, 1, [scte104(ALIVE, 0x0A)], ssrc=2),          # another SSRC: waits alone
        send(a, 2, [scte104(middle, 0x0E)]),
        send(b, 2, [scte104(middle, 0x0E), scte104(last, 0x0C)]),   # b complete: 3 fragments
        send(a, 3, [scte104(last, 0x0A, line=14)]),          # a complete: 3 fragments
        send(a, 4, [scte104(middle, 0x0E)]),                 # orphan
        send(a, 5, [scte104(first, 0x0C)]),
        send(a, 7, [scte104(last, 0x0A)]),                   # gap drops the first part; last alone
        send(b, 3, [scte104(first, 0x0C), scte104(first, 0x0C)]),   # a new first part while one waits
        send(b, 4, [scte104(MARK, 0x2C)]),                   # whole, but waiting parts dropped; bad descriptor
        send(a, 8, [scte104(H("ffff00"), 0x08)]),            # too short for a message
        send(a, 9, [scte104(H("0003000c") + bytes(8))]),    # messageSize below 13
        send(a, 10, [scte104(first, 0x0C)]),                 # waits at the end
    ]
    return pcap(records(frames))


def cut():
    """The example cut inside its third record."""
    data = example()
    return data[:len(data) - 120]


def write(name, data):
    (HERE / name).write_bytes(data)


def main():
    write("example.pcap", example())
    write("rtp_layers.pcap", rtp_layers())
    write("anc_packets.pcapng", anc_packets())
    write("sequences.pcap", sequences())
    write("streams.pcap", streams())
    write("cut.pcap", cut())


if __name__ == "__main__":
    main()
