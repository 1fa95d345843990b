#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the small captures of the end-to-end cases into this directory.
# Every byte is made here; run it again after changing a case.
import os
import sys
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from capture_writer import (ACK, ETHERNET, FIN, LINUX_SLL2, MARK, PSH, RAW, RST, SYN, T0,  # noqa: E402
                            Conversation, frame, ipv4, packet, pcap, pcapng, single, stamped, tcp)

HERE = Path(__file__).resolve().parent
H = bytes.fromhex
AS, INJECTOR = ("10.0.0.5", 56176), ("10.0.0.9", 5167)

INIT_REQUEST = H("0001000dffffffff0000010000")
INIT_RESPONSE = H("0002000d0064ffff0000010000")
RESPONSES = H("0007000e0064ffff0000020000210008000f0078ffff00000300002101")


def worked_example():
    c = Conversation(AS, INJECTOR)
    frames = c.handshake() + [
        c.segment("c", payload=INIT_REQUEST), c.segment("s", payload=INIT_RESPONSE),
        c.segment("c", payload=MARK[:10]), c.segment("c", payload=MARK[10:]),
        c.segment("s", payload=RESPONSES),
        c.segment("c", FIN | ACK, H("0003000dffffffff00")), c.segment("s", FIN | ACK)]
    return [(s, us, frame(ETHERNET, f)) for s, us, f in stamped(frames, 124456, 1000)]


def mid_connection():
    """Linux cooked capture (SLL2) at nanoseconds, big-endian, taken after the
    handshake: a queue mark in two segments that arrive the wrong way round
    with sequence numbers wrapping between them, a retransmission that
    overlaps, two responses in one segment, and an RST."""
    c = Conversation(AS, INJECTOR, client_seq=0xFFFFFFF3)
    init = c.segment("c", payload=INIT_REQUEST)
    first = c.segment("c", payload=MARK[:20])
    second = c.segment("c", payload=MARK[20:])
    again = c.segment("c", payload=H("ee") * 20, seq=0xFFFFFFF3 + 5, advance=False)
    frames = [init, c.segment("s", payload=INIT_RESPONSE), second, first, again,
              c.segment("s", payload=RESPONSES), c.segment("c", RST | ACK, H("0011000dffffffff0000040000"))]
    records = [(T0, 5000 + 250 * i + (1 if i == 4 else 0), frame(LINUX_SLL2, f))
               for i, f in enumerate(frames)]
    return pcap(records, link=LINUX_SLL2, nano=True, big_endian=True)


def troubles():
    """pcapng, IPv6: a handshake, a queue mark before init_response, damaged
    framing, a segment that never arrives, answers late or never, silence."""
    c = Conversation(("2001:db8::5", 40000), ("2001:db8::9", 5167))
    mark = bytearray(MARK)
    mark[6] = 0x30
    frames = c.handshake()
    frames.append(c.segment("c", payload=bytes(mark)))                    # 4: before init
    frames.append(c.segment("s", payload=H("0002000d0065ffff0000010000")))  # 5: refused init
    frames.append(c.segment("c", payload=H("0101000dffffffff0000020000")))  # 6: wrong container
    frames.append(c.segment("c", payload=H("0003000d0064ffff00000300")))    # 7: request with result, 1 byte short
    frames.append(c.segment("c", payload=H("00")))                           # 8: completes it
    frames.append(c.segment("s", payload=H("0007000e0064ffff0000050000" "31")))  # 9: unknown number
    frames.append(c.segment("c", payload=H("0005000400")))                   # 10: framing lost
    frames.append(c.segment("c", payload=H("c0ffee")))                       # 11: no message start
    lost = c.segment("c", payload=INIT_REQUEST)                              # never captured
    frames.append(c.segment("c", payload=H("0004000dffffffff00000600") + H("0000")))  # 12: after the hole
    frames.append(c.segment("s", payload=H("8001000e0064ffff0000070000aa")))  # 13: user defined
    del lost
    times = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]
    records = [(T0 + t, 0, frame(ETHERNET, f)) for t, f in zip(times, frames)]
    records.append((T0 + 80, 500, frame(ETHERNET, c.segment("s", ACK))))  # 14: silence
    return pcapng(records)


def two_connections():
    """Two connections side by side on ports 6000 and 5167 with the
    provisioning messages; UDP, an IP fragment and ARP around them."""
    a = Conversation(("192.0.2.1", 50000), ("192.0.2.2", 6000))
    b = Conversation(("192.0.2.3", 50001), ("192.0.2.2", 5167))
    alive = single(0x0003, H("69a5f0e0" "0001e240"))
    config = single(0x0009, H("c0000201" "c350" "01" "00" "02" "0003" "01"))
    service = (H("c0000202" "13af") + b"news\x7f\"" + bytes(26) + H("01" "0064" "00" "01")
               + H("01" "07" "02" "08" "09" "01" "0a"))
    provisioning = single(0x000B, H("01") + service + H("ff"), number=2)
    fault = single(0x000F, H("c0000202" "13af") + b"sports" + bytes(26) + H("0064"), number=3)
    mark_refused = H("ffff000c0000010000000100")  # a UTC time stamp needs 8 more bytes
    frames = a.handshake() + b.handshake() + [
        a.segment("c", payload=INIT_REQUEST), a.segment("s", payload=INIT_RESPONSE),
        a.segment("c", payload=alive), b.segment("c", payload=config),
        a.segment("s", payload=single(0x0004, result=100)),
        b.segment("c", payload=provisioning + fault),
        ipv4("192.0.2.1", "192.0.2.2", tcp(50000, 6000, 1, PSH | ACK, INIT_REQUEST), fragment=0x2000),
        ipv4("192.0.2.1", "192.0.2.2", bytes.fromhex("c35016bf0015000000") + INIT_REQUEST, proto=17),
        a.segment("c", FIN | ACK), a.segment("s", FIN | ACK),
        b.segment("c", payload=mark_refused)]
    records = [(T0, i * 1000, frame(ETHERNET, f)) for i, f in enumerate(frames)]
    records.insert(3, (T0, 2500, bytes(12) + H("0806") + bytes(28)))  # ARP
    return pcap(records)


def reconnect():
    """BSD loopback (NULL, little-endian family), both ends on a listed port:
    a first segment with SYN and ACK makes its source the injector; a SYN
    with a new sequence number ends the connection and starts another, a
    repeated one changes nothing; after an RST a bare ACK is ignored and
    payload starts a third connection."""
    c = Conversation(("10.0.0.9", 5167), ("10.0.0.5", 5168), client_seq=100, server_seq=900)
    frames = [c.segment("s", SYN | ACK), c.segment("c", ACK), c.segment("c", payload=INIT_REQUEST[:7])]
    c.seq["c"] = 7000
    frames += [c.segment("c", SYN, advance=False), c.segment("c", SYN),
               c.segment("c", payload=INIT_REQUEST), c.segment("s", RST | ACK),
               c.segment("c", ACK), c.segment("c", payload=single(0x0011))]
    null = bytes.fromhex("02000000")
    return pcap([(T0, i * 1000, null + f) for i, f in enumerate(frames)], link=0)


def half_close():
    """Two connections that each side closes first in turn, with data after
    the first FIN. The first ends, before the capture does, with its queue
    mark answered only by an inject_complete_response (by proxy, which
    counts as success); the second's init_response comes by proxy too, its
    alive_response may not, and its client falls silent for 140 s, which is
    reported once."""
    a = Conversation(AS, INJECTOR)
    b = Conversation(("10.0.0.6", 56177), INJECTOR)
    alive = single(0x0003, H("69a5f0e0" "0001e240"))
    first = a.handshake() + [
        a.segment("c", payload=INIT_REQUEST), a.segment("s", payload=INIT_RESPONSE),
        a.segment("c", payload=MARK), a.segment("s", payload=single(0x0008, H("2101"), result=128)),
        a.segment("s", FIN | ACK), a.segment("c", payload=alive), a.segment("c", FIN | ACK)]
    second = b.handshake() + [b.segment("c", payload=INIT_REQUEST),
                              b.segment("s", payload=single(0x0002, result=128)), b.segment("c", payload=alive)]
    records = stamped(first + second, 124456, 1000)
    records += [(T0 + 70, 0, b.segment("s", ACK)), (T0 + 140, 0, b.segment("s", ACK)),
                (T0 + 141, 0, b.segment("c", FIN | ACK)),
                (T0 + 141, 1000, b.segment("s", payload=single(0x0004, result=128))),
                (T0 + 141, 2000, b.segment("s", FIN | ACK))]
    return pcap([(s, us, frame(ETHERNET, f)) for s, us, f in records])


def cut_file():
    """The worked example, cut inside its eighth record."""
    data = pcap(worked_example())
    return data[:24 + sum(16 + len(r[2]) for r in worked_example()[:7]) + 30]


def write(name, data):
    (HERE / name).write_bytes(data)


def main():
    write("worked_example.pcap", pcap(worked_example()))
    write("mid_connection.pcap", mid_connection())
    write("troubles.pcapng", troubles())
    write("two_connections.pcap", two_connections())
    write("cut.pcap", cut_file())
    write("reconnect.pcap", reconnect())
    write("half_close.pcap", half_close())
    write("link_147.pcap", pcap([(T0, 0, INIT_REQUEST)], link=147))
    write("raw_ipv4.pcap", pcap([(T0, 0, packet(AS[0], INJECTOR[0], AS[1], INJECTOR[1], 7, PSH | ACK, INIT_REQUEST))], link=RAW))


if __name__ == "__main__":
    main()
