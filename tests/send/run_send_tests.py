#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end runs of scte104 --send against the tiny injector beside this
file: standard output, standard error and the exit status are compared
byte for byte, with the clock's values (times, latencies) masked, and the
bytes the injector read are compared as they are."""
import base64
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e import differences, report, run  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = sys.argv[1]

MARKS = """CP//AB4AASEPoAAAAQEBAA4BAAAAAQAAH0ACWAAAAA==
# second break
CP//AB4AASIPoAAAAQEBAA4BAAAAAQAAH0ACWAAAAA==
QUJD
{"message_number": 35, "operations": [{"opID": 260, "data": ""}]}
"""
INIT = "0001000dffffffff0000010000"
MARK_21 = "ffff001e0001210fa00000010101000e010000000100001f400258000000"
MARK_22 = "ffff001e0001220fa00000010101000e010000000100001f400258000000"
MARK_23 = "ffff0010000023000000000101040000"


def mask(text):
    text = re.sub(r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z', 'TIME', text)
    text = re.sub(r'("latency_us": |"(?:min|p50|p90|p99|max)": )\d+', r'\1N', text)
    text = re.sub(r'\d+ us\b', 'N us', text)
    text = re.sub(r'(p50|p90|p99|min|max) \d+', r'\1 N', text)
    text = re.sub(r'127\.0\.0\.1:\d+', '127.0.0.1:PORT', text)
    return text


def start_serve(*args):
    """scte104 --serve on 127.0.0.1:0, once it says where it listens."""
    serve = subprocess.Popen([TOOL, "--serve", "--json-lines", "--listen", "127.0.0.1:0", *args],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    ready = serve.stderr.readline()
    return serve, int(ready.rsplit(":", 1)[1])


def start_injector(*args):
    injector = subprocess.Popen([sys.executable, os.path.join(HERE, "injector.py"), *args],
                                stdout=subprocess.PIPE, text=True)
    port = int(injector.stdout.readline())
    return injector, port


def send(port, options, marks, signal_after=None):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write(marks)
    tool = subprocess.Popen([TOOL, "--send", f"127.0.0.1:{port}", *options, f.name],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if signal_after is not None:
        time.sleep(signal_after)
        tool.send_signal(signal.SIGTERM)
    out, err = tool.communicate(timeout=30)
    os.unlink(f.name)
    return tool.returncode, out, err


def same(name, got, expected):
    """(name, problems) of two values, strings masked."""
    def masked(values):
        return tuple(mask(x) if isinstance(x, str) else x for x in values) if isinstance(values, tuple) else values
    got, expected = masked(got), masked(expected)
    return name, [] if got == expected else [f"--- expected\n{expected}\n--- got\n{got}"]


SUMMARY_JSON = ('{"summary": {"marks": 3, "accepted": %d, "refused": %d, "no_response": %d, "not_sent": %d, '
                '"interrupted": 0, "errors": 1, "latency_us": {"min": 1, "p50": 1, "p90": 1, "p99": 1, "max": 1}}}\n')
LINE_4 = '{"line": 4, "error": "2 bytes are no multiple_operation_message (12 at least)"}\n'


COMPLETE = '{"result": 100, "result_name": "Successful response", "cue_message_count": 1, "latency_us": 1}'


def mark_json(line, mark, number, status, result=None, name=None, complete="null"):
    times = '"2026-12-07T17:07:10.034631Z"' if status != "not_sent" else "null"
    return ('{"line": %d, "mark": %d, "message_number": %d, "time": %s, "status": "%s", "result": %s, '
            '"result_name": %s, "latency_us": %s, "complete": %s}\n'
            % (line, mark, number, times, status, json_or_null(result), json_or_null(name),
               "null" if result is None else 1, complete))


def json_or_null(value):
    return "null" if value is None else '"%s"' % value if isinstance(value, str) else str(value)


def readable(*lines, summary):
    return "".join(line + "\n" for line in lines) + "summary: %s marks, %s accepted, %s refused, %s no_response, " \
        "%s not_sent, %s interrupted, %s errors%s\n" % summary


ERROR_LINE = "! line 4  2 bytes are no multiple_operation_message (12 at least)"
LATENCIES = "; latency_us min N p50 N p90 N p99 N max N"


def accepted(mark, line, number):
    return f"TIME  mark {mark}  line {line}  message_number {number}  accepted  100 Successful response, N us"


def renumbered(mark, number):
    return mark[:12] + number + mark[14:]


# Against the tiny injector: (name, its options, --send options, SIGTERM after seconds or None, status,
# stdout, stderr, the bytes the injector read (hex, one message an item) or None, how many hex digits of
# each are compared (None: all), the --log's close line (by, how, reason) and its messages and problems).
INJECTED = [
    ("example_json_lines", ["--results", "100,122"], ["--json-lines"], None, 3,
     mark_json(1, 1, 33, "accepted", 100, "Successful response") + LINE_4
     + mark_json(3, 2, 34, "refused", 122, "Splice request too late")
     + mark_json(5, 3, 35, "accepted", 100, "Successful response") + SUMMARY_JSON % (2, 1, 0, 0), "",
     [INIT, MARK_21, MARK_22, MARK_23], None, ("automation", "fin", "end", 8, 1)),
    ("readable_renumbered", [], ["--renumber", "--window", "4"], None, 3,
     readable(ERROR_LINE, accepted(1, 1, 1), accepted(2, 3, 2), accepted(3, 5, 3),
              summary=(3, 3, 0, 0, 0, 0, 1, LATENCIES)), "",
     [INIT, renumbered(MARK_21, "01"), renumbered(MARK_22, "02"), renumbered(MARK_23, "03")], None,
     ("automation", "fin", "end", 8, 0)),
    ("injector_closes", ["--close-at", "2"], ["--json-lines"], None, 1,
     mark_json(1, 1, 33, "accepted", 100, "Successful response") + LINE_4
     + mark_json(3, 2, 34, "no_response") + mark_json(5, 3, 35, "not_sent") + SUMMARY_JSON % (1, 0, 1, 1),
     "scte104: connection lost: closed by the injector\n", None, None, ("injector", "fin", None, 5, 1)),
    # The alive_request after the missing answer carries time(): 21 bytes.
    ("unanswered", ["--silent-after", "1"], ["--response-timeout", "200ms", "--window", "3"], None, 3,
     readable(ERROR_LINE, accepted(1, 1, 33), "TIME  mark 2  line 3  message_number 34  no_response  no inject_response",
              "TIME  mark 3  line 5  message_number 35  no_response  no inject_response",
              summary=(3, 1, 0, 2, 0, 0, 1, LATENCIES)), "",
     [INIT[:20], MARK_21[:20], MARK_22[:20], MARK_23[:20], "00030015ffffffff0000"], 20,
     ("automation", "fin", "end", 8, 2)),
    ("complete_json_lines", ["--results", "100,122", "--complete"], ["--json-lines", "--complete-timeout", "1s"],
     None, 3, mark_json(1, 1, 33, "accepted", 100, "Successful response", COMPLETE) + LINE_4
     + mark_json(3, 2, 34, "refused", 122, "Splice request too late")
     + mark_json(5, 3, 35, "accepted", 100, "Successful response", COMPLETE) + SUMMARY_JSON % (2, 1, 0, 0),
     "", None, None, ("automation", "fin", "end", 11, 1)),
    ("sigterm", ["--silent-after", "0"], [], 2.0, 143,
     readable("TIME  mark 1  line 1  message_number 33  interrupted  no inject_response",
              "-  mark 2  line 3  message_number 34  not_sent  not written", summary=(2, 0, 0, 0, 1, 1, 0, "")),
     "", None, None, ("automation", "fin", "shutdown", 3, 0)),
]


def log_ending(path):
    """The close line's by, how and reason, and the summary's messages and problems."""
    with open(path) as f:
        *_, close, summary = [json.loads(line) for line in f]
    return (close["by"], close["how"], close["reason"], summary["summary"]["messages"],
            summary["summary"]["problems"])


def injected():
    for name, injector_options, options, signal_after, status, out, err, wire, digits, ending in INJECTED:
        injector, port = start_injector(*injector_options)
        with tempfile.TemporaryDirectory() as work:
            log = os.path.join(work, "log.jsonl")
            got = send(port, options + ["--log", log], MARKS, signal_after)
            yield same(name + "_log", log_ending(log), ending)
        read = injector.communicate(timeout=30)[0].split()
        yield same(name, got, (status, out, err))
        if wire is not None:
            yield same(name + "_wire", [w[:digits] for w in read], wire)


OPTION_ERRORS = [
    (["--send", "::1:5167", "-"],
     'scte104: Invalid --send value "::1:5167": expected HOST[:PORT]: an IPv4 address, '
     '[IPv6 address] or host name, PORT 1-65535\n'),
    (["--send", "127.0.0.1", "--window", "0", "-"],
     'scte104: Invalid --window value "0": expected a number from 1 to 255\n'),
    (["--send", "127.0.0.1", "--response-timeout", "0", "-"],
     'scte104: Invalid --response-timeout value "0": expected a duration above 0 such as '
     '250ms or 5s, at most 86400s\n'),
    (["--send", "127.0.0.1", "a", "b"], 'scte104: --send reads one input, not also "b"\n'),
    (["--send", "127.0.0.1"], "scte104: --send needs an input: FILE, or - for standard input\n"),
    (["--send"], "scte104: --send needs a value\n"),
    (["--send", "127.0.0.1", "--dpi-pid-index", "65536", "-"],
     'scte104: Invalid --dpi-pid-index value "65536": expected a number from 0 to 65535\n'),
    (["--send", "127.0.0.1", "--window", "256", "-"],
     'scte104: Invalid --window value "256": expected a number from 1 to 255\n'),
    (["--send", "127.0.0.1", "--leap-seconds", "256", "-"],
     'scte104: Invalid --leap-seconds value "256": expected a number from 0 to 255\n'),
    (["--send", "127.0.0.1", "--as-index", "256", "-"],
     'scte104: Invalid --as-index value "256": expected a number from 0 to 255\n'),
    (["--send", "127.0.0.1", "--alive-time", "yes", "-"],
     'scte104: Invalid --alive-time value "yes": expected on or off\n'),
]


def refused_connection_and_options():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    yield same("connection_refused", send(port, [], MARKS),
               (1, "", f"scte104: cannot connect to 127.0.0.1:{port}: Connection refused\n"))
    for args, expected in OPTION_ERRORS:
        yield "options " + " ".join(args), differences(run(TOOL, args, timeout=30), b"", expected.encode(), 2)


def against_serve():
    """Both ends of one session: --send's transcript and --serve's log hold
    the same message lines, and the mark --serve refuses is reported so."""
    with tempfile.TemporaryDirectory() as work:
        rules = os.path.join(work, "rules")
        with open(rules, "w") as f:
            f.write("message_number=34 => result=122\n")
        serve, port = start_serve("--rules", rules)
        log = os.path.join(work, "send.jsonl")
        status, out, err = send(port, ["--log", log, "--response-timeout", "200ms"], MARKS)
        serve.send_signal(signal.SIGTERM)
        served = serve.communicate(timeout=30)[0]
        yield same("serve_refused", (status, out, err), (3, readable(
            accepted(1, 1, 33), ERROR_LINE, "TIME  mark 2  line 3  message_number 34  refused  122 Splice request too "
            "late, N us", accepted(3, 5, 35), summary=(3, 2, 1, 0, 0, 0, 1, LATENCIES)), ""))

        def messages(text):
            return [re.sub(r'^\{"packet": \d+, "time": "[^"]*", ', "", line)
                    for line in text.splitlines() if '"kind": ' in line]
        with open(log) as f:
            sent = messages(f.read())
        yield same("serve_same_messages", sent, messages(served))
        yield same("serve_message_count", len(sent), 8)
        umask = os.umask(0)
        os.umask(umask)
        yield same("log_mode", os.stat(log).st_mode & 0o777, 0o666 & ~umask)


def serve_killed():
    with tempfile.NamedTemporaryFile("w", delete=False) as rules:
        rules.write("request=mark => delay=5s\n")
    serve, port = start_serve("--rules", rules.name)
    tool = subprocess.Popen([TOOL, "--send", f"127.0.0.1:{port}", "-"], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    tool.stdin.write(MARKS)
    tool.stdin.flush()
    time.sleep(2.0)
    serve.kill()
    serve.communicate(timeout=30)
    os.unlink(rules.name)
    out, err = tool.communicate(timeout=30)
    return same("serve_killed", (tool.returncode, out, err), (1, readable(
        "TIME  mark 1  line 1  message_number 33  no_response  no inject_response",
        "-  mark 2  line 3  message_number 34  not_sent  not written", summary=(2, 0, 0, 1, 1, 0, 0, "")),
        "scte104: connection lost: closed by the injector\n"))


BIG_MARK_SIZE = 65535


def big_marks(count):
    """Marks of the largest size, numbered 0 on, as Base64 lines: more bytes
    than the kernel holds for an injector that does not read."""
    data = b"\x80\x00" + (BIG_MARK_SIZE - 16).to_bytes(2, "big") + bytes(BIG_MARK_SIZE - 16)
    return "".join(base64.b64encode(b"\x08\xff\xff" + BIG_MARK_SIZE.to_bytes(2, "big") + bytes([0, 0, n, 0, 0, 0, 0, 1])
                                    + data).decode() + "\n" for n in range(count))


def drained_after_signal():
    """After SIGTERM the queued bytes still leave, whole marks, while the
    injector reads again within a second; a second signal cuts them off.
    Two different signals, as two of a kind pending at once are one."""
    marks = big_marks(200)
    for name, signals in (("drained", [signal.SIGTERM]), ("drain_cut", [signal.SIGINT, signal.SIGTERM])):
        injector, port = start_injector("--pause", "0.8")
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write(marks)
        tool = subprocess.Popen([TOOL, "--send", f"127.0.0.1:{port}", "--window", "200", f.name],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        time.sleep(0.4)
        for number in signals:
            tool.send_signal(number)
            time.sleep(0.05)
        err = tool.communicate(timeout=30)[1]
        os.unlink(f.name)
        read = int(injector.communicate(timeout=30)[0].split()[-1])
        whole = read > 0 and read % BIG_MARK_SIZE == 0
        yield same(name, (tool.returncode, err, whole), (128 + signals[0], "", len(signals) == 1))


def results():
    yield from drained_after_signal()
    yield from against_serve()
    yield serve_killed()
    yield from injected()
    yield from refused_connection_and_options()


sys.exit(report(results()))
