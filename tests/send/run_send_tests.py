#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end runs of scte104 --send against the tiny injector beside this
file: standard output, standard error and the exit status are compared
byte for byte, with the clock's values (times, latencies) masked, and the
bytes the injector read are compared as they are."""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

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


FAILURES = []


def check(name, got, expected):
    got = tuple(mask(x) if isinstance(x, str) else x for x in got) if isinstance(got, tuple) else got
    expected = (tuple(mask(x) if isinstance(x, str) else x for x in expected)
                if isinstance(expected, tuple) else expected)
    if got != expected:
        FAILURES.append(name)
        print(f"FAIL {name}\n--- expected\n{expected}\n--- got\n{got}")
    else:
        print(f"ok   {name}")


def test_example_json_lines():
    injector, port = start_injector("--results", "100,122")
    status, out, err = send(port, ["--json-lines"], MARKS)
    wire = injector.communicate(timeout=30)[0].split()
    check("example_json_lines", (status, mask(out), err), (3, mask(
        '{"line": 1, "mark": 1, "message_number": 33, "time": "T", "status": "accepted", "result": 100, "result_name": "Successful response", "latency_us": 1, "complete": null}\n'
        '{"line": 4, "error": "2 bytes are no multiple_operation_message (12 at least)"}\n'
        '{"line": 3, "mark": 2, "message_number": 34, "time": "T", "status": "refused", "result": 122, "result_name": "Splice request too late", "latency_us": 1, "complete": null}\n'
        '{"line": 5, "mark": 3, "message_number": 35, "time": "T", "status": "accepted", "result": 100, "result_name": "Successful response", "latency_us": 1, "complete": null}\n'
        '{"summary": {"marks": 3, "accepted": 2, "refused": 1, "no_response": 0, "not_sent": 0, "interrupted": 0, "errors": 1, "latency_us": {"min": 1, "p50": 1, "p90": 1, "p99": 1, "max": 1}}}\n'
    ).replace('"T"', '"2026-12-07T17:07:10.034631Z"'), ""))
    check("example_wire", wire, [INIT, MARK_21, MARK_22, MARK_23])


def test_example_readable_and_renumbered():
    injector, port = start_injector()
    status, out, err = send(port, ["--renumber", "--window", "4"], MARKS)
    wire = injector.communicate(timeout=30)[0].split()
    check("readable_renumbered", (status, mask(out), err), (3,
        "! line 4  2 bytes are no multiple_operation_message (12 at least)\n"
        "TIME  mark 1  line 1  message_number 1  accepted  100 Successful response, N us\n"
        "TIME  mark 2  line 3  message_number 2  accepted  100 Successful response, N us\n"
        "TIME  mark 3  line 5  message_number 3  accepted  100 Successful response, N us\n"
        "summary: 3 marks, 3 accepted, 0 refused, 0 no_response, 0 not_sent, 0 interrupted, "
        "1 errors; latency_us min N p50 N p90 N p99 N max N\n", ""))
    check("renumbered_wire", wire,
          [INIT, MARK_21[:12] + "01" + MARK_21[14:], MARK_22[:12] + "02" + MARK_22[14:],
           MARK_23[:12] + "03" + MARK_23[14:]])


def test_injector_closes():
    injector, port = start_injector("--close-at", "2")
    status, out, err = send(port, ["--json-lines"], MARKS)
    injector.communicate(timeout=30)
    check("injector_closes", (status, mask(out), err), (1, mask(
        '{"line": 1, "mark": 1, "message_number": 33, "time": "2026-12-07T17:07:10.034631Z", "status": "accepted", "result": 100, "result_name": "Successful response", "latency_us": 1, "complete": null}\n'
        '{"line": 4, "error": "2 bytes are no multiple_operation_message (12 at least)"}\n'
        '{"line": 3, "mark": 2, "message_number": 34, "time": "2026-12-07T17:07:10.034631Z", "status": "no_response", "result": null, "result_name": null, "latency_us": null, "complete": null}\n'
        '{"line": 5, "mark": 3, "message_number": 35, "time": null, "status": "not_sent", "result": null, "result_name": null, "latency_us": null, "complete": null}\n'
        '{"summary": {"marks": 3, "accepted": 1, "refused": 0, "no_response": 1, "not_sent": 1, "interrupted": 0, "errors": 1, "latency_us": {"min": 1, "p50": 1, "p90": 1, "p99": 1, "max": 1}}}\n'),
        "scte104: connection lost: closed by the injector\n"))


def test_unanswered_then_alive():
    injector, port = start_injector("--silent-after", "1")
    status, out, err = send(port, ["--response-timeout", "200ms", "--window", "3"], MARKS)
    wire = injector.communicate(timeout=30)[0].split()
    check("unanswered", (status, mask(out), err), (3,
        "! line 4  2 bytes are no multiple_operation_message (12 at least)\n"
        "TIME  mark 1  line 1  message_number 33  accepted  100 Successful response, N us\n"
        "TIME  mark 2  line 3  message_number 34  no_response  no inject_response\n"
        "TIME  mark 3  line 5  message_number 35  no_response  no inject_response\n"
        "summary: 3 marks, 1 accepted, 0 refused, 2 no_response, 0 not_sent, 0 interrupted, "
        "1 errors; latency_us min N p50 N p90 N p99 N max N\n", ""))
    # The alive_request after the missing answer carries time(): 21 bytes.
    check("unanswered_wire", [w[:20] for w in wire],
          [INIT[:20], MARK_21[:20], MARK_22[:20], MARK_23[:20], "00030015ffffffff0000"])


def test_sigterm():
    injector, port = start_injector("--silent-after", "0")
    status, out, err = send(port, [], MARKS, signal_after=2.0)
    injector.communicate(timeout=30)
    check("sigterm", (status, mask(out), err), (143,
        "TIME  mark 1  line 1  message_number 33  interrupted  no inject_response\n"
        "-  mark 2  line 3  message_number 34  not_sent  not written\n"
        "summary: 2 marks, 0 accepted, 0 refused, 0 no_response, 1 not_sent, 1 interrupted, "
        "0 errors\n", ""))


def test_refused_connection_and_options():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    status, out, err = send(port, [], MARKS)
    check("connection_refused", (status, out, err),
          (1, "", f"scte104: cannot connect to 127.0.0.1:{port}: Connection refused\n"))
    cases = [
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
        (["--send", "127.0.0.1", "--alive-time", "yes", "-"],
         'scte104: Invalid --alive-time value "yes": expected on or off\n'),
    ]
    for args, expected in cases:
        run = subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=30)
        check("options " + " ".join(args), (run.returncode, run.stdout, run.stderr), (2, "", expected))


def test_against_serve():
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
        check("serve_refused", (status, mask(out), err), (3,
            "TIME  mark 1  line 1  message_number 33  accepted  100 Successful response, N us\n"
            "! line 4  2 bytes are no multiple_operation_message (12 at least)\n"
            "TIME  mark 2  line 3  message_number 34  refused  122 Splice request too late, N us\n"
            "TIME  mark 3  line 5  message_number 35  accepted  100 Successful response, N us\n"
            "summary: 3 marks, 2 accepted, 1 refused, 0 no_response, 0 not_sent, 0 interrupted, "
            "1 errors; latency_us min N p50 N p90 N p99 N max N\n", ""))

        def messages(text):
            return [re.sub(r'^\{"packet": \d+, "time": "[^"]*", ', "", line)
                    for line in text.splitlines() if '"kind": ' in line]
        with open(log) as f:
            sent = messages(f.read())
        check("serve_same_messages", sent, messages(served))
        check("serve_message_count", len(sent), 8)


def test_serve_killed():
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
    check("serve_killed", (tool.returncode, mask(out), err), (1,
        "TIME  mark 1  line 1  message_number 33  no_response  no inject_response\n"
        "-  mark 2  line 3  message_number 34  not_sent  not written\n"
        "summary: 2 marks, 0 accepted, 0 refused, 1 no_response, 1 not_sent, 0 interrupted, "
        "0 errors\n", "scte104: connection lost: closed by the injector\n"))


for test in [test_against_serve, test_serve_killed, test_example_json_lines, test_example_readable_and_renumbered, test_injector_closes,
             test_unanswered_then_alive, test_sigterm, test_refused_connection_and_options]:
    test()
sys.exit(1 if FAILURES else 0)
