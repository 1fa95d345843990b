#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases for the scte104 binary.
#
# Each case runs the built binary (under the name "scte104" unless it says
# otherwise) and compares standard output, standard error and exit status.
# Text reports are compared byte for byte; JSON reports are parsed and
# checked key by key, and with --schema also validated against the schema.
# Every input byte is written from hexadecimal here.
#
# usage: run_cli_tests.py BINARY [--schema FILE] [--wrap "valgrind -q"] [--only a,b]
import argparse
import base64
import json
import os
import shlex
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from e2e import FULL_DISK, ROOT, USAGE, differences, report  # noqa: E402
from e2e import run as e2e_run  # noqa: E402
from e2e import Case as e2e_case  # noqa: E402

EXPECTED = Path(__file__).resolve().parent / "expected"
SECTIONS = []  # every SCTE 35 section of every JSON report, for a check by another decoder
HELP_B64 = "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="
HELP_MSG = "ffff001e0000ab00000000010101000e01400002b4000001e004b0000000"
NOT_INITIALIZED = b"Data is not initialized\n"
EMPTY = b"scte104: Input is empty: expected a lead byte and a message\n"
TOP_KEYS = ["hex", "base64", "decoded_size", "reserved", "message_size", "protocol_version", "AS_index",
            "message_number", "DPI_PID_index", "SCTE35_protocol_version", "timestamp", "num_ops", "operations"]


def b64(message_hex, lead="08"): return base64.b64encode(bytes.fromhex(lead + message_hex)).decode()  # noqa: E704


def message(ops):  # time type 0 and the (opID, data hex) operations
    return "ffff000000000000000000%02x" % len(ops) + "".join("%04x%04x%s" % (i, len(d) // 2, d) for i, d in ops)


def Case(name, args, stdout=b"", **options):
    return e2e_case(name, args, stdout, **{**dict(file_hex=None, argv0="scte104", stdout_to=None, json_check=None,
                                                  stdin=b""), **options})


def expected(name): return (EXPECTED / name).read_bytes()  # noqa: E704


def text_report(msg_hex):  # built here from the bytes, for time type 0 and opIDs 0x010C and unnamed
    m = bytes.fromhex(msg_hex)
    out = ["SCTE-104 metadata:\n{\n  hex: %s\n  base64: %s\n  decodedSize: %d\n}\n\nParsed multiple_operation_message()"
           " data structure:\n{\n  reserved: 0xffff,\n  messageSize: 0x%x,\n  protocolVersion: 0x%x,\n  asIndex: 0x%x,"
           "\n  messageNumber: 0x%x,\n  dpiPidIndex: 0x%x,\n  scte35ProtocolVersion: 0x%x,\n  Timestamp: {\n    timeType:"
           " \"Immediate\"\n  },\n  numOps: 0x%x,\n  DataPayloads: [\n" % (m.hex(), base64.b64encode(m).decode(), len(m),
           int.from_bytes(m[2:4], "big"), m[4], m[5], m[6], int.from_bytes(m[7:9], "big"), m[9], m[11])]
    at = 12
    for i in range(m[11]):
        op, length = int.from_bytes(m[at:at + 2], "big"), int.from_bytes(m[at + 2:at + 4], "big")
        d, obj, kind = m[at + 4:at + 4 + length], "", "Reserved"
        if op == 0x10C:  # bytes the data lacks show as zero
            head, kind = (d + bytes(5))[:5], "Adds a proprietary descriptor to another operation"
            obj = "        proprietary_id: 0x%x,\n        proprietary_command: 0x%x,\n        proprietary_data:%s\n" \
                  "        proprietary_data: %s,\n" % (int.from_bytes(head[:4], "big"), head[4],
                                                       "".join(" 0x%02x," % b for b in d[5:]),
                                                       d[5:].split(b"\0")[0].decode("latin-1"))
        out.append("    {\n      obj: {\n%s        operationType: \"%s\",\n      },\n      data length: 0x%x\n"
                   "      opID: 0x%x\n    }%s\n" % (obj, kind, length, op, "" if i + 1 == m[11] else ","))
        at += 4 + length
    return ("".join(out) + "  ]\n}\n").encode("latin-1")


def fields_are(*expected_ops):
    # Each operation's members after "data", in order (fields, error, trailing_data).
    def check(report):
        got = [[(k, v) for k, v in op.items() if k not in
                ("opID", "name", "description", "data_length", "data")] for op in report["operations"]]
        want = [list(e.items()) for e in expected_ops]
        assert got == want, "operations differ:\n%s\n%s" % (got, want)
    return check


def fields(**values): return {"fields": values}  # noqa: E704


SEG_2015 = fields(segmentation_event_id=1, segmentation_event_cancel_indicator=0, duration=30,
                  segmentation_upid_type=1, segmentation_upid_type_name="User Defined", segmentation_upid_length=17,
                  segmentation_upid="534f4d4557544655504944495348455245", segmentation_type_id=0x20,
                  segmentation_type_id_name="Chapter Start", segment_num=1, segments_expected=10,
                  duration_extension_frames=15, delivery_not_restricted_flag=1, web_delivery_allowed_flag=1,
                  no_regional_blackout_flag=1, archive_allowed_flag=1, device_restrictions=1,
                  device_restrictions_name="Restrict Group 1")
SPLICE_FIELDS = dict(splice_insert_type=7, splice_insert_type_name="", splice_event_id=0xFFFFFFFF,
                     unique_program_id=3, pre_roll_time=4000, break_duration=300, avail_num=1,
                     avails_expected=2, auto_return_flag=255)
SPLICE_DATA = "07ffffffff00030fa0012c0102ff"

# One operation of every layout and every kind of view, as (opID, data); what the JSON report
# shows of them is expected/every_layout.json.
LAYOUTS = [
    (0x0100, "0003017fabcdefee"),  # a 3-byte SCTE 35 command and a trailing byte
    (0x0102, ""), (0x0102, "ff"),  # no fields; a trailing byte
    (0x0103, "020000000100abcdef"), (0x0104, "05dc"), (0x0105, "ff"),
    (0x0106, "0100640203e8"), (0x0106, "0100"),  # two whole components; none, and trailing data
    (0x0107, "0305"), (0x0107, "2000"), (0x0107, "1f00"),  # named, user private, reserved
    (0x0108, "0200000a02abcd"),  # an empty descriptor and one of two bytes
    (0x0109, "1e06312a22005c7f"),  # DTMF characters that need escaping: quote, NUL, backslash, 0x7f
    (0x010A, "00"),
    # Segmentation: 2015 form; oldest form (no tail); 2015 form with a 3-byte UPID (21 bytes);
    # newest form with sub-segments and no UPID (21 bytes too); a tail cut after two bytes.
    (0x010B, "0000000100001e0111534f4d455754465550494449534845524520010a0f0101010101"),
    (0x010B, "0000000100001e0103abcdef220102"), (0x010B, "0000000100001e0103abcdef220102" "000101010102"),
    (0x010B, "0000000100001e0100" "220102" "00ff0000010303" "0102"), (0x010B, "0000000100001e0100" "220102" "0501"),
    (0x010C, "8000000107"),  # no proprietary_data
    (0x010D, "0100000e10"), (0x010D, "0200000001" "02030405"),  # one whole entry; and 4 trailing bytes
    (0x010E, "0312345678000000ff00040100c80102"), (0x010F, "f123"), (0x0110, "123456789abc3b9ac9ff0025"),
    (0x0111, "0102"), (0x0200, "0102"),  # raw data only: a layout that is not public, and no name at all
    (0x0300, "07"), (0x0301, "09" + "00" * 8 + "11" * 8 + "ff" * 7 + "fe" "aa"),
    # Views that fail: a short mandatory field, and counted runs that overrun.
    (0x0104, "05"), (0x010B, "0000000100001e0107abcdef220102"), (0x010B, "0000000100001e0100"),
    (0x010A, "0200000001"), (0x0108, "01000a"), (0x0108, "0100"), (0x0109, "0003"), (0x010C, "00000001"), (0x0301, "09" + "00" * 23),
    # Last, as the decoder reads the next opID right after a splice request's 14 bytes.
    (0x0101, SPLICE_DATA + "01beef"),
]
LAYOUTS_MSG = message(LAYOUTS)


def same_as(name):  # the whole report, compared as parsed, keys in order
    def check(report):
        pairs = lambda text: json.loads(text, object_pairs_hook=list)
        assert pairs(json.dumps(report)) == pairs(expected(name)), "differs from " + name
    return check


def public_vector_1(report):
    assert report["hex"][:4] == "ffff" and report["message_size"] == 57 and report["message_number"] == 0xD1
    fields_are(fields(pre_roll_time=1500), SEG_2015)(report)


def timestamp_is(**want):
    def check(report):
        assert list(report["timestamp"].items()) == list(want.items()), report["timestamp"]
    return check


# Larger than the 64 KiB output buffer: proprietary data with zero bytes, proprietary data
# without one, an opID without a name, and a proprietary command too short for its fields.
BIG_DATA = bytes((i * 7) % 256 for i in range(65000)).hex()
BIG_MSG = message([(0x010C, "0000002a07" + BIG_DATA), (0x010C, "0000000001" + "41" * 40000),
                   (0x0200, "00" * 3), (0x010C, "00000001")])


def big_json(report):
    ops = report["operations"]
    assert [op["data"] for op in ops] == ["0000002a07" + BIG_DATA, "0000000001" + "41" * 40000, "000000",
                                          "00000001"]
    assert ops[0]["fields"]["proprietary_data"] == BIG_DATA and "error" in ops[3]


# SCTE 35 sections: one splice request per row of the injector's table, component mode, every
# kind of descriptor and every kind of problem. A section is given as hex, written as Base64 lines.
def splice(kind, preroll=0, brk=0, auto=0, event=0x10, program=0x22):
    return 0x0101, "%02x%08x%04x%04x%04x0102%02x" % (kind, event, program, preroll, brk, auto)


def sections(*hexes): return "".join(base64.b64encode(bytes.fromhex(h)).decode() + "\n" for h in hexes).encode()  # noqa


def problems(*lines): return "".join("scte104: operation %d: %s\n" % line for line in lines).encode()  # noqa


def s35(*ops, version=0):  # the message's SCTE35_protocol_version is byte 9
    m = message(list(ops))
    return b64(m[:18] + "%02x" % version + m[20:])


TIME_SIGNAL = (0x0104, "0064")  # 100 ms
SEGMENT_NEWEST = (0x010B, "0000000a00003c0c02abcd30010200" "00" "01" "00" "01" "02" "01" "02" "03")
SEGMENT_CANCEL = (0x010B, "0000000b010000" "0000" "000000")
SEGMENT_OLDEST = (0x010B, "0000000c000000" "0000" "100104")

# One second and one frame, in ticks past the second at each rate (rounded half up).
ONE_FRAME = (0x010B, "00000001000001" "0000" "000000" "01")
FRAME_TICKS = [("24000/1001", 3754), ("24", 3750), ("25", 3600), ("30000/1001", 3003), ("30", 3000), ("50", 1800),
               ("60000/1001", 1502), ("60", 1500)]


def segmentation_duration_is(ticks):
    def check(report):
        assert report["scte35"]["sections"][0]["descriptors"][0]["segmentation_duration"] == ticks
    return check



def encoded(message_hex): return b64(message_hex).encode() + b"\n"  # noqa: E704


def golden_hex(name): return json.loads(expected(name))["hex"]  # noqa: E704


# The shortest useful mark by hand: a time_signal with a segmentation descriptor.
HAND_MARK = b"""{"operations": [
  {"opID": 260, "fields": {"pre_roll_time": 4000}},
  {"opID": 267, "fields": {"segmentation_event_id": 1, "segmentation_event_cancel_indicator": 0,
    "duration": 60, "segmentation_upid_type": 0, "segmentation_upid": "", "segmentation_type_id": 52,
    "segment_num": 0, "segments_expected": 0}}]}
"""

CASES = [
    # Dispatch on the first argument.
    Case("no_argument", [], stderr=USAGE),
    Case("usage_names_the_program", [], argv0="/opt/bin/s104", stderr=USAGE.replace(b"scte104", b"/opt/bin/s104")),
    Case("help_short", ["-h"], argv0="x", stderr=expected("help.txt").replace(b"scte104", b"x")),
    Case("help_long_with_more", ["--help", "-v", HELP_B64], stderr=expected("help.txt")),
    Case("version_short", ["-v"], stdout=b"scte104 v0.1.0\n"),
    Case("version_long", ["--version", "-h"], argv0="./s", stdout=b"./s v0.1.0\n"),
    Case("option_only_first", [HELP_B64, "-v"], stdout=expected("help_example.txt")),
    Case("option_case_matters", ["-H"], stderr=EMPTY, status=2),
    Case("empty_argument", [""], stderr=EMPTY, status=2),
    # Input paths.
    Case("file_sample", ["-f", "data/scte_104.bin"], stdout=expected("help_example.txt")),
    Case("base64_trailing_text", [HELP_B64 + "AAAA more"], stdout=expected("help_example.txt")),
    Case("base64_unpadded", [HELP_B64.rstrip("=")], stdout=expected("help_example.txt")),
    Case("other_lead_byte", ["-f", "{file}"], expected("help_example.txt"), file_hex="ff" + HELP_MSG),
    Case("file_missing", ["-f", "no/such/file.bin"], stderr=NOT_INITIALIZED, status=1),
    Case("file_name_absent", ["-f"], stderr=NOT_INITIALIZED, status=1),
    Case("file_empty", ["-f", "{file}"], stderr=EMPTY, status=2, file_hex=""),
    Case("file_is_directory", ["-f", "data"], stderr=b"scte104: Cannot read data\n", status=2),
    Case("file_is_pipe", ["-f", "/dev/stdin"], status=2,
         stderr=b"scte104: Cannot determine the size of /dev/stdin: not a regular file\n"),
    Case("file_is_named_pipe", ["-f", "{fifo}"], status=2,  # must not wait for a writer
         stderr=b"scte104: Cannot determine the size of {fifo}: not a regular file\n"),
    # Messages the decoder refuses: an error line and no report at all.
    Case("lead_byte_only", ["CA=="], status=2,
         stderr=b"scte104: Message ends early: reserved needs 2 bytes at offset 0, message holds 0\n"),
    Case("reserved_wrong", ["-f", "{file}"], status=2, file_hex="08fffe001e",
         stderr=b"scte104: Reserved value must be equal to 0xFFFF\n"),
    Case("time_type_4", ["-f", "{file}"], status=2, file_hex="08ffff001e0000ab0000000401",
         stderr=b"scte104: Unknown Timestamp time_type value\n"),
    Case("cut_in_splice_request", ["-f", "{file}"], status=2, file_hex="08" + HELP_MSG[:-10],
         stderr=b"scte104: Message ends early: break_duration needs 2 bytes at offset 25,"
                b" message holds 25\n"),
    Case("cut_before_second_op", ["-f", "{file}"], status=2,
         file_hex="08ffff000000000000000000" "02" "010c00020000",
         stderr=b"scte104: Message ends early: opID needs 2 bytes at offset 18, message holds 18\n"),
    # One case for each layout of the text report.
    Case("utc_no_operations", [b64("ffff0012000000000000015f5e100001f400")], expected("utc_no_operations.txt")),
    Case("timecode", [b64("ffff001001020300040502113b001d00")], expected("timecode.txt")),
    Case("gpi", [b64("ffff000e00000000000003ff0100")], expected("gpi.txt")),
    Case("three_ops", ["-f", "{file}"], expected("three_ops.txt"),
         file_hex="08ffff0022000000000000000301000000010c00080000002a0741420002000002abcd"),
    Case("full_width", [b64("ffffffffffffffffffff00020101000e05" + "ff" * 13 + "0101000e" + "ff" * 14)],
         expected("full_width.txt")),
    Case("name_ends", [b64("ffff0000000000000000000800ff000001000000011100000112000002ff"
                           "0000030000000301000003020000")], expected("name_ends.txt")),
    Case("splice_types", [b64("ffff000000000000000000020101000e000000000100000000000000000001"
                              "01000e0600000002000000000000000000")], expected("splice_types.txt")),
    Case("proprietary_edges", [b64("ffff00000000000000000005010c000580000001ff010c00090000"
                                   "00010241424344010c00080000000000ff0a00010c0003010203010c001000000001024142")],
         expected("proprietary_edges.txt")),
    Case("big_text", ["-f", "{file}"], text_report(BIG_MSG), file_hex="08" + BIG_MSG),
    # A report that cannot be written is an error, not a silent loss.
    Case("text_to_full_disk", [HELP_B64], stdout_to="/dev/full", status=2, stderr=FULL_DISK),
    Case("big_to_full_disk", ["--json", "-f", "{file}"], file_hex="08" + BIG_MSG, stdout_to="/dev/full",
         status=2, stderr=FULL_DISK),
    Case("json_to_closed_stdout", ["--json", HELP_B64], stdout_to="closed", status=2,
         stderr=b"scte104: Cannot write to standard output: Bad file descriptor\n"),
    # The JSON report.
    Case("json_alone", ["--json"], argv0="s", stderr=USAGE.replace(b"scte104", b"s"), status=2),
    Case("json_file_missing", ["--json", "-f"], stderr=NOT_INITIALIZED, status=1),
    Case("json_refused", ["--json", "-f", "{file}"], status=2, file_hex="08fffe001e",
         stderr=b"scte104: Reserved value must be equal to 0xFFFF\n"),
    Case("json_cut", ["--json", b64(HELP_MSG[:-10])], status=2,
         stderr=b"scte104: Message ends early: break_duration needs 2 bytes at offset 25, message holds 25\n"),
    Case("json_not_an_option", ["--json", "-h"], stderr=EMPTY, status=2),
    Case("json_help_example", ["--json", "-f", "data/scte_104.bin", "-v"]),  # checked against the text report
    Case("json_public_vector_1", ["--json", b64("ffff00390000d100000000020104000205dc010b00230000000100001e0111534f"
                                                "4d455754465550494449534845524520010a0f0101010101")],
         json_check=public_vector_1),
    Case("json_public_vector_2", ["--json", b64("ffff003a0000e900000000030101000e00000000120003000000000405000104"
                                                "00020fa0010b00120000000100003d0000340000000000000003")],
         json_check=same_as("public_vector_2.json")),
    Case("json_every_layout", ["--json", "-f", "{file}"], file_hex="08" + LAYOUTS_MSG, json_check=same_as("every_layout.json")),
    Case("json_splice_short_data", ["--json", b64("ffff0000000000000000" "0001" "0101000a" + SPLICE_DATA)],
         json_check=fields_are(fields(**SPLICE_FIELDS))),
    Case("json_utc", ["--json", b64("ffff0012000000000000015f5e100001f400")], json_check=timestamp_is(
        time_type=1, time_type_name="UTC", UTC_seconds=1600000000, UTC_microseconds=500)),
    Case("json_timecode", ["--json", b64("ffff001001020300040502113b001d00")], json_check=timestamp_is(
        time_type=2, time_type_name="Time", hours=17, minutes=59, seconds=0, frames=29)),
    Case("json_gpi", ["--json", b64("ffff000e00000000000003ff0100")], json_check=timestamp_is(
        time_type=3, time_type_name="General Purpose Interface [GPI]", GPI_number=255, GPI_edge=1)),
    Case("json_big", ["--json", "-f", "{file}"], file_hex="08" + BIG_MSG, json_check=big_json),
    # Odd messages whose JSON reports must still encode to the same bytes: a wrong message_size and a
    # last operation cut short; a splice request with not_an_entry_flag and a byte after it, then
    # bytes after the last operation.
    Case("json_cut_short", ["--json", b64("ffff1234" "000000" "0000" "00" "00" "02" "01040002abcd" "010c0100" "0000000107ab")]),
    Case("json_trailing_data", ["--json", b64("ffff0000000000000000" "0001" "01010010" + SPLICE_DATA + "01ee" "abcd")]),
    # --encode: JSON in, the Base64 line out; golden reports give back their bytes.
    Case("encode_alone", ["--encode"], stderr=USAGE, status=2),
    Case("encode_file_missing", ["--encode", "no/such.json"], status=1,
         stderr=b"scte104: Cannot open no/such.json: No such file or directory\n"),
    Case("encode_hand_mark", ["--encode", "{file}"], file_hex=HAND_MARK.hex(),
         stdout=encoded("ffff00220000000000000002010400020fa0010b000c0000000100003c0000340000")),
    Case("encode_stdin", ["--encode", "-"], stdin=HAND_MARK,
         stdout=encoded("ffff00220000000000000002010400020fa0010b000c0000000100003c0000340000")),
    Case("encode_every_layout", ["--encode", "tests/cli/expected/every_layout.json"],
         stdout=encoded(golden_hex("every_layout.json"))),
    Case("encode_public_vector_2", ["--encode", "tests/cli/expected/public_vector_2.json"],
         stdout=encoded(golden_hex("public_vector_2.json"))),
    Case("encode_not_json", ["--encode", "-"], stdin=b'{"operations": [\n  {"opID": 1,}]}', status=2,
         stderr=b"scte104: Not JSON: line 2, column 14: syntax error while parsing object key - unexpected '}';"
                b" expected string literal\n"),
    # Computed message_size covers trailing_data; only white space may follow the document.
    Case("encode_trailing_data_sized", ["--encode", "-"],
         stdin=b'{"operations": [{"opID": 260, "fields": {"pre_roll_time": 4000}}], "trailing_data": "0102"}',
         stdout=encoded("ffff00140000000000000001" "010400020fa0" "0102")),
    Case("encode_nul_after", ["--encode", "-"], stdin=b'{"operations": []}\n \x00\n', status=2,
         stderr=b"scte104: Not JSON: line 2, column 2: only white space may follow the document\n"),
    Case("encode_text_after", ["--encode", "-"], stdin=b'{"operations": []}\n x', status=2,
         stderr=b"scte104: Not JSON: line 2, column 2: only white space may follow the document\n"),
    Case("encode_bad_low_digit", ["--encode", "-"], stdin=b'{"operations": [{"opID": 1, "data": "000g"}]}', status=2,
         stderr=b"scte104: /operations/0/data: hex text with a character that is not a hex digit at position 3\n"),
    Case("encode_bad_field", ["--encode", "-"], stdin=HAND_MARK.replace(b'"duration": 60', b'"duration": 70000'),
         status=2, stderr=b"scte104: /operations/1/fields/duration: 70000 is out of range 0 to 65535\n"),
    # SCTE 35: options, then each row of the splice_insert table, component mode, descriptors, problems.
    Case("s35_alone", ["--scte35", "--frame-rate", "25"], stderr=USAGE, status=2),
    Case("s35_pts_without_value", ["--scte35", "--pts"], stderr=b"scte104: --pts needs a value\n", status=2),
    Case("s35_pts_too_large", ["--scte35", "--pts", "8589934592", HELP_B64], status=2,
         stderr=b'scte104: Invalid --pts value "8589934592": expected 90 kHz ticks from 0 to 8589934591\n'),
    Case("s35_pts_signed", ["--json", "--pts", "+1", HELP_B64], status=2,
         stderr=b'scte104: Invalid --pts value "+1": expected 90 kHz ticks from 0 to 8589934591\n'),
    Case("s35_bad_frame_rate", ["--scte35", "--pts", "1", "--frame-rate", "29.97", HELP_B64], status=2,
         stderr=b'scte104: Invalid --frame-rate value "29.97": expected one of 24000/1001, 24, 25, 30000/1001, 30,'
                b' 50, 60000/1001, 60\n'),
    Case("s35_file_missing", ["--scte35", "--pts", "0", "-f", "no/such/file"], stderr=NOT_INITIALIZED, status=1),
    Case("s35_refused", ["--scte35", "-f", "{file}"], status=2, file_hex="08fffe001e",
         stderr=b"scte104: Reserved value must be equal to 0xFFFF\n"),
    Case("s35_help_example", ["--scte35", "--frame-rate", "60", "--pts", "0", "-f", "data/scte_104.bin"],
         sections("fc3025000000000000fffff01405400002b47feffe0000a8c07e00a4cb8000000000000028e6442a")),
    Case("s35_public_vector_1", ["--scte35", b64("ffff00390000d100000000020104000205dc010b00230000000100001e0111534f"
                                                 "4d455754465550494449534845524520010a0f0101010101")],
         sections("fc303d000000000000fffff00506fe00020f580027022543554549000000017fff000029e2d50111534f4d455754465550"
                  "494449534845524520010a140b1014")),
    Case("s35_start_normal_wraps", ["--scte35", "--pts", "8589934500", s35(splice(1, 1000, 300, 1))],
         sections("fc3025000000000000fffff01405000000107feffe00015f34fe002932e00022010200000c945730")),
    Case("s35_start_normal_now", ["--scte35", s35(splice(1, 0, 0, 1))],
         sections("fc301b000000000000fffff00a05000000107fdf00220102000023f0e6d9")),
    Case("s35_start_immediate", ["--scte35", s35(splice(2, 500, 600))],
         sections("fc3020000000000000fffff00f05000000107fff7e005265c0002201020000bf115749")),
    Case("s35_end_normal", ["--scte35", s35(splice(3, 200, 100, 1))],
         sections("fc3020000000000000fffff00f05000000107f4ffe000046500022010200002acbc0b7")),
    Case("s35_end_immediate", ["--scte35", s35(splice(4, 200, 100))],
         sections("fc301b000000000000fffff00a05000000107f5f0022010200000e2008bc")),
    Case("s35_cancel", ["--scte35", s35(splice(5, 200, 100, 1))],
         sections("fc3016000000000000fffff0050500000010ff0000381facee")),
    Case("s35_reserved_types", ["--scte35", s35(splice(0), (0x010A, "0100000001"), splice(6))],
         sections(),
         stderr=problems(
             (0, "splice_insert_type 0 is not a splice the injector takes"),
             (1, "insert_avail_descriptor_request_data applies to no command"),
             (2, "splice_insert_type 6 is not a splice the injector takes"))),
    Case("s35_components", ["--scte35", "--pts", "1000", s35(splice(1, 100, 50), (0x0106, "0100c8" "02012c" "03"),
                                                            (0x010A, "0100000007"))],
         sections("fc3037000000000000fffff01c05000000107faf0201fe00004a3802fe00006d607e0006ddd000220102000a0008435545"
                  "4900000007bd93b7a7")),
    Case("s35_components_immediate", ["--scte35", s35(splice(4, 100), (0x0106, "050064"), (0x0106, "060064"))],
         sections("fc301d000000000000fffff00c05000000107f1f01050022010200008a3eb365"),
         stderr=problems((2, "the splice_insert is already in component mode"))),
    Case("s35_components_refused", ["--scte35", s35(TIME_SIGNAL, (0x0106, "010064"), splice(5), (0x0106, "010064"),
                                                    splice(1, 100), (0x0106, ""), (0x0106, "0100"))],
         sections("fc3016000000000000fffff00506fe000023280000688ef971", "fc3016000000000000fffff0050500000010ff000038"
                  "1facee", "fc3020000000000000fffff00f05000000107fcffe00002328002201020000c569a6b4"),
         stderr=problems(
             (1, "component mode applies only to a splice_insert of types 1 to 4"),
             (3, "component mode applies only to a splice_insert of types 1 to 4"),
             (5, "component_mode_DPI_request_data holds no component"),
             (6, "component_mode_DPI_request_data holds no component"))),
    Case("s35_descriptors", ["--scte35", s35(TIME_SIGNAL, (0x010A, "020000000100000002"), (0x0109, "3204" "31322a23"),
                                             (0x0110, "0000499602d2075bcd150025"),
                                             (0x0108, "02" "040643554549abcd" "f0054355454901"),
                                             (0x010F, "f123"), SEGMENT_CANCEL, SEGMENT_OLDEST, (0x010F, "0007"),
                                             (0x010A, "00"), SEGMENT_NEWEST)],
         sections("fc308d000000000000ff00700506fe0000232800770008435545490000000100084355454900000002010a43554549329f31"
                  "322a230310435545490000499602d2075bcd150025040643554549abcdf00543554549010209435545490000000bff020f43"
                  "5545490000000c7fbf00001001040218435545490000000a7fd600005265c00c02abcd30010202034133ef19")),
    Case("s35_descriptors_refused", ["--scte35", s35((0x0102, ""), (0x0109, "0008" + "31" * 8),
                                                     (0x010B, "00000001000001" "01fa" + "ee" * 250 + "000000"),
                                                     (0x010A, "0200000001"), (0x0107, "0000"), (0x0300, ""),
                                                     (0x0301, "00"), (0x0200, ""), (0x010F, "0123"))],
         sections("fc3011000000000000ff123000000000ce8725b4"),
         stderr=problems(
             (1, "dtmf_length 8 does not fit the 3 bits of dtmf_count"),
             (2, "the descriptor would hold 270 bytes; descriptor_length has 8 bits"),
             (3, "Data ends early: provider_avail_id needs 8 bytes at offset 1, data holds 5"),
             (4, "encrypted_DPI_request_data is not translated: the control word stays in the injector and the section"
                 " is written in the clear"),
             (7, "opID 0x0200 is not an operation we translate"))),
    Case("s35_not_translated", ["--scte35", s35(TIME_SIGNAL, (0x0103, "00"), (0x010A, "0100000001"), (0x0105, "00"),
                                                (0x010F, "0001"), (0x0102, ""), (0x010C, "0000000100"),
                                                (0x010F, "0002"), (0x0102, ""), (0x010D, ""), (0x010E, "00" * 16),
                                                (0x0111, ""), (0x010F, "0003"))],
         sections("fc3016000000000000fffff00506fe000023280000688ef971", "fc3011000000000000fffff000000000761dd3b6",
                  "fc3011000000000000ff0030000000004e96f573"),
         stderr=problems(
             (1, "start_schedule_download_request_data is not translated: a schedule is built over several messages"),
             (2, "insert_avail_descriptor_request_data applies to no command"),
             (3, "transmit_schedule_request_data is not translated: a schedule is built over several messages"),
             (4, "insert_tier_data applies to no command"),
             (6, "proprietary_command_request_data is not translated: its SCTE 35 image is the injector maker's"),
             (7, "insert_tier_data applies to no command"),
             (9, "schedule_component_mode_request_data is not translated: a schedule is built over several messages"),
             (10, "schedule_definition_data is not translated: a schedule is built over several messages"),
             (11, "insert_audio_descriptor is not translated: its layout is not public"))),
    # Delivery restricted, and the data ends after web_delivery_allowed_flag: the rest counts as 0.
    Case("s35_restrictions_cut", ["--scte35", s35(TIME_SIGNAL, (0x010B, "00000001000001" "0000" "000000"
                                                                 "00" "00" "01"))],
         sections("fc302c000000000000fffff00506fe000023280016021443554549000000017fd00000015f90000000000059c8a4"
                  "de")),
    Case("s35_inject_and_versions", ["--scte35", s35((0x0100, "0003" "07" "ff" "abcdef"), TIME_SIGNAL, version=5)],
         sections("fc3014070000000000fffff003ffabcdef000087000fa2", "fc3016050000000000fffff00506fe000023280000e5f44d"
                  "be")),
    Case("s35_section_sizes", ["--scte35", s35((0x0100, "0fec00ff" + "11" * 4076), (0x0100, "0fed00ff" + "22" * 4077),
                                               (0x010F, "0001"))],
         sections("fc3ffd000000000000ffffffecff" + "11" * 4076 + "0000ce3e65f8"),
         stderr=problems((1, "the section would be 4097 bytes long; section_length may not pass 4093"))),
    *[Case("s35_rate_" + rate.replace("/", "_"), ["--json", "--frame-rate", rate, s35(TIME_SIGNAL, ONE_FRAME)],
           json_check=segmentation_duration_is(90000 + ticks)) for rate, ticks in FRAME_TICKS],
    Case("s35_command_view_fails", ["--scte35", s35((0x0104, "00"), (0x010A, "00"), (0x0102, "ee"))],
         sections("fc3011000000000000fffff000000000761dd3b6"),
         stderr=problems(
             (0, "Data ends early: pre_roll_time needs 2 bytes at offset 0, data holds 1"),
             (1, "insert_avail_descriptor_request_data applies to no command"))),
]


def check_json(case, stdout, run_text, validator):
    # The JSON report parses, agrees with the text report on what both show, and passes case.json_check.
    report = json.loads(stdout)
    canonical = (json.dumps(report, indent=2) + "\n").encode()  # which writes \" and \\ for \u0022 and \u005c
    assert stdout.replace(b"\\u0022", b'\\"').replace(b"\\u005c", b"\\\\") == canonical, "not indented 2 a level"
    assert list(report) == TOP_KEYS + ["trailing_data"] * ("trailing_data" in report) + ["scte35"], list(report)
    text = run_text().decode("latin-1")
    lines = dict(line.strip().split(": ", 1) for line in text.split("\n")[2:5])
    assert (report["hex"], report["base64"], report["decoded_size"]) == \
        (lines["hex"], lines["base64"], int(lines["decodedSize"]))
    assert report["message_size"] == int(text.split("messageSize: ")[1].split(",")[0], 16)
    descriptions = [line.split('"')[1] for line in text.split("\n") if "operationType" in line]
    assert [op["description"] for op in report["operations"]] == descriptions
    if validator is not None:
        errors = [e.message for e in validator.iter_errors(report)]
        assert not errors, errors
    if case.json_check:
        case.json_check(report)
    SECTIONS.extend(report["scte35"]["sections"])


def input_of(args):  # the arguments after a mode and its --pts and --frame-rate options
    at = 1
    while args[at:at + 1] in (["--pts"], ["--frame-rate"]):
        at += 2
    return args[at:]


def input_message(args, root):  # the message bytes that a --json case gives, without the lead byte
    source = input_of(args)
    mark = Path(root, source[1]).read_bytes() if source[0] == "-f" else base64.b64decode(source[0])
    return mark[1:]


def round_trip(report, message, encode):
    # --encode turns the report back into the lead byte and the very message bytes of the input.
    result = encode(report)
    assert result.returncode == 0 and not result.stderr, "--encode: %r" % result.stderr
    assert result.stdout.endswith(b"\n") and result.stdout.count(b"\n") == 1, "--encode: not one line"
    mark = base64.b64decode(result.stdout[:-1], validate=True)
    assert mark[:1] == b"\x08" and mark[1:] == message, "--encode: other bytes"


def run_case(binary, wrap, case, workdir, validator):
    args = list(case.args)
    expected_stderr = case.stderr
    if case.file_hex is not None:
        path = Path(workdir) / (case.name + ".bin")
        path.write_bytes(bytes.fromhex(case.file_hex))
        args = [str(path) if a == "{file}" else a for a in args]
    if "{fifo}" in args:
        fifo = Path(workdir) / (case.name + ".fifo")
        os.mkfifo(fifo)
        args = [str(fifo) if a == "{fifo}" else a for a in args]
        expected_stderr = expected_stderr.replace(b"{fifo}", str(fifo).encode())

    def run(arguments, stdin=case.stdin, stdout_to=None):
        if wrap:
            return e2e_run(binary, arguments, stdin=stdin, stdout_to=stdout_to, prefix=shlex.split(wrap))
        return e2e_run(binary, arguments, stdin=stdin, stdout_to=stdout_to, argv0=case.argv0)

    result = run(args, stdout_to=case.stdout_to)
    json_report = case.json_check or (args[:1] == ["--json"] and case.status == 0)
    problems = differences(result, None if json_report else case.stdout, expected_stderr, case.status)
    if json_report:
        try:
            check_json(case, result.stdout, lambda: run(input_of(args)).stdout, validator)
            round_trip(result.stdout, input_message(args, ROOT), lambda report: run(["--encode", "-"], stdin=report))
        except (AssertionError, ValueError, KeyError, IndexError) as e:
            problems.append("JSON report: %s" % str(e)[:3000])
    if args[:1] == ["--scte35"] and case.status == 0 and not problems:
        # The JSON report shows the very sections and problems that --scte35 prints.
        report = json.loads(run(["--json"] + args[1:]).stdout)
        SECTIONS.extend(report["scte35"]["sections"])
        lines = [section["base64"] + "\n" for section in report["scte35"]["sections"]]
        if "".join(lines).encode() != result.stdout or problems_text(report) != result.stderr:
            problems.append("the JSON report's scte35 member differs from --scte35")
    return problems


def problems_text(report):
    return "".join("scte104: operation %d: %s\n" % (p["operation"], p["problem"])
                   for p in report["scte35"]["problems"]).encode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--schema", help="JSON Schema that every JSON report must satisfy")
    parser.add_argument("--wrap", default="", help="command to run the binary under")
    parser.add_argument("--only", default="", help="comma-separated case names")
    parser.add_argument("--sections", help="file to write every SCTE 35 section seen to, one JSON object a line")
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    validator = None
    if options.schema:
        import jsonschema
        validator = jsonschema.Draft202012Validator(json.loads(Path(options.schema).read_text()))
    only = set(filter(None, options.only.split(",")))
    unknown = only - {c.name for c in CASES}
    if unknown:
        sys.exit("unknown cases: " + ", ".join(sorted(unknown)))
    with tempfile.TemporaryDirectory() as workdir:
        status = report((case.name, run_case(binary, options.wrap, case, workdir, validator))
                        for case in CASES if not only or case.name in only)
    if options.sections:
        Path(options.sections).write_text("".join(json.dumps(section) + "\n" for section in SECTIONS))
    return status


if __name__ == "__main__":
    sys.exit(main())
