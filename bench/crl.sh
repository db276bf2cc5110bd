#!/usr/bin/env bash
# A whole run whose signer's revocation list is large (ENTRIES entries, by default 200,000, about
# 9.8 MB in DER; the signer is not in it), against `openssl crl -noout` decoding the same list
# alone: interleaved runs, medians of the seconds, the largest peak RSS.
# Usage: bench/crl.sh [build-dir] [runs] [entries]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
entries=${3:-200000}
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
mkdir -p "$work/www" "$work/src/Sample" "$work/tmp"
start_server "$work/www"
dev_pki "$work/pki" --crl-base "http://$host/crl"

# The list: ENTRIES revoked serial numbers of 16 bytes, each with a reason code, put into the
# intermediate's database and signed by `openssl ca`.
ca="$work/pki/ca/intermediate"
awk -v n="$entries" 'BEGIN {
  srand(1)
  for (i = 0; i < n; i++) {
    serial = sprintf("7%07X", i)
    for (j = 0; j < 6; j++) serial = serial sprintf("%04X", int(rand() * 65536))
    printf "R\t351231000000Z\t260101000000Z,keyCompromise\t%s\tunknown\t/CN=revoked %d\n", serial, i
  }
}' >>"$ca/index.txt"
openssl ca -batch -config "$ca/ca.cnf" -cert "$work/pki/intermediate.pem" \
  -keyfile "$work/pki/intermediate.key" -gencrl -out "$work/big.pem" 2>/dev/null
mkdir -p "$work/www/crl"
openssl crl -in "$work/big.pem" -outform DER -out "$work/www/crl/intermediate.crl"
cp "$work/pki/crl/root.crl" "$work/www/crl/root.crl"
list="$work/www/crl/intermediate.crl"

path=$("$top/tools/download-path")
mkdir -p "$work/www/$path"
printf '#!/bin/sh\nexit 0\n' >"$work/www/$path/installer"
"$top/tools/sign-installer" --signer "$work/pki/signer.pem" --key "$work/pki/signer.key" \
  --chain "$work/pki/intermediate.pem" --in "$work/www/$path/installer" \
  --out "$work/www/$path/installer.p7"
bundle=$("$top/tools/make-bundle" --executable "$build/Moorstep/moorstep" --app "$work/src/Sample" \
  --name "Install Sample" --version 1.0 --out "$work")

: >"$work/openssl.times"; : >"$work/ours.times"; : >"$work/openssl.rss"; : >"$work/ours.rss"
measure() {  # NAME COMMAND...
  /usr/bin/time -f "%e %M" -o "$work/t" "${@:2}"
  read -r seconds rss <"$work/t"
  echo "$seconds" >>"$work/$1.times"
  echo "$rss" >>"$work/$1.rss"
}
for _ in $(seq "$runs"); do
  measure openssl openssl crl -inform DER -in "$list" -noout
  rm -rf "$work/data" && mkdir -p "$work/data/local" "$work/data/home"
  measure ours env -i PATH="$PATH" HOME="$work/data/home" TMPDIR="$work/tmp" \
    XDG_DATA_DIRS="$work/data/local" XDG_DATA_HOME="$work/data/home" \
    MOORSTEP_DOWNLOAD_HOST="$host" "$bundle/Contents/MacOS/Install Sample" -silent -allowDownload
done
grep -q '/crl/intermediate.crl' "$work/requests.log" ||
  { echo "crl.sh: the list was never fetched" >&2; exit 1; }
printf '%s entries (%s bytes): openssl crl -noout %ss, %s KiB; whole Moorstep run %ss, %s KiB\n' \
  "$entries" "$(stat -c %s "$list")" \
  "$(median <"$work/openssl.times")" "$(sort -n "$work/openssl.rss" | tail -1)" \
  "$(median <"$work/ours.times")" "$(sort -n "$work/ours.rss" | tail -1)"
