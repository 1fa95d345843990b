#!/usr/bin/env python3
"""End-to-end cases for the scte104 binary.

Each case runs the built binary (under the name "scte104") and compares
standard output, standard error and exit status byte for byte. Input files
are written from hexadecimal in the case itself, so every byte is ours.

usage: run_cli_tests.py BINARY [--wrap "valgrind --error-exitcode=1 -q"] [--only a,b]
"""
import argparse
import os
import shlex
import subprocess
import sys
import tempfile
from pathlib import Path

EXPECTED = Path(__file__).resolve().parent / "expected"
HELP_B64 = "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="
HELP_MSG = "ffff001e0000ab00000000010101000e01400002b4000001e004b0000000"
USAGE = b"Usage: scte104 [-h] [-v] [-f] [scte-data]\nUse -h/--help for more information\n"
NOT_INITIALIZED = b"Data is not initialized\n"
EMPTY = b"scte104: Input is empty: expected a lead byte and a message\n"


def expected(name):
    return (EXPECTED / name).read_bytes()


class Case:
    def __init__(self, name, args, stdout=b"", stderr=b"", status=0, file_hex=None):
        self.name, self.args, self.file_hex = name, args, file_hex
        self.stdout, self.stderr, self.status = stdout, stderr, status


def report_case(name, message_hex, expected_file):
    """The same message through both input paths must give the same report."""
    import base64
    raw = bytes.fromhex("08" + message_hex)
    report = expected(expected_file)
    return [
        Case(name + "_file", ["-f", "{file}"], report, file_hex="08" + message_hex),
        Case(name + "_base64", [base64.b64encode(raw).decode()], report),
    ]


CASES = [
    # Dispatch on the first argument.
    Case("no_argument", [], stderr=USAGE),
    Case("help_short", ["-h"], stderr=expected("help.txt")),
    Case("help_long_with_more", ["--help", "-v", HELP_B64], stderr=expected("help.txt")),
    Case("version_short", ["-v"], stdout=b"scte104 v0.1.0\n"),
    Case("version_long", ["--version", "-h"], stdout=b"scte104 v0.1.0\n"),
    Case("option_only_first", [HELP_B64, "-v"], stdout=expected("help_example.txt")),
    Case("option_case_matters", ["-H"], stderr=EMPTY, status=2),
    Case("empty_argument", [""], stderr=EMPTY, status=2),
    # Input paths.
    Case("file_sample", ["-f", "data/scte_104.bin"], stdout=expected("help_example.txt")),
    Case("base64_sample", [HELP_B64], stdout=expected("help_example.txt")),
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
]
CASES += report_case("utc_no_operations", "ffff0012000000000000015f5e100001f400", "utc_no_operations.txt")
CASES += report_case("timecode", "ffff001001020300040502113b001d00", "timecode.txt")
CASES += report_case("gpi", "ffff000e00000000000003ff0100", "gpi.txt")
CASES += report_case("three_ops", "ffff0022000000000000000301000000010c00080000002a0741420002000002abcd",
                     "three_ops.txt")
CASES += report_case("full_width", "ffffffffffffffffffff00020101000e05" + "ff" * 13 + "0101000e" + "ff" * 14,
                     "full_width.txt")
CASES += report_case("name_ends", "ffff0000000000000000000800ff000001000000011100000112000002ff"
                     "0000030000000301000003020000", "name_ends.txt")
CASES += report_case("splice_types", "ffff000000000000000000020101000e000000000100000000000000000001"
                     "01000e0600000002000000000000000000", "splice_types.txt")
CASES += report_case("proprietary_edges", "ffff00000000000000000005010c000580000001ff010c00090000"
                     "00010241424344010c00080000000000ff0a00010c0003010203010c001000000001024142",
                     "proprietary_edges.txt")


def run_case(binary, wrap, case, workdir, root):
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
    if wrap:
        command, executable = shlex.split(wrap) + [binary] + args, None
    else:
        command, executable = ["scte104"] + args, binary
    result = subprocess.run(command, executable=executable, cwd=root, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    problems = []
    if result.returncode != case.status:
        problems.append("exit status %d, expected %d" % (result.returncode, case.status))
    if result.stdout != case.stdout:
        problems.append("stdout differs:\n--- got\n%r\n--- expected\n%r" % (result.stdout, case.stdout))
    if result.stderr != expected_stderr:
        problems.append("stderr differs:\n--- got\n%r\n--- expected\n%r" % (result.stderr, expected_stderr))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--wrap", default="", help="command to run the binary under")
    parser.add_argument("--only", default="", help="comma-separated case names")
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    root = Path(__file__).resolve().parents[2]
    only = set(filter(None, options.only.split(",")))
    unknown = only - {c.name for c in CASES}
    if unknown:
        sys.exit("unknown cases: " + ", ".join(sorted(unknown)))
    failures = 0
    with tempfile.TemporaryDirectory() as workdir:
        for case in CASES:
            if only and case.name not in only:
                continue
            problems = run_case(binary, options.wrap, case, workdir, root)
            print("%-28s %s" % (case.name, "FAIL" if problems else "ok"))
            for p in problems:
                print("    " + p.replace("\n", "\n    "))
            failures += bool(problems)
    print("%d failed" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
