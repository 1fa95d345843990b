#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end runs of --serve on 127.0.0.1:0 (the system picks the port, so
# runs go in parallel): the readiness line, answers byte for byte, the log
# in both forms (times and ports masked) and the same session read back by
# --pcap, the limits and timeouts, SIGTERM, and the exit statuses.
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path[:0] = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", d) for d in ("pcap", "")]
import capture_writer as cw  # noqa: E402
from e2e import differences, report, run  # noqa: E402

BINARY = sys.argv[1]
INIT = bytes.fromhex("0001000dffffffff0000010000")
MARK = bytes.fromhex("ffff001e0000ab00000000010101000e01400002b4000001e004b0000000")
ALIVE = bytes.fromhex("00030015ffffffff00000200005689eb7f0003ebe8")
results = []


def check(name, condition, detail=""):
    results.append((name, [] if condition else [str(detail)]))


class Serve:
    def __init__(self, *options, rules=None):
        args = [BINARY, "--serve", "--listen", "127.0.0.1:0"] + list(options)
        if rules is not None:
            self.rules = tempfile.NamedTemporaryFile("w", suffix=".rules", delete=False)
            self.rules.write(rules)
            self.rules.close()
            args += ["--rules", self.rules.name]
        self.started = time.monotonic()
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.ready = self.process.stderr.readline().decode()
        self.port = int(self.ready.strip().rsplit(":", 1)[1])
        # Read the log as it comes: a blocked standard output stalls the tool.
        self.log = []
        self.reader = threading.Thread(target=lambda: self.log.append(self.process.stdout.read()))
        self.reader.start()

    def connect(self):
        s = socket.create_connection(("127.0.0.1", self.port))
        s.settimeout(10)
        return s

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=10)
        self.reader.join()
        return self.log[0].decode(), self.process.stderr.read().decode(), self.process.returncode


def receive(s, size):
    data = b""
    while len(data) < size:
        chunk = s.recv(size - len(data))
        if not chunk:
            break
        data += chunk
    return data


def at_eof(s):
    try:
        return s.recv(100) == b""
    except ConnectionResetError:
        return True


def mask(text, client_port, server_port):
    text = re.sub(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z", "TIME", text)
    text = text.replace(f":{client_port}", ":AS").replace(f":{server_port}", ":INJ")
    return re.sub(r'"data": "[0-9a-f]{16}", "fields": \{"seconds": \d+, "microseconds": \d+\}',
                  '"data": "TIME", "fields": {}', text)


def session(*options):
    """The example session: init, the help example's mark, alive with time(), FIN."""
    serve = Serve(*options)
    s = serve.connect()
    client_port = s.getsockname()[1]
    sent, got = [], []
    for message, answer_size in ((INIT, 13), (MARK, 14 + (15 if "--complete" in options else 0)),
                                 (ALIVE, 21)):
        s.sendall(message)
        sent.append(message)
        got.append(receive(s, answer_size))
    s.shutdown(socket.SHUT_WR)
    check("session_eof", at_eof(s))
    s.close()
    time.sleep(0.1)
    out, err, status = serve.stop()
    return serve, client_port, sent, got, out, err, status


def test_session_json_lines():
    serve, port, sent, got, out, err, status = session("--json-lines", "--complete", "0")
    check("ready_line", serve.ready == f"scte104: listening on 127.0.0.1:{serve.port}\n",
          repr(serve.ready))
    check("status_0", (err, status) == ("", 0))
    check("init_response", got[0].hex() == "0002000d0064ffff0000010000", got[0].hex())
    check("inject_responses", got[1].hex() == "0007000e0064ffff0000020000ab"
          "0008000f0064ffff0000030000ab01", got[1].hex())
    check("alive_response", got[2].hex()[:26] == "000400150064ffff0000020000", got[2].hex())
    seconds = int.from_bytes(got[2][13:17], "big")
    check("alive_time", abs(seconds - (time.time() - 315964800 + 18)) < 5, seconds)
    lines = out.splitlines()
    expected = [
        ("to_injector", "event", "open"), ("to_injector", "kind", "single_operation_message"),
        ("from_injector", "kind", "single_operation_message"),
        ("to_injector", "kind", "multiple_operation_message"),
        ("from_injector", "kind", "single_operation_message"),
        ("from_injector", "kind", "single_operation_message"),
        ("to_injector", "kind", "single_operation_message"),
        ("from_injector", "kind", "single_operation_message"), ("to_injector", "event", "close")]
    parsed = [json.loads(line) for line in lines]
    check("line_kinds", [(p.get("direction"), "event" if "event" in p else "kind",
                          p.get("event", p.get("kind"))) for p in parsed[:-1]] == expected, out)
    check("packets", [p["packet"] for p in parsed[:-1]] == [1, 2, 3, 4, 5, 5, 6, 7, 8], out)
    check("close_line", parsed[-2].get("by") == "automation" and parsed[-2].get("how") == "fin"
          and parsed[-2].get("reason") is None, lines[-2])
    check("summary", lines[-1] == '{"summary": {"packets": 8, "connections": 1, "messages": 7, '
          '"problems": 0}}', lines[-1])
    # The same bytes as a capture give the same message and problem lines.
    conversation = cw.Conversation(("127.0.0.1", port), ("127.0.0.1", serve.port))
    records = [(1, 0, cw.frame(cw.ETHERNET, f)) for f in conversation.handshake()]
    for request, answer in zip(sent, got):
        records.append((1, 0, cw.frame(cw.ETHERNET, conversation.segment("c", payload=request))))
        records.append((1, 0, cw.frame(cw.ETHERNET, conversation.segment("s", payload=answer))))
    with tempfile.NamedTemporaryFile(suffix=".pcap", delete=False) as f:
        f.write(cw.pcap(records))
    captured = subprocess.run([BINARY, "--pcap", "--json-lines", "--port", str(serve.port), f.name],
                              capture_output=True, text=True).stdout.splitlines()
    os.unlink(f.name)

    def comparable(line):
        p = json.loads(line)
        p.pop("packet", None)
        p.pop("time", None)
        if p.get("message", {}).get("opID") == 4:
            p["message"].pop("data")
            p["message"].pop("fields")
        return p
    live = [comparable(line) for line in lines[:-1] if '"event"' not in line]
    check("pcap_same_lines", live == [comparable(line) for line in captured[:-1]],
          "\n".join(captured))


def test_session_timeline():
    serve, port, _, _, out, _, status = session()
    expected = """= TIME  #1  127.0.0.1:AS > 127.0.0.1:INJ  open  connection 1
TIME  #2  127.0.0.1:AS > 127.0.0.1:INJ  init_request  message_number 1
TIME  #3  127.0.0.1:INJ > 127.0.0.1:AS  init_response  100 Successful response
TIME  #4  127.0.0.1:AS > 127.0.0.1:INJ  multiple_operation_message  message_number 171, splice_request_data
TIME  #5  127.0.0.1:INJ > 127.0.0.1:AS  inject_response  message_number 171
TIME  #6  127.0.0.1:AS > 127.0.0.1:INJ  alive_request  message_number 2
TIME  #7  127.0.0.1:INJ > 127.0.0.1:AS  alive_response  100 Successful response
= TIME  #8  127.0.0.1:AS > 127.0.0.1:INJ  close  by automation, fin
summary: 8 packets, 1 connections, 6 messages, 0 problems
"""
    check("timeline", mask(out, port, serve.port) == expected, out)
    check("timeline_status", status == 0)


# (name, options, rules, bytes sent, answer bytes expected (hex), log lines expected after open)
FAULTS = [
    ("framing_lost", [], None, bytes.fromhex("0003000cffffffff00000100"),
     "0000000d007200030000000000",
     ['"problem": "framing_lost", "opID": 3, "messageSize": 12',
      '"result": 114', '"problem": "response_result"',
      '"event": "close", "by": "injector", "how": "fin", "reason": "framing_lost"']),
    ("oversized", ["--max-message", "100"], None, bytes.fromhex("ffff0065"),
     "0000000d0072ffff0000000000",
     ['"problem": "oversized", "opID": 65535, "messageSize": 101',
      '"result": 114', '"problem": "response_result"',
      '"event": "close", "by": "injector", "how": "fin", "reason": "oversized"']),
    ("stalled", ["--message-timeout", "200ms"], None, INIT[:5], "",
     ['"problem": "stalled", "bytes": 5',
      '"event": "close", "by": "injector", "how": "fin", "reason": "stalled"']),
    ("idle", ["--idle-timeout", "200ms"], None, INIT, "0002000d0064ffff0000010000",
     ['"kind": "single_operation_message"', '"kind": "single_operation_message"',
      '"problem": "idle", "since_packet": 2',
      '"event": "close", "by": "injector", "how": "fin", "reason": "idle"']),
    ("rule_close", [], "request=init => close\n", INIT, "",
     ['"kind": "single_operation_message"',
      '"event": "close", "by": "injector", "how": "fin", "reason": "rule"']),
    ("leftover_after_fin", [], None, INIT + INIT[:3], "0002000d0064ffff0000010000",
     ['"kind": "single_operation_message"', '"kind": "single_operation_message"',
      '"problem": "leftover", "bytes": 3',
      '"event": "close", "by": "automation", "how": "fin", "reason": null']),
]


def test_faults():
    for name, options, rules, request, answer, log in FAULTS:
        serve = Serve("--json-lines", *options, rules=rules)
        s = serve.connect()
        s.sendall(request)
        if name == "leftover_after_fin":
            s.shutdown(socket.SHUT_WR)
        got = receive(s, len(answer) // 2)
        check(name + "_answer", got.hex() == answer, got.hex())
        check(name + "_closed", at_eof(s))
        s.close()
        time.sleep(0.05)
        out, _, status = serve.stop()
        lines = out.splitlines()[1:-1]
        check(name + "_log", len(lines) == len(log) and
              all(part in line for part, line in zip(log, lines)), out)
        check(name + "_status", status == 0)


def test_connection_limit_and_backlog():
    serve = Serve("--json-lines", "--max-connections", "1", rules="request=mark => delay=60s\n")
    first = serve.connect()
    second = serve.connect()
    check("limit_closed", at_eof(second))
    first.sendall(MARK * 1025)
    check("backlog_reset", at_eof(first))
    out, _, status = serve.stop()
    check("limit_line", '"problem": "connection_limit", "limit": 1' in out, out[-600:])
    check("backlog_line", '"problem": "backlog", "bytes": 0, "answers": 1025' in out, out[-600:])
    check("backlog_close", '"how": "rst", "reason": "backlog"' in out, out[-600:])
    check("no_answer_lines", '"from_injector", "kind"' not in out)


def test_fin_then_answer_and_sigterm_with_pending():
    serve = Serve("--json-lines", "--delay", "300ms")
    s = serve.connect()
    s.sendall(INIT)
    s.shutdown(socket.SHUT_WR)
    check("answer_after_fin", receive(s, 13).hex() == "0002000d0064ffff0000010000")
    check("closed_after_answer", at_eof(s))
    later = serve.connect()
    later.sendall(INIT)
    time.sleep(0.1)
    begun = time.monotonic()
    out, err, status = serve.stop()
    check("shutdown_quick", time.monotonic() - begun < 1.5)
    lines = out.splitlines()
    check("shutdown_status", (status, err) == (0, ""), err)
    check("shutdown_close", '"by": "injector", "how": "fin", "reason": "shutdown"' in lines[-2],
          lines[-2])
    check("summary_last", lines[-1].startswith('{"summary": {"packets": '), lines[-1])
    check("pending_dropped", at_eof(later))


STATUS_CASES = [
    ("bad_delay", ["--delay", "1.5s"], None,
     'scte104: Invalid --delay value "1.5s": expected a duration such as 250ms or 5s, at most 86400s\n', 2),
    ("zero_message_timeout", ["--message-timeout", "0"], None,
     'scte104: Invalid --message-timeout value "0": expected a duration that is not 0\n', 2),
    ("host_name", ["--listen", "localhost:5167"], None,
     'scte104: Invalid --listen value "localhost:5167": expected an IPv4 address or a bracketed IPv6 address\n', 2),
    ("bad_port", ["--listen", "127.0.0.1:65536"], None,
     'scte104: Invalid --listen value "127.0.0.1:65536": expected a port from 0 to 65535\n', 2),
    ("missing_value", ["--result"], None, "scte104: --result needs a value\n", 2),
    ("input_given", ["x"], None, 'scte104: --serve takes no input, not "x"\n', 2),
    ("bad_rule", [], "# rules\nrequest=mark => drop close\n", "scte104: RULES:2: drop stands alone\n", 2),
    ("missing_rules", ["--rules", "/nonexistent/rules"], None,
     "scte104: Cannot open /nonexistent/rules: No such file or directory\n", 1),
]


def test_exclusive():
    serve = Serve("--exclusive", "--exclusive")  # a flag may be given twice
    first, second = serve.connect(), serve.connect()
    first.sendall(INIT)
    check("exclusive_first", receive(first, 13).hex() == "0002000d0064ffff0000010000")
    second.sendall(INIT)
    check("exclusive_second_in_use", receive(second, 13).hex() == "0002000d006effff0000010000")
    first.close()
    second.close()
    check("exclusive_status", serve.stop()[2] == 0)


def test_statuses():
    for name, options, rules, error, status in STATUS_CASES:
        with tempfile.NamedTemporaryFile("w", suffix=".rules") as f:
            f.write(rules or "")
            f.flush()
            result = run(BINARY, ["--serve", "--listen", "127.0.0.1:0"] + options + ["--rules", f.name] * bool(rules),
                         timeout=5)
        result.stderr = result.stderr.replace(f.name.encode(), b"RULES")
        results.append((name, differences(result, b"", error.encode(), status)))
    taken = socket.socket()
    taken.bind(("127.0.0.1", 0))
    taken.listen()
    port = taken.getsockname()[1]
    results.append(("port_in_use", differences(run(BINARY, ["--serve", "--listen", f"127.0.0.1:{port}"], timeout=5), b"",
                                               b"scte104: Cannot listen on 127.0.0.1:%d: Address already in use\n" % port,
                                               1)))


for test in (test_session_json_lines, test_session_timeline, test_faults,
             test_connection_limit_and_backlog, test_fin_then_answer_and_sigterm_with_pending,
             test_exclusive, test_statuses):
    test()
sys.exit(report(results))
