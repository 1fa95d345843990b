#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# --send against a minimal blocking C++ injector (send_injector.cpp), both
# on this machine: marks a second stop-and-wait (100,000 marks) and with
# --window 8 (1,000,000 marks, message_numbers k mod 256), the latency
# percentiles of the tool's own summary, and the peak resident memory of
# 100,000 and 1,000,000 marks. Needs g++, python3 and GNU time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
tool=$PWD/build/release/scte104
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -O2 -std=c++17 -o "$work/injector" bench/send_injector.cpp

python3 - "$work" <<'PY'
import base64, sys
work = sys.argv[1]
template = bytes.fromhex("08ffff001e0001000fa00000010101000e010000000100001f400258000000")
for count in (100_000, 1_000_000):
    with open(f"{work}/marks_{count}.txt", "w") as f:
        for k in range(count):
            mark = bytearray(template)
            mark[7] = k % 256  # message_number, behind the lead byte
            f.write(base64.b64encode(bytes(mark)).decode() + "\n")
PY

run() {  # run COUNT OPTIONS...: marks/s, the summary's latencies, peak RSS
  local count=$1
  shift
  "$work/injector" >"$work/port" &
  local injector=$!
  while [ ! -s "$work/port" ]; do sleep 0.05; done
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$work/rss" "$tool" --send "127.0.0.1:$(cat "$work/port")" --json-lines \
    "$@" "$work/marks_$count.txt" | tail -n 1 >"$work/summary" || true
  end=$(date +%s.%N)
  wait "$injector" || true
  rm -f "$work/port"
  python3 - "$count" "$start" "$end" "$(cat "$work/rss")" "$work/summary" "$*" <<'PY'
import json, sys
count, start, end, rss, summary, options = sys.argv[1:]
s = json.load(open(summary))["summary"]
seconds = float(end) - float(start)
print(f"{int(count):>9} marks {options or 'stop-and-wait':<24} {int(count) / seconds:>10,.0f} marks/s"
      f"  accepted {s['accepted']}  latency_us p50 {s['latency_us']['p50']} p99 {s['latency_us']['p99']}"
      f"  max RSS {int(rss) / 1024:.1f} MB")
PY
}

run 100000
run 100000 --window 8
run 1000000 --window 8
