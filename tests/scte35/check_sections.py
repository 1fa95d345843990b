#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Checks SCTE 35 sections against decoders that are not ours: every field
# that Wireshark's SCTE 35 dissector shows must match what our JSON says,
# and every CRC_32 must be what Debian's crcmod computes.
#
# usage: check_sections.py SECTIONS.jsonl
# SECTIONS.jsonl holds one section object of our JSON report per line
# (run_cli_tests.py --sections writes it). Needs tshark, text2pcap and
# python3-crcmod; without them it says what is missing and passes.
import base64
import json
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    import crcmod.predefined
except ImportError:
    crcmod = None

USER_DLT = 'uat:user_dlts:"User 0 (DLT=147)","mpeg_sect","0","","0",""'

# Our field names, by where they stand, and the dissector's.
SECTION = {"table_id": "tid", "section_syntax_indicator": "syntax_indicator", "private_indicator": "private",
           "sap_type": "reserved", "section_length": "len", "protocol_version": "protocol_version",
           "encrypted_packet": "encrypted_packet", "encryption_algorithm": "encryption_algorithm",
           "pts_adjustment": "pts_adjustment", "cw_index": "cw_index", "tier": "tier",
           "splice_command_length": "splice_command_length", "splice_command_type": "splice_command_type",
           "descriptor_loop_length": "desc_len", "CRC_32": "crc"}
SPLICE_INSERT = {"splice_event_id": "event_id", "splice_event_cancel_indicator": "cancelled",
                 "out_of_network_indicator": "out_of_net", "program_splice_flag": "psf",
                 "duration_flag": "duration_flag", "splice_immediate_flag": "splice_immediate",
                 "component_count": "component_count", "unique_program_id": "upid", "avail_num": "avail",
                 "avails_expected": "avails_expected", "auto_return": "break.auto_return",
                 "duration": "break.duration"}
SPLICE_TIME = {"time_specified_flag": "time_specified", "pts_time": "pts"}
DESCRIPTOR = {"splice_descriptor_tag": "tag", "descriptor_length": "length", "identifier": "identifier",
              "provider_avail_id": "provider_avail_id", "preroll": "preroll", "dtmf_count": "dtmf_count",
              "DTMF_char": "dtmf", "segmentation_event_id": "event_id",
              "segmentation_event_cancel_indicator": "cancel_indicator", "program_segmentation_flag": "psf",
              "segmentation_duration_flag": "sdf", "delivery_not_restricted_flag": "dnr",
              "web_delivery_allowed_flag": "web_delivery_allowed", "no_regional_blackout_flag": "no_regional_blackout",
              "archive_allowed_flag": "archive_allowed", "device_restrictions": "device_restrictions",
              "segmentation_duration": "segmentation_duration", "segmentation_upid_type": "upid_type",
              "segmentation_upid_length": "upid_length", "segmentation_upid": "upid",
              "segmentation_type_id": "segmentation_type_id", "segment_num": "segment_num",
              "segments_expected": "segments_expected"}
# Wireshark 4.0 does not show these; the bytes and the CRC still cover them.
NOT_SHOWN = {"sub_segment_num", "sub_segments_expected", "TAI_seconds", "TAI_ns", "UTC_offset", "data"}


def ours(section):
    # (dissector field, value) pairs in wire order, grouped as the dissector groups them.
    head = [("scte35." + SECTION[k], v) for k, v in section.items() if k in SECTION]
    command = []

    def walk(record, prefix, names):
        for key, value in record.items():
            if key == "splice_time":
                walk(value, prefix + ("splice_time." if prefix == "scte35_si." else ""), SPLICE_TIME)
            elif key == "break_duration":
                walk(value, prefix, SPLICE_INSERT)
            elif key == "components":
                for component in value:
                    command.append(("scte35_si.component.tag", component["component_tag"]))
                    if "splice_time" in component:
                        walk(component["splice_time"], "scte35_si.component.", SPLICE_TIME)
            elif key in names:
                command.append((prefix + names[key], value))

    kind = section["splice_command_type"]
    if kind == 5:
        walk(section["splice_command"], "scte35_si.", SPLICE_INSERT)
    elif kind == 6:
        walk(section["splice_command"], "scte35_time.splice.", SPLICE_TIME)
    descriptors = []
    for d in section["descriptors"]:
        if "data" in d:  # a copied image: the dissector reads an identifier from its body
            d = dict(d, identifier=int(d["data"][:8], 16)) if len(d["data"]) >= 8 else d
        descriptors += [("scte35.splice_descriptor." + DESCRIPTOR[k], v) for k, v in d.items()
                        if k in DESCRIPTOR and not (k == "segmentation_upid" and v == "")]
    return head, command, descriptors


def theirs(layers):
    # The dissector's fields in the order it shows them, nested trees flattened.
    pairs = []

    def flatten(items):
        for key, value in items:
            if isinstance(value, list):
                flatten(value)
            elif key.startswith(("scte35.", "scte35_si.", "scte35_time.")):
                pairs.append((key, value))
    flatten(layers)
    return pairs


def same(value, shown):
    if isinstance(value, int):
        return int(shown, 0) == value
    if all(c in "0123456789abcdef" for c in value) and len(value) % 2 == 0:  # a byte run
        text = bytes.fromhex(value)
        return not text.isascii() or not text.decode().isprintable() or text.decode() == shown
    return value == shown


def check(section, layers, crc):
    problems = []
    raw = bytes.fromhex(section["hex"])
    if base64.b64decode(section["base64"]) != raw:
        problems.append("base64 and hex differ")
    if crc(raw[:-4]) != int.from_bytes(raw[-4:], "big") or section["CRC_32"] != crc(raw[:-4]):
        problems.append("CRC_32 is not CRC-32/MPEG-2 of the bytes before it")
    if len(raw) != 3 + section["section_length"] or len(raw) > 4096:
        problems.append("section_length does not count the bytes")
    shown = theirs(layers)
    head, command, descriptors = ours(section)
    if any("sub_segment_num" in d for d in section["descriptors"]):
        # Wireshark 4.0 reads no sub-segment fields and takes them for another descriptor, which
        # ends its dissection there: what follows them is left to the bytes and the CRC.
        head, command = head[:-1], []
    for group in (head, command, descriptors):
        keys = {key for key, _ in group}
        got = [(k, v) for k, v in shown if k in keys]
        want = [(k, v) for k, v in group if k not in NOT_SHOWN]
        if len(got) < len(want) or not all(k == gk and same(v, gv) for (k, v), (gk, gv) in zip(want, got)):
            problems.append("fields differ:\n  ours    %s\n  tshark  %s" % (want, got))
    return problems


def main():
    missing = [name for name, there in (("tshark", shutil.which("tshark")), ("text2pcap", shutil.which("text2pcap")),
                                        ("python3-crcmod", crcmod)) if not there]
    if missing:
        print("skipped: the SCTE 35 sections are not checked without %s" % ", ".join(missing))
        return 0
    sections = [json.loads(line) for line in Path(sys.argv[1]).read_text().splitlines()]
    with tempfile.TemporaryDirectory() as work:
        dump = Path(work) / "sections.txt"
        with dump.open("w") as out:  # one packet per section: its offsets start again at 0
            for section in sections:
                h = section["hex"]
                for at in range(0, len(h), 32):
                    out.write("%06x %s\n" % (at // 2, " ".join(h[i:i + 2] for i in range(at, min(at + 32, len(h)), 2))))
        capture = Path(work) / "sections.pcap"
        subprocess.run(["text2pcap", "-q", "-l", "147", str(dump), str(capture)], check=True)
        shown = subprocess.run(["tshark", "-r", str(capture), "-o", USER_DLT, "-T", "json"], check=True,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    packets = json.loads(shown, object_pairs_hook=list)
    crc = crcmod.predefined.mkCrcFun("crc-32-mpeg")
    failures = 0
    for section, packet in zip(sections, packets):
        layers = dict(dict(packet)["_source"])["layers"]
        problems = check(section, layers, crc)
        for p in problems:
            print("%s: %s" % (section["hex"][:40], p))
        failures += bool(problems)
    if len(packets) != len(sections):
        print("tshark read %d packets of %d sections" % (len(packets), len(sections)))
        failures += 1
    print("%d sections checked by tshark and crcmod, %d failed" % (len(sections), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
