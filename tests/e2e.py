# SPDX-License-Identifier: MIT
# What every end-to-end runner shares: run the built binary on a case,
# compare standard output, standard error and exit status byte for byte,
# show a diff of what differs, print one line a case and give the runner's
# exit status. The runners import it from the folder above their own.
import base64
import difflib
import json
import subprocess
import tempfile
from pathlib import Path
from types import SimpleNamespace

ROOT = Path(__file__).resolve().parents[1]
USAGE = b"Usage: scte104 [-h] [-v] [-f] [scte-data]\nUse -h/--help for more information\n"
FULL_DISK = b"scte104: Cannot write to standard output: No space left on device\n"


def Case(name, args, stdout=b"", stderr=b"", status=0, **more):  # noqa: N802 (reads like a type)
    return SimpleNamespace(name=name, args=args, stdout=stdout, stderr=stderr, status=status, **more)


def run(binary, args, cwd=ROOT, stdin=b"", stdout_to=None, argv0="scte104", prefix=(), timeout=120):
    """The binary under the name argv0, or behind a command prefix. stdout_to
    names a file for standard output ("closed": no standard output at all)."""
    if stdout_to == "closed":
        command, executable, stdout_to = ["sh", "-c", 'exec "$0" "$@" >&-', binary, *args], None, None
    elif prefix:
        command, executable = [*prefix, binary, *args], None
    else:
        command, executable = [argv0, *args], binary
    if stdout_to is None:
        return subprocess.run(command, executable=executable, cwd=cwd, input=stdin, capture_output=True,
                              timeout=timeout)
    with open(stdout_to, "wb") as sink:
        result = subprocess.run(command, executable=executable, cwd=cwd, input=stdin, stdout=sink,
                                stderr=subprocess.PIPE, timeout=timeout)
    result.stdout = b""
    return result


def show(name, got, expected):
    """The difference of two outputs: a unified diff of text, else both in full (cut at 3000 bytes)."""
    try:
        lines = difflib.unified_diff(expected.decode().splitlines(True), got.decode().splitlines(True),
                                     "expected", "got", n=1)
        return "%s differs:\n%s" % (name, "".join(lines)[:6000])
    except UnicodeDecodeError:
        return "%s differs:\n--- got\n%r\n--- expected\n%r" % (name, got[:3000], expected[:3000])


def differences(result, stdout, stderr, status):
    """What differs from the expected run; stdout None is not compared."""
    problems = [] if result.returncode == status else ["exit status %d, expected %d" % (result.returncode, status)]
    problems += [show(name, got, want) for name, got, want in
                 (("stderr", result.stderr, stderr), ("stdout", result.stdout, stdout))
                 if want is not None and got != want]
    return problems


def report(results):
    """Prints each (name, problems) as it comes; 1 when any case failed, else 0."""
    failures = 0
    for name, problems in results:
        print("%-40s %s" % (name, "FAIL" if problems else "ok"), flush=True)
        for p in problems:
            print("    " + p.replace("\n", "\n    "))
        failures += bool(problems)
    print("%d failed" % failures)
    return 1 if failures else 0


def checked(name, check):
    """(name, problems) of a check that raises AssertionError when it fails."""
    try:
        check()
        return name, []
    except AssertionError as e:
        return name, [str(e)[:3000]]


def mask_marks(binary, args, stdout):
    """stdout with every queue mark's message member replaced by MSG, once
    it is checked to be what --json prints for the same bytes (with the
    case's --pts and --frame-rate, or the line's own pts)."""
    options = []
    for i, arg in enumerate(args):
        if arg in ("--pts", "--frame-rate"):
            options += args[i:i + 2]
    lines = []
    for line in stdout.decode().splitlines(True):
        at = line.find('"kind": "multiple_operation_message", ')
        at = line.find('"message": ', at) if at >= 0 else -1
        if at >= 0:
            report = json.loads(line[at + 11:-2])
            pts = json.loads(line).get("pts")
            mark = base64.b64encode(bytes.fromhex("08" + report["hex"])).decode()
            own = subprocess.run([binary, "--json"] + options + ["--pts", str(pts)] * (pts is not None) + [mark],
                                 capture_output=True, check=True).stdout
            if json.loads(own) != report:
                raise AssertionError("message differs from --json: " + line[at:at + 200])
            line = line[:at] + '"message": MSG}\n'
        lines.append(line)
    return "".join(lines).encode()


def run_stored(binary, mode, cases, here, update, stdin=None, stdout_to=None, prefix=()):
    """The cases of a mode that reads files beside the runner: (name,
    arguments after the mode, expected stdout as a file under expected/ or
    as bytes, stderr, status). EMPTY stands for an empty file; stdin and
    stdout_to map a case's name to its input file and its output file.
    With update, the expected files are written from what the binary says."""
    with tempfile.TemporaryDirectory() as workdir:
        empty = str(Path(workdir) / "empty")
        Path(empty).write_bytes(b"")
        for name, args, expected, stderr, status in cases:
            args = [empty if a == "EMPTY" else a for a in args]
            source = (stdin or {}).get(name)
            result = run(binary, [mode] + args, cwd=here, stdin=(here / source).read_bytes() if source else b"",
                         stdout_to=(stdout_to or {}).get(name), prefix=prefix, timeout=60)
            try:
                result.stdout = mask_marks(binary, args, result.stdout) if status == 0 else result.stdout
            except AssertionError as e:
                yield name, [str(e)]
                continue
            if isinstance(expected, str):
                if update:
                    (here / "expected" / expected).write_bytes(result.stdout)
                expected = (here / "expected" / expected).read_bytes()
            yield name, differences(result, expected, stderr.replace(b"EMPTY", empty.encode()), status)
