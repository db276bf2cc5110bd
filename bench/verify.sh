#!/usr/bin/env bash
# Signature verification of a large file against `openssl cms -verify` on the same file and
# signature: interleaved runs, medians. Usage: bench/verify.sh [build-dir] [runs] [MiB]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
mib=${3:-1024}
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
dev_pki "$work/pki"
head -c $((mib << 20)) /dev/urandom >"$work/data"
"$top/tools/sign-installer" --signer "$work/pki/signer.pem" --key "$work/pki/signer.key" \
  --chain "$work/pki/intermediate.pem" --in "$work/data" --out "$work/data.p7"

: >"$work/openssl.times"; : >"$work/ours.times"; : >"$work/ours.rss"; : >"$work/openssl.rss"
for _ in $(seq "$runs"); do
  /usr/bin/time -f "%e %M" -o "$work/t" openssl cms -verify -binary -inform DER \
    -in "$work/data.p7" -content "$work/data" -CAfile "$work/pki/root.pem" -purpose any \
    -out /dev/null 2>/dev/null
  read -r seconds rss <"$work/t"; echo "$seconds" >>"$work/openssl.times"; echo "$rss" >>"$work/openssl.rss"
  "$build/bench/verify_bench" "$work/data" "$work/data.p7" >"$work/t"
  read -r seconds rss <"$work/t"; echo "$seconds" >>"$work/ours.times"; echo "$rss" >>"$work/ours.rss"
done
openssl_median=$(median <"$work/openssl.times")
ours_median=$(median <"$work/ours.times")
printf '%s MiB: openssl cms -verify %ss, SignatureVerification %ss (ratio %s); peak RSS openssl %s KiB, ours %s KiB\n' \
  "$mib" "$openssl_median" "$ours_median" \
  "$(ratio "$ours_median" "$openssl_median")" \
  "$(sort -n "$work/openssl.rss" | tail -1)" "$(sort -n "$work/ours.rss" | tail -1)"
