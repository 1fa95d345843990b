#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The section objects that --ts --json-lines shows, checked against the
# schema's reader object ($defs/scte35_section): those of every stream
# beside this file, and those of a stream made here that carries every form
# the reader shows (alignment stuffing, an encrypted section, splice_times
# without a time, component mode in splice_insert and in
# segmentation_descriptor, every descriptor typed and copied, commands kept
# as bytes, a legacy splice_command_length, header bits other equipment
# sets). The schema allows no member it does not describe, so a member the
# reader gains and the schema lacks fails here.
#
# usage: check_section_schema.py BINARY SCHEMA
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

import jsonschema

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stream_writer import Stream, splice_info_section, splice_time, with_crc  # noqa: E402

HERE = Path(__file__).resolve().parent
SCTE35 = 500
STREAMS = [(0x86, SCTE35, b"")]


def restamped(section, first_byte_bits=0, stuffing=b""):
    """The section with bits set in its second byte (section_syntax_indicator,
    private_indicator) and stuffing before CRC_32; lengths and CRC_32 redone."""
    body = bytearray(section[:-4] + stuffing)
    length = len(body) - 3 + 4
    body[1] = (body[1] | first_byte_bits) & 0xF0 | length >> 8
    body[2] = length & 0xFF
    return with_crc(bytes(body))


def cuei(tag, body):
    return bytes([tag, 4 + len(body)]) + b"CUEI" + body


def segmentation(event_id, cancel=False, components=None, duration=None, restricted=False, sub=False):
    body = event_id.to_bytes(4, "big") + bytes([0xFF if cancel else 0x7F])
    if not cancel:
        flags = (0 if components is not None else 0x80) | (0x40 if duration is not None else 0)
        flags |= 0x00 | 0x10 | 0x08 | 0x04 | 0x01 if restricted else 0x20 | 0x1F
        body += bytes([flags])
        if components is not None:
            body += bytes([len(components)])
            for tag, offset in components:
                body += bytes([tag, 0xFE | offset >> 32]) + (offset & 0xFFFFFFFF).to_bytes(4, "big")
        if duration is not None:
            body += duration.to_bytes(5, "big")
        body += bytes([0x0C, 4]) + b"UPID" + bytes([0x34, 1, 2])
        if sub:
            body += bytes([1, 3])
    return cuei(0x02, body)


def insert_command(event_id, flags, middle, duration=None):
    """splice_insert(): flags are out_of_network_indicator .. splice_immediate_flag."""
    command = event_id.to_bytes(4, "big") + b"\x7f" + bytes([flags << 4 | 0x0F]) + middle
    if duration is not None:
        command += bytes([0xFE | duration >> 32]) + (duration & 0xFFFFFFFF).to_bytes(4, "big")
    return command + b"\x00\x07\x01\x02"


def every_form():
    untimed = b"\x7f"  # splice_time() with time_specified_flag 0
    descriptors = (cuei(0x00, b"\x00\x00\x00\x2a") + cuei(0x01, b"\x0a\x7f" + b"12#") +
                   cuei(0x03, bytes(6) + bytes(4) + b"\x00\x25") + bytes([0x80, 4]) + b"ABCD" +
                   bytes([0x01, 8]) + b"XYZW" + bytes(4) +
                   segmentation(1, duration=2700000, sub=True) + segmentation(2, cancel=True) +
                   segmentation(3, components=[(1, 3003), (2, 0)], restricted=True))
    sections = [
        splice_info_section(0x00, b"", descriptors, sap_type=0, pts_adjustment=45000, cw_index=3, tier=0x123),
        splice_info_section(0x06, untimed),
        splice_info_section(0x06, splice_time(900000), command_length=0xFFF),
        splice_info_section(0x05, (9).to_bytes(4, "big") + b"\xff"),  # cancel
        splice_info_section(0x05, insert_command(10, 0b1111, b"", duration=2700000)),  # immediate
        splice_info_section(0x05, insert_command(11, 0b1100, untimed)),
        splice_info_section(0x05, insert_command(12, 0b0000, b"\x02\x01" + splice_time(1000) + b"\x02" + untimed)),
        splice_info_section(0x05, insert_command(13, 0b1001, b"\x01\x03")),  # immediate components
        splice_info_section(0x04, b"\x00"),
        splice_info_section(0x07, b""),
        splice_info_section(0xFF, b"CUEI\x01\x02"),
        splice_info_section(0x06, splice_time(1000), encrypted=1, algorithm=1),
        restamped(splice_info_section(0x00, b""), first_byte_bits=0xC0, stuffing=b"\xa5" * 4),
    ]
    s = Stream()
    s.tables(streams=STREAMS)
    for section in sections:  # each from a unit start of its own
        s.sections(SCTE35, [section])
    return s.bytes(), len(sections)


def section_objects(binary, path):
    run = subprocess.run([binary, "--ts", "--json-lines", str(path)], capture_output=True, check=False)
    if run.returncode != 0:
        sys.exit(f"{path.name}: status {run.returncode}: {run.stderr.decode(errors='replace')}")
    lines = [json.loads(line) for line in run.stdout.splitlines()]
    return [line["scte35"] for line in lines if line.get("kind") == "splice_info_section"]


def main():
    binary, schema_path = sys.argv[1], sys.argv[2]
    schema = json.loads(Path(schema_path).read_text())
    validator = jsonschema.Draft202012Validator({"$defs": schema["$defs"], "$ref": "#/$defs/scte35_section"})
    failures = 0
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        stream, count = every_form()
        made = Path(work) / "every_form.ts"
        made.write_bytes(stream)
        objects = section_objects(binary, made)
        if len(objects) != count:
            print(f"every_form.ts: {len(objects)} section lines for {count} sections")
            failures += 1
        for path in [made] + sorted(HERE.glob("*.ts")):
            for number, obj in enumerate(objects if path == made else section_objects(binary, path), 1):
                checked += 1
                for error in validator.iter_errors(obj):
                    failures += 1
                    where = "/".join(str(p) for p in error.absolute_path)
                    print(f"{path.name}: section {number}: {where}: {error.message}")
    print(f"{checked} section objects checked, {failures} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
