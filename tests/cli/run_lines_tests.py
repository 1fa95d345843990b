#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases for --json-lines: each line's JSON is the single-mark
# --json report of that line (or its refusal), a live pipe gets each mark's
# line before the next is sent, and the exit statuses.
#
# usage: run_lines_tests.py BINARY
import json
import os
import select
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import run_cli_tests as cli  # noqa: E402
from e2e import FULL_DISK, USAGE, checked, differences, report, run  # noqa: E402

OPTIONS = ["--pts", "900000", "--frame-rate", "25"]
SEGMENTATION = cli.b64("ffff00390000d100000000020104000205dc010b00230000000100001e0111534f4d45574654"
                       "5550494449534845524520010a0f0101010101")
REFUSED = b'{"line": 2, "error": "Message ends early: reserved needs 2 bytes at offset 0, message holds 0"}\n'
MIXED = ["# a comment", "", " \t ", cli.HELP_B64 + "\r", "\t" + cli.b64(cli.LAYOUTS_MSG) + " \r", "CA==",
         cli.b64("fffe001e"), "!", "  # indented, still a comment", cli.HELP_B64 + "AAAA more",
         cli.b64(cli.BIG_MSG), SEGMENTATION]  # the last without a line feed


def single(binary, mark, workdir):  # what --json says of one mark, as (key, value) pairs
    args = [mark]
    if len(mark) > 100000:  # too long for one argument
        (workdir / "mark.bin").write_bytes(bytes.fromhex("08" + cli.BIG_MSG))
        args = ["-f", str(workdir / "mark.bin")]
    r = run(binary, ["--json"] + OPTIONS + args, timeout=300)
    if r.returncode == 0:
        return json.loads(r.stdout, object_pairs_hook=list)
    assert r.stdout == b"" and r.stderr.startswith(b"scte104: ") and r.returncode == 2, r
    return [("error", r.stderr[9:-1].decode())]


def mixed_file(binary, workdir):
    path = workdir / "mixed.txt"
    path.write_bytes("\n".join(MIXED).encode())
    r = run(binary, ["--json-lines"] + OPTIONS + [str(path), "ignored"], timeout=300)
    assert (r.returncode, r.stderr) == (2, b""), (r.returncode, r.stderr)
    got = [json.loads(line, object_pairs_hook=list) for line in r.stdout.decode().split("\n")[:-1]]
    marks = [(n, m.strip(" \t\r")) for n, m in enumerate(MIXED, 1) if m.strip(" \t\r")[:1] not in ("", "#")]
    assert [g[0] for g in got] == [("line", n) for n, _ in marks], [g[0] for g in got]
    for (n, mark), line in zip(marks, got):
        assert line[1:] == single(binary, mark, workdir), "line %d differs from its --json report" % n


def live_pipe(binary, _):
    p = subprocess.Popen([binary, "--json-lines", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    for n, mark in enumerate([cli.HELP_B64, "# no output", "CA==", SEGMENTATION], 1):
        p.stdin.write(mark.encode() + b"\n")
        p.stdin.flush()
        if mark.startswith("#"):
            continue
        ready, _, _ = select.select([p.stdout], [], [], 60)
        assert ready, "no output for line %d before the next line" % n
        assert json.loads(p.stdout.readline())["line"] == n
    p.stdin.close()
    assert (p.stdout.read(), p.wait(60)) == (b"", 2)


# (name, arguments, input file's text or None, stdout, stderr, status); stdout None: not compared.
STATUS_CASES = [
    ("all_reported", ["{file}"], cli.HELP_B64 + "\n\n", None, b"", 0),
    ("only_refused", ["{file}", "no/such/file"], "# one refused\nCA==\n", REFUSED, b"", 2),
    ("empty_file", ["{file}"], "", b"", b"", 0),
    ("missing_file", ["no/such/marks.txt"], None, b"", b"scte104: Cannot open no/such/marks.txt: No such file or"
                                                      b" directory\n", 1),
    ("no_input", ["--pts", "1"], None, b"", USAGE, 2),
    ("directory", ["data"], None, b"", b"scte104: Cannot read data: Is a directory\n", 2),
    ("full_disk", ["{file}", ">/dev/full"], cli.HELP_B64, None, FULL_DISK, 2),
]


def status_cases(binary, workdir):
    for name, args, text, stdout, stderr, status in STATUS_CASES:
        if text is not None:
            (workdir / name).write_text(text)
        args = [str(workdir / name) if a == "{file}" else a for a in args]
        out_to = args.pop()[1:] if args[-1].startswith(">") else None
        yield name, differences(run(binary, ["--json-lines"] + args, stdout_to=out_to, timeout=300), stdout, stderr,
                                status)


def results(binary, workdir):
    yield checked("mixed_file", lambda: mixed_file(binary, workdir))
    yield checked("live_pipe", lambda: live_pipe(binary, workdir))
    yield from status_cases(binary, workdir)


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as work:
        sys.exit(report(results(os.path.abspath(sys.argv[1]), Path(work))))
