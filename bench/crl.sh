#!/usr/bin/env bash
# A whole run whose signer's revocation list is large (ENTRIES entries, by default 200,000, about
# 9.8 MB in DER; the signer is not in it), against `openssl crl -noout` decoding the same list
# alone, against the tools doing what a run does with the list (`curl -o` of it, then `openssl
# verify -crl_check` of the signer with it: decoding, the list's signature, the lookup of the
# signer among the entries, which sorts them), and against the same run with the list empty:
# interleaved runs, medians of the seconds, the largest peak RSS. What the large run costs beyond
# the empty one should be what the tools' work on the list costs: the list is read once and kept
# only in OpenSSL's own form.
# Then the same run with two forged lists of FORGED_MIB (default 63) MiB each, at both
# addresses, whose signatures are random bytes: they must be dropped before their entries are
# decoded, so the run's peak RSS stays far below their size and they cost little time.
# Usage: bench/crl.sh [build-dir] [runs] [entries] [forged-MiB]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
entries=${3:-200000}
forged_mib=${4:-63}
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
list="$work/big.crl"
openssl crl -in "$work/big.pem" -outform DER -out "$list"
cp "$work/pki/crl/root.crl" "$work/www/crl/root.crl"

# A forged list of an issuer: the header fields of its real list (version, algorithm, issuer's
# name, dates), then entries of 35 bytes up to the size, then random bytes as the signature.
der_length() {  # BYTES
  if (($1 < 128)); then printf '%02x' "$1"; else printf '83%06x' "$1"; fi
}
forge_list() {  # REAL-LIST OUTPUT
  local tbs_at tbs_head ext_at fields entries n
  read -r tbs_at tbs_head < <(openssl asn1parse -inform DER -in "$1" |
    sed -n 's/^ *\([0-9]*\):d=1 *hl= *\([0-9]*\).*/\1 \2/p' | head -1)
  ext_at=$(openssl asn1parse -inform DER -in "$1" | sed -n 's/^ *\([0-9]*\):d=2 .*cont \[ 0 \].*/\1/p')
  fields="$work/fields.der"
  tail -c +$((tbs_at + tbs_head + 1)) "$1" | head -c $((ext_at - tbs_at - tbs_head)) >"$fields"
  n=$(((forged_mib * 1048576 - 1024) / 35))
  entries="$work/entries.der"
  awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "302102107%031X170d3236303130313030303030305a\n", i }' |
    xxd -r -p >"$entries"
  local list_len=$(stat -c %s "$entries")
  local tbs_len=$(($(stat -c %s "$fields") + 5 + list_len))
  local sig_len=$((15 + 4 + 257))
  {
    printf '30%s30%s' "$(der_length $((5 + tbs_len + sig_len)))" "$(der_length "$tbs_len")" | xxd -r -p
    cat "$fields"
    printf '30%s' "$(der_length "$list_len")" | xxd -r -p
    cat "$entries"
    printf '300d06092a864886f70d01010b050003820101' | xxd -r -p
    printf '\0'
    head -c 256 /dev/urandom
  } >"$2"
  rm -f "$entries" "$fields"
}
forge_list "$work/pki/crl/intermediate.crl" "$work/forged-intermediate.crl"
forge_list "$work/pki/crl/root.crl" "$work/forged-root.crl"

path=$("$top/tools/download-path")
mkdir -p "$work/www/$path"
printf '#!/bin/sh\nexit 0\n' >"$work/www/$path/installer"
"$top/tools/sign-installer" --signer "$work/pki/signer.pem" --key "$work/pki/signer.key" \
  --chain "$work/pki/intermediate.pem" --in "$work/www/$path/installer" \
  --out "$work/www/$path/installer.p7"
bundle=$("$top/tools/make-bundle" --executable "$build/Moorstep/moorstep" --app "$work/src/Sample" \
  --name "Install Sample" --version 1.0 --out "$work")

for series in openssl tools ours empty forged; do
  : >"$work/$series.times"; : >"$work/$series.cpu"; : >"$work/$series.rss"
done
# The CPU seconds (user and system, children included) beside the wall-clock ones: on a machine
# shared with other work the wall clock swings far more than the work done.
measure() {  # NAME COMMAND...
  /usr/bin/time -f "%e %U %S %M" -o "$work/t" "${@:2}"
  read -r seconds user system rss <"$work/t"
  echo "$seconds" >>"$work/$1.times"
  awk -v u="$user" -v s="$system" 'BEGIN {print u + s}' >>"$work/$1.cpu"
  echo "$rss" >>"$work/$1.rss"
}
moorstep() {  # SERIES LIST
  cp "$2" "$work/www/crl/intermediate.crl"
  rm -rf "$work/data" && mkdir -p "$work/data/local" "$work/data/home"
  measure "$1" env -i PATH="$PATH" HOME="$work/data/home" TMPDIR="$work/tmp" \
    XDG_DATA_DIRS="$work/data/local" XDG_DATA_HOME="$work/data/home" \
    MOORSTEP_DOWNLOAD_HOST="$host" "$bundle/Contents/MacOS/Install Sample" -silent -allowDownload
}
tools() {  # LIST
  cp "$1" "$work/www/crl/intermediate.crl"
  measure tools sh -c 'curl -s -o "$1/fetched.crl" "http://$2/crl/intermediate.crl" &&
    openssl verify -crl_check -CRLfile "$1/fetched.crl" -CAfile "$1/pki/root.pem" \
      -untrusted "$1/pki/intermediate.pem" "$1/pki/signer.pem" >/dev/null' sh "$work" "$host"
  rm -f "$work/fetched.crl"
}
for _ in $(seq "$runs"); do
  measure openssl openssl crl -inform DER -in "$list" -noout
  tools "$list"
  moorstep ours "$list"
  moorstep empty "$work/pki/crl/intermediate.crl"
  cp "$work/forged-root.crl" "$work/www/crl/root.crl"
  moorstep forged "$work/forged-intermediate.crl"
  cp "$work/pki/crl/root.crl" "$work/www/crl/root.crl"
done
[ "$(grep -c '/crl/intermediate.crl' "$work/requests.log")" -ge $((4 * runs)) ] ||
  { echo "crl.sh: the list was not fetched by every run" >&2; exit 1; }
result() {
  printf '%ss (CPU %ss), %s KiB' "$(median <"$work/$1.times")" "$(median <"$work/$1.cpu")" \
    "$(sort -n "$work/$1.rss" | tail -1)"
}
ratios() {  # EXTENSION: of the whole run, and of the whole run less the empty one
  local ours empty openssl
  ours=$(median <"$work/ours.$1")
  empty=$(median <"$work/empty.$1")
  openssl=$(median <"$work/openssl.$1")
  printf 'whole run to openssl crl %s; whole run less the empty one to openssl crl %s; whole run to curl + openssl verify %s' \
    "$(ratio "$ours" "$openssl")" "$(ratio "$(awk -v a="$ours" -v b="$empty" 'BEGIN {print a - b}')" "$openssl")" \
    "$(ratio "$ours" "$(median <"$work/tools.$1")")"
}
printf '%s entries (%s bytes): openssl crl -noout %s; curl -o + openssl verify -crl_check %s; whole Moorstep run %s; with the list empty %s\n' \
  "$entries" "$(stat -c %s "$list")" "$(result openssl)" "$(result tools)" "$(result ours)" \
  "$(result empty)"
printf 'ratios of the seconds: %s\n' "$(ratios times)"
printf 'ratios of the CPU seconds: %s\n' "$(ratios cpu)"
printf 'two forged lists of %s bytes each: whole Moorstep run %s\n' \
  "$(stat -c %s "$work/forged-intermediate.crl")" "$(result forged)"
