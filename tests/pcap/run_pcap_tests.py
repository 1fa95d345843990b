#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases of --pcap: the built binary on the captures beside this
# file (written by make_captures.py), standard output, standard error and
# exit status compared byte for byte with the files under expected/.
#
# A queue mark's `message` member is what `scte104 --json` prints for its
# bytes, so expected files hold MSG in its place and the member is compared
# with the tool's own --json report of the same bytes.
#
# usage: run_pcap_tests.py BINARY [--update]
import glob
import os
import shutil
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
from e2e import USAGE, report, run_stored  # noqa: E402

BOTH_PORTS = ["--port", "5167", "--port", "6000"]

# name, arguments after --pcap, expected stdout file (or bytes), stderr, status
CASES = [
    ("worked_example_lines", ["--json-lines", "worked_example.pcap"], "worked_example.jsonl", b"", 0),
    ("worked_example_timeline", ["worked_example.pcap"], "worked_example.txt", b"", 0),
    ("options_any_order", ["--port", "5167", "--pts", "900000", "--json-lines", "--frame-rate", "25",
                           "worked_example.pcap"], "worked_example.jsonl", b"", 0),
    ("sll2_mid_connection", ["--json-lines", "mid_connection.pcap"], "mid_connection.jsonl", b"", 0),
    ("pcapng_ipv6_troubles", ["--json-lines", "troubles.pcapng"], "troubles.jsonl", b"", 0),
    ("pcapng_ipv6_timeline", ["troubles.pcapng"], "troubles.txt", b"", 0),
    ("two_connections", ["--json-lines"] + BOTH_PORTS + ["two_connections.pcap"], "two_connections.jsonl",
     b"", 0),
    ("other_port_only", ["--port", "6000", "two_connections.pcap"], "other_port_only.txt", b"", 0),
    ("null_link_reconnects", ["--json-lines", "--port", "5167", "--port", "5168", "reconnect.pcap"],
     "reconnect.jsonl", b"", 0),
    ("half_close", ["half_close.pcap"], "half_close.txt", b"", 0),
    ("cut_file", ["--json-lines", "cut.pcap"], "cut.jsonl", b"", 0),
    ("raw_ip_from_stdin", ["--json-lines", "-"], "raw_ipv4.jsonl", b"", 0),
    ("missing_file", ["missing.pcap"], b"",
     b"scte104: Cannot open missing.pcap: No such file or directory\n", 1),
    ("empty_file", ["EMPTY"], b"", b"scte104: EMPTY is not a pcap or pcapng file\n", 2),
    ("not_a_capture", ["make_captures.py"], b"", b"scte104: make_captures.py is not a pcap or pcapng file\n", 2),
    ("link_type_refused", ["link_147.pcap"], b"", b"scte104: link_147.pcap: link type 147 is not supported\n", 2),
    ("port_zero", ["--port", "0", "cut.pcap"], b"",
     b"scte104: Invalid --port value \"0\": expected a TCP port from 1 to 65535\n", 2),
    ("port_too_big", ["--port", "65536", "cut.pcap"], b"",
     b"scte104: Invalid --port value \"65536\": expected a TCP port from 1 to 65535\n", 2),
    ("port_sign", ["--port", "+80", "cut.pcap"], b"",
     b"scte104: Invalid --port value \"+80\": expected a TCP port from 1 to 65535\n", 2),
    ("port_without_value", ["--port"], b"", b"scte104: --port needs a value\n", 2),
    ("bad_pts", ["--pts", "x", "cut.pcap"], b"",
     b"scte104: Invalid --pts value \"x\": expected 90 kHz ticks from 0 to 8589934591\n", 2),
    ("no_input", ["--json-lines"], b"", USAGE, 2),
    ("two_inputs", ["cut.pcap", "cut.pcap"], b"", b"scte104: --pcap reads one capture, not also \"cut.pcap\"\n", 2),
]
STDIN = {"raw_ip_from_stdin": "raw_ipv4.pcap"}
# Run with libpcap hidden: the tool loads it only to read a capture.
NO_LIBPCAP = ("libpcap_missing", ["cut.pcap"], b"",
              b"scte104: Cannot load libpcap.so.0.8, which reading captures needs: install the package libpcap0.8\n", 1)


def without_libpcap():
    """A command prefix under which libpcap.so.0.8 cannot be loaded (a mount
    namespace with /dev/null over it), [] when it is not installed anyway,
    or why neither can be had."""
    found = sorted({os.path.realpath(p) for p in glob.glob("/usr/lib/*/libpcap.so.0.8")})
    if not found:
        return []
    prefix = ["unshare", "--mount", "--map-root-user", "sh", "-c",
              "".join('mount --bind /dev/null "%s" && ' % path for path in found) + 'exec "$@"', "sh"]
    if shutil.which("unshare") is None or subprocess.run(prefix + ["true"], capture_output=True).returncode != 0:
        return "no mount namespace here to hide libpcap.so.0.8 in"
    return prefix


def main():
    binary, update = str(Path(sys.argv[1]).resolve()), "--update" in sys.argv[2:]
    results = list(run_stored(binary, "--pcap", CASES, HERE, update, stdin=STDIN))
    prefix = without_libpcap()
    if isinstance(prefix, str):
        print("%-40s skipped: %s" % (NO_LIBPCAP[0], prefix))
    else:
        results += run_stored(binary, "--pcap", [NO_LIBPCAP], HERE, False, prefix=prefix)
    return report(results)


if __name__ == "__main__":
    sys.exit(main())
