#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases of --anc: the built binary on the captures beside this
# file (written by make_captures.py), standard output, standard error and
# exit status compared byte for byte with the files under expected/. A
# queue mark's `message` member is checked against --json for the same
# bytes and stands as MSG in the expected files, as in the --pcap cases.
#
# usage: run_anc_tests.py BINARY [--update]
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
from e2e import USAGE, report, run_stored  # noqa: E402

PORT = ["--port", "5004"]

# name, arguments after --anc, expected stdout file (or bytes), stderr, status
CASES = [
    ("example_lines", ["--json-lines"] + PORT + ["example.pcap"], "example.jsonl", b"", 0),
    ("example_timeline", PORT + ["example.pcap"], "example.txt", b"", 0),
    ("options_any_order", ["--pts", "900000", "--port", "6000", "--json-lines", "--frame-rate", "25"]
     + PORT + ["example.pcap"], "example_pts.jsonl", b"", 0),
    ("rtp_layers", ["--json-lines"] + PORT + ["rtp_layers.pcap"], "rtp_layers.jsonl", b"", 0),
    ("anc_packets_ipv6", ["--json-lines"] + PORT + ["anc_packets.pcapng"], "anc_packets.jsonl", b"", 0),
    ("sequences", ["--json-lines"] + PORT + ["sequences.pcap"], "sequences.jsonl", b"", 0),
    ("streams", ["--json-lines"] + PORT + ["streams.pcap"], "streams.jsonl", b"", 0),
    ("streams_timeline", PORT + ["streams.pcap"], "streams.txt", b"", 0),
    ("cut_from_stdin", ["--json-lines"] + PORT + ["-"], "cut.jsonl", b"", 0),
    ("cut_timeline", PORT + ["cut.pcap"], "cut.txt", b"", 0),
    ("other_port", ["--port", "5006", "rtp_layers.pcap"], "other_port.txt", b"", 0),
    ("no_port", ["--json-lines", "example.pcap"], b"", USAGE, 2),
    ("no_input", PORT, b"", USAGE, 2),
    ("port_zero", ["--port", "0", "example.pcap"], b"",
     b"scte104: Invalid --port value \"0\": expected a UDP port from 1 to 65535\n", 2),
    ("port_without_value", ["--port"], b"", b"scte104: --port needs a value\n", 2),
    ("bad_frame_rate", PORT + ["--frame-rate", "0", "example.pcap"], b"",
     b"scte104: Invalid --frame-rate value \"0\": expected one of 24000/1001, 24, 25, 30000/1001, "
     b"30, 50, 60000/1001, 60\n", 2),
    ("two_inputs", PORT + ["example.pcap", "cut.pcap"], b"",
     b"scte104: --anc reads one capture, not also \"cut.pcap\"\n", 2),
    ("missing_file", PORT + ["missing.pcap"], b"",
     b"scte104: Cannot open missing.pcap: No such file or directory\n", 1),
    ("empty_file", PORT + ["EMPTY"], b"", b"scte104: EMPTY is not a pcap or pcapng file\n", 2),
    ("not_a_capture", PORT + ["rtp_writer.py"], b"",
     b"scte104: rtp_writer.py is not a pcap or pcapng file\n", 2),
]
STDIN = {"cut_from_stdin": "cut.pcap"}


if __name__ == "__main__":
    sys.exit(report(run_stored(str(Path(sys.argv[1]).resolve()), "--anc", CASES, HERE, "--update" in sys.argv[2:],
                               stdin=STDIN)))
