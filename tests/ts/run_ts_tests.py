#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases of --ts: the built binary on the streams beside this file
# (written by make_streams.py), standard output, standard error and exit
# status compared byte for byte with the files under expected/.
#
# A queue mark's `message` member is what `scte104 --json --pts PTS` prints
# for its bytes, so expected files hold MSG in its place and the member is
# compared with the tool's own --json report of the same bytes.
#
# usage: run_ts_tests.py BINARY [--update]
import os
import select
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
from e2e import FULL_DISK, USAGE, report, run_stored  # noqa: E402

NOT_TS = b"scte104: Not a transport stream: no sync bytes 0x47 in a row of 188-, 192- or 204-byte packets\n"

# name, arguments after --ts, expected stdout file (or bytes), stderr, status
CASES = [
    ("worked_lines", ["--json-lines", "worked.ts"], "worked.jsonl", b"", 0),
    ("worked_timeline", ["worked.ts"], "worked.txt", b"", 0),
    ("unit_192_junk_and_tail", ["--json-lines", "worked_192.ts"], "worked_192.jsonl", b"", 0),
    ("unit_204_cut", ["worked_204.ts"], "worked_204.txt", b"", 0),
    ("damage_lines", ["--json-lines", "damage.ts"], "damage.jsonl", b"", 0),
    ("damage_timeline", ["damage.ts"], "damage.txt", b"", 0),
    ("sections", ["--json-lines", "sections.ts"], "sections.jsonl", b"", 0),
    ("pes_and_anc", ["--json-lines", "pes_anc.ts"], "pes_anc.jsonl", b"", 0),
    ("fragments", ["--json-lines", "fragments.ts"], "fragments.jsonl", b"", 0),
    ("fragments_timeline", ["fragments.ts"], "fragments.txt", b"", 0),
    ("pairing", ["--json-lines", "pairing.ts"], "pairing.jsonl", b"", 0),
    ("pairing_timeline", ["pairing.ts"], "pairing.txt", b"", 0),
    ("pairing_at_25", ["--frame-rate", "25", "--json-lines", "pairing.ts"], "pairing_25.jsonl", b"", 0),
    ("pmt_registrations", ["--json-lines", "pmt_variants.ts"], "pmt_variants.jsonl", b"", 0),
    ("no_tables_unread", ["no_tables.ts"], b"summary: 4 packets, 0 messages, 0 marks, 0 sections, 0 pairings, "
                                           b"0 problems\n", b"", 0),
    ("no_tables_pid", ["--pid", "489", "--json-lines", "--pid", "500", "no_tables.ts"], "no_tables.jsonl", b"", 0),
    ("from_stdin", ["--json-lines", "-"], "worked.jsonl", b"", 0),
    ("not_a_stream", ["not_ts.bin"], b"", NOT_TS, 2),
    ("empty", ["EMPTY"], b"", b"scte104: Input is empty: not a transport stream\n", 2),
    ("missing_file", ["missing.ts"], b"", b"scte104: Cannot open missing.ts: No such file or directory\n", 1),
    ("pid_too_low", ["--pid", "15", "worked.ts"], b"",
     b"scte104: Invalid --pid value \"15\": expected a PID from 16 to 8190\n", 2),
    ("pid_too_high", ["--pid", "8191", "worked.ts"], b"",
     b"scte104: Invalid --pid value \"8191\": expected a PID from 16 to 8190\n", 2),
    ("pid_sign", ["--pid", "+500", "worked.ts"], b"",
     b"scte104: Invalid --pid value \"+500\": expected a PID from 16 to 8190\n", 2),
    ("pid_without_value", ["worked.ts", "--pid"], b"", b"scte104: --pid needs a value\n", 2),
    ("no_pts_option", ["--pts", "0", "worked.ts"], b"", b"scte104: Unknown option \"--pts\"\n", 2),
    ("bad_frame_rate", ["--frame-rate", "29.97", "worked.ts"], b"",
     b"scte104: Invalid --frame-rate value \"29.97\": expected one of 24000/1001, 24, 25, 30000/1001, 30, 50, "
     b"60000/1001, 60\n", 2),
    ("no_input", ["--json-lines"], b"", USAGE, 2),
    ("two_inputs", ["worked.ts", "damage.ts"], b"", b"scte104: --ts reads one stream, not also \"damage.ts\"\n", 2),
    ("full_disk", ["worked.ts"], b"", FULL_DISK, 2),
]
STDIN = {"from_stdin": "worked.ts"}
STDOUT = {"full_disk": "/dev/full"}


def live_pipe(binary):
    """From a pipe, the message line leaves while the stream is still open."""
    data = (HERE / "worked.ts").read_bytes()
    process = subprocess.Popen([binary, "--ts", "--json-lines", "-"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    problems = []
    try:
        process.stdin.write(data[:8 * 188])  # the mark is complete in packet 5
        process.stdin.flush()
        ready, _, _ = select.select([process.stdout], [], [], 10)
        if not ready:
            problems.append("no line before the end of the input")
        else:
            line = os.read(process.stdout.fileno(), 65536)
            if not line.startswith(b'{"packet": 5, "pid": 489, "pts": 903003') or not line.endswith(b"\n"):
                problems.append("first line %r" % line[:80])
        time.sleep(0.1)
        process.stdin.write(data[8 * 188:])
        process.stdin.close()
        rest = process.stdout.read()
        if not rest.endswith(b'"pairings": 1, "problems": 0}}\n'):
            problems.append("the rest %r" % rest[-80:])
    finally:
        process.wait(timeout=10)
    return problems


def main():
    binary = str(Path(sys.argv[1]).resolve())
    results = list(run_stored(binary, "--ts", CASES, HERE, "--update" in sys.argv[2:], stdin=STDIN, stdout_to=STDOUT))
    return report(results + [("live_pipe", live_pipe(binary))])


if __name__ == "__main__":
    sys.exit(main())
