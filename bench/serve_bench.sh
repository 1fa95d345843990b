#!/bin/sh
# SPDX-License-Identifier: MIT
# Figures of `scte104 --serve` over loopback, log to /dev/null, driven by
# bench/serve_load (build it with the bench preset, or any C++17 compiler).
# Usage: bench/serve_bench.sh TOOL SERVE_LOAD
set -eu
tool=${1:-build/release/scte104}
load=${2:-build/bench/bench/serve_load}
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT

start() {  # options...: starts the tool, waits for its readiness line
  mkfifo "$work/err.$$" 2>/dev/null || true
  begun=$(date +%s%N)
  "$tool" --serve --json-lines --listen 127.0.0.1:0 "$@" >/dev/null 2>"$work/err" &
  pid=$!
  while ! grep -q listening "$work/err" 2>/dev/null; do sleep 0.001; done
  ready=$(date +%s%N)
  port=$(sed 's/.*://' "$work/err")
}
rss() { awk '/VmRSS/ {print $2}' /proc/$pid/status; }
fds() { ls /proc/$pid/fd | wc -l; }
stop() { kill -TERM $pid; wait $pid || true; }

start
echo "start: readiness line after $(( (ready - begun) / 1000000 )) ms (shell-measured)"
"$load" "$port" marks 1 1 20000
"$load" "$port" marks 50 8 200000
"$load" "$port" marks 50 1 100000
stop

start --delay 100ms
echo "delay 100ms:"; "$load" "$port" marks 1 1 50
stop

start --max-connections 20000
base=$(rss)
mkfifo "$work/go"
"$load" "$port" held 10000 < "$work/go" > "$work/held" &
loader=$!
exec 3>"$work/go"
while ! grep -q held "$work/held" 2>/dev/null; do sleep 0.1; done
held=$(rss)
echo "held: 10000 idle initialised connections, RSS $base KiB at start, $held KiB held:" \
     "$(( (held - base) * 1024 / 10000 )) bytes each"
echo >&3; exec 3>&-; wait $loader; cat "$work/held" | tail -n 1
stop

start
fd0=$(fds); rss0=$(rss)
"$load" "$port" churn 20000
sleep 1
echo "churn: descriptors $fd0 before, $(fds) after; RSS $rss0 KiB before, $(rss) KiB after"
"$load" "$port" marks 10 8 100000 >/dev/null; r1=$(rss)
"$load" "$port" marks 10 8 900000 >/dev/null; r2=$(rss)
echo "flat: RSS $r1 KiB after 100,000 marks, $r2 KiB after 1,000,000"
stop
