#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases for --from-scte35: standard output, standard error and
# exit status byte for byte. Where a mark is printed without --retime, the
# mark's own --scte35 translation (same --pts and --frame-rate) must give
# the input section back byte for byte; the --json form must be exactly what
# --json prints for the mark.
#
# usage: run_from_scte35_tests.py BINARY
import base64
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from e2e import USAGE, Case, differences, report, run  # noqa: E402

RETIME = b"scte104: %s is not carried exactly under --retime\n"

# The worked examples: a splice_insert and a time_signal with a segmentation descriptor, each the
# translation of a mark; a splice_insert whose times are not whole milliseconds or tenths.
A = "/DAlAAAAAAAA///wFAVAAAK0f+/+AACowH4ApMuAAAAAAAAAKOZEKg=="
B = "/DA9AAAAAAAA///wBQb+AAIPWAAnAiVDVUVJAAAAAX//AAAp4tUBEVNPTUVXVEZVUElESVNIRVJFIAEKFAsQFA=="
C = "/DAlAAAAAAAA///wFAUAAAAUf+/+AA8bXf4AKT1sAAAAAAAAv1Jwig=="
C_INJECTED = "CP//ACgAAAAAAAAAAQEAABgAFAAFAAAAFH/v/gAPG13+ACk9bAAAAAA="
C_RETIMED = "CP//AB4AAAAAAAAAAQEBAA4BAAAAFAAAA+kBLAAAAQ=="

# Sections from the field: the sample messages of the SCTE 35 standard (ANSI/SCTE 35 2019, section 14,
# "Sample SCTE 35 Messages"), as published there in Base64. Their times are far from any reference
# within 65535 ms, so each command is injected; their descriptors are typed.
FIELD = [
    ("field_14_1_time_signal_placement_opportunity",
     "/DA0AAAAAAAA///wBQb+cr0AUAAeAhxDVUVJSAAAjn/PAAGlmbAICAAAAAAsoKGKNAIAmsnRfg==",
     "CP//ADoAAAAAAAAAAgEAAAkABQAG/nK9AFABCwAdSAAAjgABMwgIAAAAACygoYo0AgAAAAABAQMAAAA="),
    ("field_14_2_splice_insert",
     "/DAvAAAAAAAA///wFAVIAACPf+/+c2nALv4AUsz1AAAAAAAKAAhDVUVJAAABNWLbowo=",
     "CP//ADEAAAAAAAAAAgEAABgAFAAFSAAAj3/v/nNpwC7+AFLM9QAAAAABCgAFAQAAATU="),
    ("field_14_3_time_signal_two_segments",
     "/DBIAAAAAAAA///wBQb+ek2ItgAyAhdDVUVJSAAAGH+fCAgAAAAALMvDRBEAAAIXQ1VFSUgAABl/nwgIAAAAACyk26AQAACZcuND",
     "CP//AFsAAAAAAAAAAwEAAAkABQAG/npNiLYBCwAdSAAAGAAAAAgIAAAAACzLw0QRAAAAAAEBAQMAAAABCwAdSAAAGQAAAAgIAAAAACyk"
     "26AQAAAAAAEBAQMAAAA="),
    ("field_14_4_time_signal_three_segments",
     "/DBhAAAAAAAA///wBQb+qM1E7QBLAhdDVUVJSAAArX+fCAgAAAAALLLXnTUCAAIXQ1VFSUgAACZ/nwgIAAAAACyy150RAAACF0NVRUlIAAAn"
     "f58ICAAAAAAsstezEAAAihiGnw==",
     "CP//AHwAAAAAAAAABAEAAAkABQAG/qjNRO0BCwAdSAAArQAAAAgIAAAAACyy1501AgAAAAEBAQMAAAABCwAdSAAAJgAAAAgIAAAAACyy150R"
     "AAAAAAEBAQMAAAABCwAdSAAAJwAAAAgIAAAAACyy17MQAAAAAAEBAQMAAAA="),
]


def line(text): return (text + "\n").encode()  # noqa: E704


def hex_of(b64): return base64.b64decode(b64).hex()  # noqa: E704


def refused(field_and_reason): return dict(stderr=b"scte104: " + field_and_reason + b"\n", status=2)  # noqa: E704


BAD_CRC = base64.b64encode(base64.b64decode(A)[:-1] + b"\x2b").decode()

CASES = [
    Case("example_a", ["--from-scte35", A], line("CP//AB4AAAAAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="), back=[]),
    Case("example_b", ["--from-scte35", B],
         line("CP//ADwAAAAAAAAAAgEEAAIF3AELACYAAAABAAAeARFTT01FV1RGVVBJRElTSEVSRSABCg8BAAAAAAAAAA=="), back=[]),
    Case("example_c_injected", ["--from-scte35", "--pts", "900000", C], line(C_INJECTED), back=["--pts", "900000"]),
    Case("example_c_retimed", ["--from-scte35", "--pts", "900000", "--retime", C],
         line(C_RETIMED), RETIME % b"pts_time" + RETIME % b"break_duration"),
    Case("example_c_json", ["--from-scte35", "--json", "--retime", "--pts", "900000", C],
         stderr=RETIME % b"pts_time" + RETIME % b"break_duration", json_of=["--pts", "900000", C_RETIMED]),
    Case("frame_rate", ["--from-scte35", "--frame-rate", "25", B],
         # 2745045 ticks leave 45045 + 90000 k after whole seconds: never whole frames at 25, so copied.
         line("CP//AD4AAAAAAAAAAgEEAAIF3AEIACgBAiVDVUVJAAAAAX//AAAp4tUBEVNPTUVXVEZVUElESVNIRVJFIAEK"), back=["--frame-rate", "25"]),
    Case("file_with_packet_stuffing", ["--from-scte35", "-f", "{file}"], file_hex=hex_of(A) + "ffffff",
         stdout=line("CP//AB4AAAAAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA==")),
    *[Case(name, ["--from-scte35", section], line(mark), back=[]) for name, section, mark in FIELD],
    # Refusals and the command line.
    Case("wrong_crc", ["--from-scte35", BAD_CRC], **refused(b"CRC_32 does not match the section's bytes")),
    Case("wrong_crc_ignored", ["--from-scte35", "--ignore-crc", BAD_CRC],
         line("CP//AB4AAAAAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA==")),
    Case("byte_after_section", ["--from-scte35", "-f", "{file}"], file_hex=hex_of(A) + "ff00",
         **refused(b"section_length 37 ends the section before byte 41, which is not 0xFF stuffing")),
    Case("table_id", ["--from-scte35", "/TAl"], **refused(b"table_id is 253, not 252 (0xFC, splice_info_section)")),
    Case("empty", ["--from-scte35", "-f", "{file}"], file_hex="",
         **refused(b"section_length is not there: the input holds 0 bytes")),
    Case("encrypted", ["--from-scte35", "--ignore-crc", base64.b64encode(bytes.fromhex(
        "fc3011" "00" "8000000000" "ff" "fff000" "000000" "00000000")).decode()],
         **refused(b"encrypted_packet is 1: a queue mark cannot carry encrypted data")),
    Case("alone", ["--from-scte35", "--retime"], stderr=USAGE, status=2),
    Case("pts_without_value", ["--from-scte35", A, "--pts"], stderr=USAGE, status=2),
    Case("pts_too_large", ["--from-scte35", "--pts", "8589934592", A], status=2,
         stderr=b'scte104: Invalid --pts value "8589934592": expected 90 kHz ticks from 0 to 8589934591\n'),
    Case("unknown_option", ["--from-scte35", "--bogus", A], **refused(b'Unknown option "--bogus"')),
    Case("two_inputs", ["--from-scte35", A, B], **refused(b'--from-scte35 reads one section, not also "%s"' %
                                                            B.encode())),
    Case("file_and_input", ["--from-scte35", "-f", "{file}", A], file_hex=hex_of(A),
         **refused(b'--from-scte35 reads one section, not also "%s"' % A.encode())),
    Case("file_missing", ["--from-scte35", "-f", "no/such/file"], stderr=b"Data is not initialized\n", status=1),
]


def results(binary, workdir):
    for case in CASES:
        args = list(case.args)
        if "file_hex" in vars(case):
            Path(workdir, case.name + ".bin").write_bytes(bytes.fromhex(case.file_hex))
            args = [str(Path(workdir, case.name + ".bin")) if a == "{file}" else a for a in args]
        result = run(binary, args)
        if "json_of" in vars(case):
            case.stdout = run(binary, ["--json"] + case.json_of).stdout
        problems = differences(result, case.stdout, case.stderr, case.status)
        if "back" in vars(case):
            # The mark translates back to the very section.
            back = run(binary, ["--scte35"] + case.back + [result.stdout.decode().strip()])
            problems += differences(back, line(args[-1]), b"", 0)
        yield case.name, problems


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as work:
        sys.exit(report(results(str(Path(sys.argv[1]).resolve()), work)))
