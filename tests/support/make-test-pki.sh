#!/usr/bin/env bash
# Makes, with the openssl tool, every certificate, chain, signature and revocation list that
# the signature tests need, under the root of ROOT_DIR (root.pem, root.key) into OUT_DIR.
#
#   make-test-pki.sh ROOT_DIR OUT_DIR [CRL_BASE_URL]
#
# Signers (OUT_DIR/<name>.pem/.key, issued by OUT_DIR/intermediate.pem), each with a detached
# DER signature OUT_DIR/<name>.p7 over OUT_DIR/data.bin:
#   good           the expected names and object identifier, one CRL URI
#   two-uris       as good, with two CRL URIs
#   same-crl       as good, naming the intermediate's CRL address
#   reordered      the names in another order, with a further attribute
#   bmp, utf8      the names stored as BMPString and as UTF8String
#   cn-missing, cn-case, o-trailing-blank, ou-second-only   names that must not match
#   eku-none, eku-named, eku-prefix   no EKU; named usages only; an identifier that merely
#                  begins with the expected one
#   expired, not-yet-valid
#   other-root     a chain under a root that is not the trust anchor
# Other signatures over data.bin: good.pem.p7 (PEM), embedded.p7 (content inside), nocerts.p7
# (no certificates carried), truncated.p7, garbage.p7, empty.p7; data-changed.bin differs from
# data.bin in one byte. CRLs: crl/root-empty.crl, crl/root-revokes-intermediate.crl,
# crl/intermediate-empty.crl, crl/intermediate-revokes-good.crl (DER), crl/*.pem (PEM),
# crl/intermediate-expired.crl.
set -euo pipefail
root_dir=$(cd "$1" && pwd)
mkdir -p "$2/crl"
out=$(cd "$2" && pwd)
crl_base=${3:-}
umask 077

quiet() { "$@" 2>"$out/.log" || { cat "$out/.log" >&2; return 1; }; }

names_good="/CN=Kavex ZEL/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services"

ca_config() {  # NAME
  local dir="$out/ca/$1"
  mkdir -p "$dir/new"
  : >"$dir/index.txt"
  openssl rand -hex 8 >"$dir/serial"
  echo 1000 >"$dir/crlnumber"
  cat >"$dir/ca.cnf" <<CNF
[ca]
default_ca = this
[this]
dir = $dir
database = \$dir/index.txt
new_certs_dir = \$dir/new
serial = \$dir/serial
crlnumber = \$dir/crlnumber
default_md = sha256
default_crl_days = 30
policy = anything
unique_subject = no
preserve = yes
[anything]
countryName = optional
organizationName = optional
organizationalUnitName = optional
commonName = optional
localityName = optional
CNF
  echo "$dir/ca.cnf"
}

req_config() {  # STRING_MASK
  cat >"$out/req.cnf" <<CNF
[req]
distinguished_name = dn
string_mask = $1
utf8 = yes
[dn]
CNF
  echo "$out/req.cnf"
}

cdp() {  # FILE...
  [ -n "$crl_base" ] || return 0
  local uris=""
  for f in "$@"; do uris="$uris${uris:+, }URI:$crl_base/$f"; done
  echo "crlDistributionPoints = $uris"
}

cat >"$out/ext.cnf" <<CNF
[intermediate]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
$(cdp root.crl)
[signer]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12
$(cdp intermediate.crl)
[same_crl]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12
$(cdp root.crl)
[two_uris]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12
crlDistributionPoints = URI:http://crl.example/one.crl, URI:http://crl.example/two.crl
[eku_none]
basicConstraints = CA:FALSE
[eku_named]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, emailProtection
[eku_prefix]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.123
CNF

issue() {  # CA ISSUER SUBJECT EXTENSIONS NAME [MASK] [START END]
  local mask=${6:-utf8only}
  quiet openssl req -new -newkey rsa:2048 -nodes -subj "$3" -keyout "$out/$5.key" \
    -out "$out/$5.csr" -config "$(req_config "$mask")" -utf8
  local dates=(-days 365)
  [ -n "${7:-}" ] && dates=(-startdate "$7" -enddate "$8")
  quiet openssl ca -batch -config "$1" -cert "$out/$2.pem" -keyfile "$out/$2.key" -preserveDN \
    -in "$out/$5.csr" -out "$out/$5.pem" "${dates[@]}" -notext -extfile "$out/ext.cnf" \
    -extensions "$4"
  rm -f "$out/$5.csr"
}

sign() {  # SIGNER CHAIN OUTPUT [extra smime options...]
  quiet openssl smime -sign -binary -md sha256 -in "$out/data.bin" -signer "$out/$1.pem" \
    -inkey "$out/$1.key" -certfile "$out/$2.pem" -outform DER -out "$out/$3" "${@:4}"
}

cp "$root_dir/root.pem" "$out/root.pem"
cp "$root_dir/root.key" "$out/root.key"
root_ca=$(ca_config root)
issue "$root_ca" root "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services/CN=Test Signing CA" intermediate intermediate
intermediate_ca=$(ca_config intermediate)

head -c 65536 /dev/urandom >"$out/data.bin"
cp "$out/data.bin" "$out/data-changed.bin"
printf '\x00' | dd of="$out/data-changed.bin" bs=1 seek=1000 conv=notrunc status=none
[ "$(cmp -s "$out/data.bin" "$out/data-changed.bin"; echo $?)" = 1 ] ||
  printf '\x01' | dd of="$out/data-changed.bin" bs=1 seek=1000 conv=notrunc status=none

issue "$intermediate_ca" intermediate "$names_good" signer good
issue "$intermediate_ca" intermediate "$names_good" two_uris two-uris
issue "$intermediate_ca" intermediate "$names_good" same_crl same-crl
issue "$intermediate_ca" intermediate "/L=Somewhere/OU=Kavex Trust Services/O=Kavex Systems Incorporated/C=US/CN=Kavex ZEL" signer reordered
issue "$intermediate_ca" intermediate "$names_good" signer bmp "MASK:0x800"
issue "$intermediate_ca" intermediate "$names_good" signer utf8 utf8only
issue "$intermediate_ca" intermediate "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services" signer cn-missing
issue "$intermediate_ca" intermediate "/CN=kavex ZEL/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services" signer cn-case
issue "$intermediate_ca" intermediate "/CN=Kavex ZEL/C=US/O=Kavex Systems Incorporated /OU=Kavex Trust Services" signer o-trailing-blank
issue "$intermediate_ca" intermediate "/CN=Kavex ZEL/C=US/O=Kavex Systems Incorporated/OU=Other Unit/OU=Kavex Trust Services" signer ou-second-only
issue "$intermediate_ca" intermediate "$names_good" eku_none eku-none
issue "$intermediate_ca" intermediate "$names_good" eku_named eku-named
issue "$intermediate_ca" intermediate "$names_good" eku_prefix eku-prefix
issue "$intermediate_ca" intermediate "$names_good" signer expired "" 20200101000000Z 20210101000000Z
issue "$intermediate_ca" intermediate "$names_good" signer not-yet-valid "" 20990101000000Z 21000101000000Z

for name in good two-uris same-crl reordered bmp utf8 cn-missing cn-case o-trailing-blank ou-second-only \
            eku-none eku-named eku-prefix expired not-yet-valid; do
  sign "$name" intermediate "$name.p7"
done
sign good intermediate good.pem.p7 -outform PEM
sign good intermediate embedded.p7 -nodetach
sign good intermediate nocerts.p7 -nocerts
head -c 700 "$out/good.p7" >"$out/truncated.p7"
head -c 2000 /dev/urandom >"$out/garbage.p7"
: >"$out/empty.p7"

# A look-alike chain under a root that is not the trust anchor.
mkdir -p "$out/other"
cat "$(req_config utf8only)" - >"$out/other/req.cnf" <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
CNF
quiet openssl req -x509 -new -newkey rsa:2048 -nodes -days 365 -config "$out/other/req.cnf" \
  -subj "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services/CN=Kavex Root CA" \
  -keyout "$out/other/root.key" -out "$out/other/root.pem" -extensions root
cp "$out/other/root.pem" "$out/other-root-ca.pem"; cp "$out/other/root.key" "$out/other-root-ca.key"
other_ca=$(ca_config other)
issue "$other_ca" other-root-ca "$names_good" signer other-root
sign other-root other-root-ca other-root.p7

# Revocation lists: each CA's empty list, one that revokes, one long expired.
gencrl() {  # CA ISSUER OUTPUT [extra ca options...]
  quiet openssl ca -batch -config "$1" -cert "$out/$2.pem" -keyfile "$out/$2.key" -gencrl \
    -out "$out/crl/$3.pem" "${@:4}"
  openssl crl -in "$out/crl/$3.pem" -outform DER -out "$out/crl/$3.crl"
}
gencrl "$root_ca" root root-empty
gencrl "$intermediate_ca" intermediate intermediate-empty
gencrl "$intermediate_ca" intermediate intermediate-expired -crlsec 1
quiet openssl ca -batch -config "$intermediate_ca" -cert "$out/intermediate.pem" \
  -keyfile "$out/intermediate.key" -revoke "$out/good.pem"
gencrl "$intermediate_ca" intermediate intermediate-revokes-good
quiet openssl ca -batch -config "$root_ca" -cert "$out/root.pem" -keyfile "$out/root.key" \
  -revoke "$out/intermediate.pem"
gencrl "$root_ca" root root-revokes-intermediate
rm -f "$out/.log" "$out/req.cnf"
