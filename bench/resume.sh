#!/usr/bin/env bash
# A 256 MiB installer whose connection is reset once at 25 %, once at 50 % and once at 75 %,
# against the same file uninterrupted and against `curl -o`, on one local server: interleaved
# runs, medians. The interrupted run may take its three backoff waits (1, 2 and 4 s) on top.
# Usage: bench/resume.sh [build-dir] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
mkdir -p "$work/files" "$work/tmp" "$work/out"
size=$((256 << 20))
waits=7
head -c "$size" /dev/urandom >"$work/files/256M"
start_server "$work/files"
base="http://$host"
log="$work/requests.log"

# The body bytes that the server sent since line $1 of its log.
sent_since() { tail -n +"$(($1 + 1))" "$log" | awk '$1 == "sent" {n += $2} END {print n + 0}'; }

: >"$work/curl.times"; : >"$work/whole.times"; : >"$work/reset.times"; : >"$work/reset.bytes"
for run in $(seq "$runs"); do
  /usr/bin/time -f "%e" -o "$work/t" curl -s -o "$work/out/file" "$base/files/256M"
  cat "$work/t" >>"$work/curl.times"
  rm -f "$work/out/file"
  TMPDIR="$work/tmp" "$build/bench/download_bench" "$base/files/256M" >"$work/t"
  read -r seconds _ <"$work/t"; echo "$seconds" >>"$work/whole.times"
  before=$(wc -l <"$log")
  TMPDIR="$work/tmp" "$build/bench/download_bench" \
    "$base/flaky/256M?cut=$((size / 4))&times=3&run=$run" >"$work/t"
  read -r seconds _ <"$work/t"; echo "$seconds" >>"$work/reset.times"
  sent_since "$before" >>"$work/reset.bytes"
done
curl_median=$(median <"$work/curl.times")
whole_median=$(median <"$work/whole.times")
reset_median=$(median <"$work/reset.times")
bytes_max=$(sort -n "$work/reset.bytes" | tail -1)
printf 'uninterrupted: curl -o %ss, Downloader %ss (ratio %s)\n' "$curl_median" "$whole_median" \
  "$(ratio "$whole_median" "$curl_median")"
printf 'reset at 25/50/75 %%: %ss, less %s s of waits %s (ratio to uninterrupted %s)\n' \
  "$reset_median" "$waits" "$(awk -v a="$reset_median" -v w="$waits" 'BEGIN {printf "%.3f", a - w}')" \
  "$(ratio "$(awk -v a="$reset_median" -v w="$waits" 'BEGIN {print a - w}')" "$whole_median")"
printf 'bytes sent for the interrupted file: at most %s of %s (ratio %s)\n' "$bytes_max" "$size" \
  "$(ratio "$bytes_max" "$size")"
