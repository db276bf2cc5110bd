#!/usr/bin/env bash
# Download speed and memory of the Downloader against `curl -o`, on the same local server and
# files: interleaved runs, medians. Usage: bench/download.sh [build-dir] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
mkdir -p "$work/files" "$work/tmp" "$work/out"
head -c $((256 << 20)) /dev/urandom >"$work/files/256M"
head -c $((1 << 30)) /dev/urandom >"$work/files/1G"
start_server "$work/files"
base="http://$host/files"

for size in 256M 1G; do
  : >"$work/curl.times"; : >"$work/ours.times"; : >"$work/ours.rss"; : >"$work/curl.rss"
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/t" curl -s -o "$work/out/file" "$base/$size"
    read -r seconds rss <"$work/t"; echo "$seconds" >>"$work/curl.times"; echo "$rss" >>"$work/curl.rss"
    rm -f "$work/out/file"
    TMPDIR="$work/tmp" "$build/bench/download_bench" "$base/$size" >"$work/t"
    read -r seconds rss <"$work/t"; echo "$seconds" >>"$work/ours.times"; echo "$rss" >>"$work/ours.rss"
  done
  curl_median=$(median <"$work/curl.times")
  ours_median=$(median <"$work/ours.times")
  printf '%s: curl -o %ss, Downloader %ss (ratio %s); peak RSS curl %s KiB, Downloader %s KiB\n' \
    "$size" "$curl_median" "$ours_median" \
    "$(ratio "$ours_median" "$curl_median")" \
    "$(sort -n "$work/curl.rss" | tail -1)" "$(sort -n "$work/ours.rss" | tail -1)"
done
