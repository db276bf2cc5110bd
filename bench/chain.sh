#!/usr/bin/env bash
# The whole chain for a large runtime installer on a local server (download of installer and
# signature, verification, revocation lists, launch of an installer that exits at once),
# against `curl -o` of both files plus `openssl cms -verify`: interleaved runs, medians.
# Usage: bench/chain.sh [build-dir] [runs] [MiB]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
mib=${3:-512}
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
mkdir -p "$work/www" "$work/src/Sample" "$work/out" "$work/tmp"
start_server "$work/www"
dev_pki "$work/pki" --crl-base "http://$host/crl"
cp -R "$work/pki/crl" "$work/www/crl"
path=$("$top/tools/download-path" "$build")
mkdir -p "$work/www/$path"
installer="$work/www/$path/installer"
{ printf '#!/bin/sh\nexit 0\n'; head -c $((mib << 20)) /dev/urandom; } >"$installer"
"$top/tools/sign-installer" --signer "$work/pki/signer.pem" --key "$work/pki/signer.key" \
  --chain "$work/pki/intermediate.pem" --in "$installer" --out "$installer.p7"
bundle=$("$top/tools/make-bundle" --executable "$build/Moorstep/moorstep" --app "$work/src/Sample" \
  --name "Install Sample" --version 1.0 --out "$work")

now() { date +%s.%N; }
: >"$work/tools.times"; : >"$work/ours.times"
for _ in $(seq "$runs"); do
  start=$(now)
  curl -s -o "$work/out/installer" "http://$host/$path/installer"
  curl -s -o "$work/out/installer.p7" "http://$host/$path/installer.p7"
  openssl cms -verify -binary -inform DER -in "$work/out/installer.p7" \
    -content "$work/out/installer" -CAfile "$work/pki/root.pem" -purpose any -out /dev/null 2>/dev/null
  echo "$(now) - $start" | bc >>"$work/tools.times"
  rm -f "$work/out/installer" "$work/out/installer.p7"

  rm -rf "$work/data" && mkdir -p "$work/data/local" "$work/data/home"
  start=$(now)
  env -i PATH="$PATH" HOME="$work/data/home" TMPDIR="$work/tmp" \
    XDG_DATA_DIRS="$work/data/local" XDG_DATA_HOME="$work/data/home" \
    MOORSTEP_DOWNLOAD_HOST="$host" "$bundle/Contents/MacOS/Install Sample" -silent -allowDownload
  echo "$(now) - $start" | bc >>"$work/ours.times"
done
tools=$(median <"$work/tools.times")
ours=$(median <"$work/ours.times")
printf '%s MiB chain: curl -o (x2) + openssl cms -verify %ss, Moorstep %ss (ratio %s)\n' "$mib" \
  "$tools" "$ours" "$(ratio "$ours" "$tools")"
