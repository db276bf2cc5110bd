#!/usr/bin/env bash
# What a hostile host costs a run, measured on the real program and a local server:
#   - peak memory of verifying a 1.5 GB "installer.p7" (one DER object that claims all of it);
#   - how long a host that drips one byte every 5 s keeps a run alive (the rate window of 60 s);
#   - that a steady 8 KiB/s for 70 s (a slow modem) is not cut off (no signature is served, so
#     that run ends with 11 after its "Download success").
# Usage: bench/limits.sh [build-dir]. Takes about 80 s (the two transfers run side by side).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"

printf '\x30\x84\x59\x68\x2f\x00' >"$work/installer.p7"
truncate -s 1500000000 "$work/installer.p7"
head -c 4096 /dev/urandom >"$work/installer"
read -r seconds rss < <("$build/bench/verify_bench" "$work/installer" "$work/installer.p7" 2>/dev/null || true)
printf 'verify a 1.5 GB installer.p7: %ss, peak RSS %s KiB\n' "$seconds" "$rss"

mkdir -p "$work/www" "$work/src/Sample"
start_server "$work/www"
path=$("$top/tools/download-path")
mkdir -p "$work/www/$path"
bundle=$("$top/tools/make-bundle" --executable "$build/Moorstep/moorstep" --app "$work/src/Sample" \
  --name "Install Sample" --version 1.0 --out "$work")

# One run whose installer comes from ROUTE; prints its exit code, seconds and whether the
# installer's download succeeded.
run_against() {
  local name=$1 route=$2 box="$work/$1"
  mkdir -p "$box/tmp" "$box/home" "$box/local" "$work/www/$name/$path"
  echo "$route" >"$work/www/$name/$path/installer.route"
  local start end code=0
  start=$(date +%s.%N)
  env -i PATH="$PATH" HOME="$box/home" TMPDIR="$box/tmp" XDG_DATA_DIRS="$box/local" \
    XDG_DATA_HOME="$box/home" MOORSTEP_DOWNLOAD_HOST="$host/$name" \
    LD_PRELOAD="$build/tests/syslog_capture.so" MOORSTEP_SYSLOG_CAPTURE="$box/log" \
    "$bundle/Contents/MacOS/Install Sample" -silent -allowDownload 2>/dev/null || code=$?
  end=$(date +%s.%N)
  printf '%s: exit %s after %.1f s; %s\n' "$name" "$code" "$(echo "$end - $start" | bc)" \
    "$(grep -m1 -o 'Download \(success\|failure: .*\)' "$box/log")"
}
run_against dripping-host "/drip?interval=5000" >"$work/drip.out" &
drip=$!
run_against steady-host "/slow?bytes=573440&chunks=70&interval=1000" >"$work/steady.out" &
steady=$!
wait "$drip" "$steady"
cat "$work/drip.out" "$work/steady.out"
