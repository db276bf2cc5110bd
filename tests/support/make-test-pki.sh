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
#                  begins with the expected one (...1.1.123)
#   eku-only, eku-arc   the expected identifier alone; one inside its arc (...1.1.12.7)
#   eku-sibling, eku-outer, eku-parent   ...1.1.120, 1.3.1.2.840.771204.1.1.12, ...1.1.1
#   expired, not-yet-valid
#   ec-p256, ec-p384, ec-p521   ECDSA keys on those curves
#   critical-unknown   an extension marked critical that no library knows
#   ku-cert-sign   a key usage that allows only certificate signing
#   ed25519        an Ed25519 key
#   rsa-pss, rsa1024   an RSA-PSS key; a 1024-bit RSA key
#   sha1-signer, sha3-signer, md5-signer, md4-signer   certificates signed with SHA-1, SHA3-256,
#                  MD5, MD4
#   under-md5-intermediate   below md5-intermediate, an intermediate that the root signed with MD5
#   other-root     a chain under a root that is not the trust anchor
# The RSA signers share good's key; only the certificates differ.
# Other signatures over data.bin: good.pem.p7 (PEM), embedded.p7 (content inside), nocerts.p7
# (no certificates carried), truncated.p7, garbage.p7, empty.p7; data-changed.bin differs from
# data.bin in one byte. Signature forms by good: form-sha1/-sha224/-sha384/-sha512.p7 and
# form-sha3-256/-sha3-384/-sha3-512.p7 (digests),
# form-md5.p7 (MD5), form-noattr.p7 (no signed attributes), form-cms.p7 (`openssl cms`), form-ber.p7 (indefinite
# lengths), form-certtool.p7 (GnuTLS), form-pss.p7 (RSA-PSS), form-keyid.p7 (signer named by key
# identifier); ec-p256-sha256.p7 and the other curve and digest pairs; ed25519.p7 (GnuTLS).
# CRLs: crl/root-empty.crl, crl/root-revokes-intermediate.crl, crl/intermediate-empty.crl,
# crl/intermediate-revokes-good.crl (DER), intermediate-pss-revokes-good (signed with RSA-PSS),
# crl/*.pem (PEM), crl/intermediate-expired.crl, and,
# each with and without good (-revokes-good): intermediate-expired-2020, intermediate-future
# (valid from 2099), intermediate-key-compromise (limited to that reason); besides
# intermediate-forged-revokes-good and intermediate-expired-2020-forged-revokes-good (signature
# broken), intermediate-undated (the empty list of 2020 without a next update),
# intermediate-critical-unknown-revokes-good (with an unknown critical extension), intermediate-delta-revokes-good, intermediate-delta-removes-good (removeFromCRL),
# root-indirect-names-good (an indirect list of the root naming good's serial number).
# Indirect lists (entries naming the intermediate as their certificates' issuer), with and
# without an entry: root-indirect-revokes-indirect / root-indirect-empty by the root, for signer
# indirect (its distribution point names the root as the list's issuer); crl-signer-revokes-
# delegated / crl-signer-empty by crl-signer (a list-signing certificate of the root), for signer
# delegated, whose signature delegated.p7 carries crl-signer and delegated-uncarried.p7 does not.
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
[key_compromise]
issuingDistributionPoint = critical, @key_compromise_idp
[key_compromise_idp]
onlysomereasons = keyCompromise
[delta]
# The delta list indicator (no configuration name exists for it), based on list number 0x1000.
2.5.29.27 = critical, DER:02:02:10:00
[unknown_critical]
1.2.840.771204.9.2 = critical, ASN1:NULL
[indirect]
issuingDistributionPoint = critical, @indirect_idp
[indirect_idp]
indirectCRL = TRUE
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

eku_section() {  # NAME USAGES...
  printf '[%s]\nbasicConstraints = CA:FALSE\nextendedKeyUsage = %s\n%s\n' "$1" "${*:2}" \
    "$(cdp intermediate.crl)"
}

# A signer whose one distribution point gives LIST's address and, as the list's issuer, the
# publisher's name with the common name CN.
dp_issuer_section() {  # NAME LIST CN
  printf '[%s]\nbasicConstraints = CA:FALSE\nextendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12\n' "$1"
  printf 'crlDistributionPoints = %s_dp\n[%s_dp]\nfullname = URI:%s/%s\nCRLissuer = dirName:%s_dn\n' \
    "$1" "$1" "${crl_base:-http://crl.invalid}" "$2" "$1"
  printf '[%s_dn]\nC = US\nO = Kavex Systems Incorporated\nOU = Kavex Trust Services\nCN = %s\n' "$1" "$3"
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
$(dp_issuer_section indirect root-indirect.crl "Kavex Root CA")
$(dp_issuer_section delegated crl-signer.crl "Test CRL Signer")
[crl_signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, cRLSign
[critical_unknown]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12
1.2.840.771204.9.1 = critical, ASN1:NULL
$(cdp intermediate.crl)
[ku_cert_sign]
basicConstraints = CA:FALSE
keyUsage = critical, keyCertSign
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.12
$(cdp intermediate.crl)
[eku_none]
basicConstraints = CA:FALSE
[eku_named]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, emailProtection
[eku_prefix]
basicConstraints = CA:FALSE
extendedKeyUsage = codeSigning, 1.2.840.771204.1.1.123
$(eku_section eku_only 1.2.840.771204.1.1.12)
$(eku_section eku_arc codeSigning, 1.2.840.771204.1.1.12.7)
$(eku_section eku_sibling codeSigning, 1.2.840.771204.1.1.120)
$(eku_section eku_outer codeSigning, 1.3.1.2.840.771204.1.1.12)
$(eku_section eku_parent codeSigning, 1.2.840.771204.1.1.1)
CNF

# With key=NAME the certificate gets NAME's key (a new key costs more than the rest); with
# newkey="ALG [-pkeyopt ...]" a new key of that kind (default RSA 2048).
issue() {  # CA ISSUER SUBJECT EXTENSIONS NAME [MASK] [START END]
  local mask=${6:-utf8only}
  # shellcheck disable=SC2206 # newkey is an algorithm and its options
  local keying=(-newkey ${newkey:-rsa:2048} -nodes -keyout "$out/$5.key")
  if [ -n "${key:-}" ]; then
    cp "$out/$key.key" "$out/$5.key"
    keying=(-key "$out/$5.key")
  fi
  quiet openssl req -new "${keying[@]}" -subj "$3" \
    -out "$out/$5.csr" -config "$(req_config "$mask")" -utf8
  local dates=(-days 365)
  [ -n "${7:-}" ] && dates=(-startdate "$7" -enddate "$8")
  # With md=DIGEST the issuer signs with that digest; MD4 needs the legacy provider.
  quiet openssl ca -batch -config "$1" -cert "$out/$2.pem" -keyfile "$out/$2.key" -preserveDN \
    -in "$out/$5.csr" -out "$out/$5.pem" "${dates[@]}" -notext -extfile "$out/ext.cnf" \
    -extensions "$4" ${md:+-md "$md"} ${md:+-provider legacy -provider default}
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
key=good
issue "$intermediate_ca" intermediate "$names_good" two_uris two-uris
issue "$intermediate_ca" intermediate "$names_good" same_crl same-crl
issue "$intermediate_ca" intermediate "/L=Somewhere/OU=Kavex Trust Services/O=Kavex Systems Incorporated/C=US/CN=Kavex ZEL" signer reordered
issue "$intermediate_ca" intermediate "$names_good" signer bmp "MASK:0x800"
issue "$intermediate_ca" intermediate "$names_good" signer utf8 utf8only
issue "$intermediate_ca" intermediate "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services" signer cn-missing
issue "$intermediate_ca" intermediate "/CN=kavex ZEL/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services" signer cn-case
issue "$intermediate_ca" intermediate "/CN=Kavex ZEL/C=US/O=Kavex Systems Incorporated /OU=Kavex Trust Services" signer o-trailing-blank
issue "$intermediate_ca" intermediate "/CN=Kavex ZEL/C=US/O=Kavex Systems Incorporated/OU=Other Unit/OU=Kavex Trust Services" signer ou-second-only
for eku in none named prefix only arc sibling outer parent; do
  issue "$intermediate_ca" intermediate "$names_good" "eku_$eku" "eku-$eku"
done
issue "$intermediate_ca" intermediate "$names_good" indirect indirect
issue "$intermediate_ca" intermediate "$names_good" critical_unknown critical-unknown
issue "$intermediate_ca" intermediate "$names_good" ku_cert_sign ku-cert-sign
issue "$intermediate_ca" intermediate "$names_good" delegated delegated
issue "$intermediate_ca" intermediate "$names_good" signer expired "" 20200101000000Z 20210101000000Z
issue "$intermediate_ca" intermediate "$names_good" signer not-yet-valid "" 20990101000000Z 21000101000000Z
unset key
issue "$root_ca" root "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services/CN=Test CRL Signer" crl_signer crl-signer
newkey="EC -pkeyopt ec_paramgen_curve:P-256" issue "$intermediate_ca" intermediate "$names_good" signer ec-p256
newkey="EC -pkeyopt ec_paramgen_curve:P-384" issue "$intermediate_ca" intermediate "$names_good" signer ec-p384
newkey="EC -pkeyopt ec_paramgen_curve:P-521" issue "$intermediate_ca" intermediate "$names_good" signer ec-p521
newkey=ed25519 issue "$intermediate_ca" intermediate "$names_good" signer ed25519
newkey=rsa-pss issue "$intermediate_ca" intermediate "$names_good" signer rsa-pss
newkey=rsa:1024 issue "$intermediate_ca" intermediate "$names_good" signer rsa1024
# Certificates signed with weak digests, and an intermediate signed with MD5 with a signer below.
key=good md=sha1 issue "$intermediate_ca" intermediate "$names_good" signer sha1-signer
key=good md=sha3-256 issue "$intermediate_ca" intermediate "$names_good" signer sha3-signer
key=good md=md5 issue "$intermediate_ca" intermediate "$names_good" signer md5-signer
key=good md=md4 issue "$intermediate_ca" intermediate "$names_good" signer md4-signer
key=intermediate md=md5 issue "$root_ca" root "/C=US/O=Kavex Systems Incorporated/OU=Kavex Trust Services/CN=Test MD5 CA" intermediate md5-intermediate
md5_ca=$(ca_config md5-intermediate)
key=good issue "$md5_ca" md5-intermediate "$names_good" signer under-md5-intermediate

for name in good two-uris same-crl reordered bmp utf8 cn-missing cn-case o-trailing-blank ou-second-only \
            eku-none eku-named eku-prefix eku-only eku-arc eku-sibling eku-outer eku-parent expired \
            not-yet-valid critical-unknown ku-cert-sign; do
  sign "$name" intermediate "$name.p7"
done
cat "$out/intermediate.pem" "$out/crl-signer.pem" >"$out/intermediate-and-crl-signer.pem"
sign indirect intermediate indirect.p7
sign delegated intermediate-and-crl-signer delegated.p7
sign delegated intermediate delegated-uncarried.p7
sign good intermediate good.pem.p7 -outform PEM
for name in rsa1024 sha1-signer sha3-signer md5-signer md4-signer; do sign "$name" intermediate "$name.p7"; done
sign under-md5-intermediate md5-intermediate under-md5-intermediate.p7
sign good intermediate form-md5.p7 -md md5
sign good intermediate embedded.p7 -nodetach
sign good intermediate nocerts.p7 -nocerts
head -c 700 "$out/good.p7" >"$out/truncated.p7"
head -c 2000 /dev/urandom >"$out/garbage.p7"
: >"$out/empty.p7"

# The forms a signature may take, accepted or not.
for md in sha1 sha224 sha384 sha512 sha3-256 sha3-384 sha3-512; do sign good intermediate "form-$md.p7" -md "$md"; done
sign good intermediate form-noattr.p7 -noattr
cms_sign() {  # SIGNER OUTPUT [extra cms options...]
  quiet openssl cms -sign -binary -md sha256 -in "$out/data.bin" -signer "$out/$1.pem" \
    -inkey "$out/$1.key" "${@:3}" -certfile "$out/intermediate.pem" -outform DER -out "$out/$2"
}
cms_sign good form-cms.p7
cms_sign good form-pss.p7 -keyopt rsa_padding_mode:pss
cms_sign good form-keyid.p7 -keyid
cms_sign rsa-pss rsa-pss.p7
# A streaming signer writes indefinite lengths; openssl does so only with the content inside,
# so the content (the [0] element after the content type) is cut out again.
cms_sign good streamed.p7 -stream
read -r cut_from cut_to < <(openssl asn1parse -inform DER -in "$out/streamed.p7" |
  awk -F: '/d=4 .*cont \[ 0 \]/ && !from {from = $1 + 0} from && /d=5 .*EOC/ {print from, $1 + 2; exit}')
{ head -c "$cut_from" "$out/streamed.p7"; tail -c +$((cut_to + 1)) "$out/streamed.p7"; } >"$out/form-ber.p7"
rm -f "$out/streamed.p7"
certtool_sign() {  # SIGNER OUTPUT
  cat "$out/$1.pem" "$out/intermediate.pem" >"$out/chain.pem"
  quiet certtool --p7-detached-sign --load-privkey "$out/$1.key" --load-certificate "$out/chain.pem" \
    --infile "$out/data.bin" --outder --outfile "$out/$2"
  rm -f "$out/chain.pem"
}
certtool_sign good form-certtool.p7
certtool_sign ed25519 ed25519.p7
for curve in p256 p384 p521; do
  for md in sha256 sha512; do sign "ec-$curve" intermediate "ec-$curve-$md.p7" -md "$md"; done
done

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
key=good issue "$other_ca" other-root-ca "$names_good" signer other-root
sign other-root other-root-ca other-root.p7

# Revocation lists: each CA's empty list, one that revokes, one long expired; lists outside
# their validity window, limited to one reason, deltas, indirect, and forged, with and without
# good in them.
gencrl() {  # CA ISSUER OUTPUT [extra ca options...]
  quiet openssl ca -batch -config "$1" -cert "$out/$2.pem" -keyfile "$out/$2.key" -gencrl \
    -out "$out/crl/$3.pem" "${@:4}"
  openssl crl -in "$out/crl/$3.pem" -outform DER -out "$out/crl/$3.crl"
}
revoke() {  # CA ISSUER CERTIFICATE [extra ca options...]
  quiet openssl ca -batch -config "$1" -cert "$out/$2.pem" -keyfile "$out/$2.key" \
    -revoke "$out/$3.pem" "${@:4}"
}
# The same list with one bit of its signature changed.
forge() {  # LIST OUTPUT
  local size last
  cp "$out/crl/$1.crl" "$out/crl/$2.crl"
  size=$(stat -c %s "$out/crl/$2.crl")
  last=$(tail -c 1 "$out/crl/$2.crl" | od -An -tu1)
  printf '%b' "\\x$(printf %02x $((last ^ 1)))" |
    dd of="$out/crl/$2.crl" bs=1 seek=$((size - 1)) conv=notrunc status=none
}
expired_2020=(-crl_lastupdate 20200101000000Z -crl_nextupdate 20210101000000Z)
future=(-crl_lastupdate 20990101000000Z -crl_nextupdate 21000101000000Z)
gencrl "$root_ca" root root-empty
gencrl "$intermediate_ca" intermediate intermediate-empty
gencrl "$intermediate_ca" intermediate intermediate-expired -crlsec 1
gencrl "$intermediate_ca" intermediate intermediate-expired-2020 "${expired_2020[@]}"
gencrl "$intermediate_ca" intermediate intermediate-future "${future[@]}"
gencrl "$intermediate_ca" intermediate intermediate-key-compromise -crlexts key_compromise
revoke "$intermediate_ca" intermediate good
gencrl "$intermediate_ca" intermediate intermediate-revokes-good
gencrl "$intermediate_ca" intermediate intermediate-pss-revokes-good -sigopt rsa_padding_mode:pss \
  -sigopt rsa_pss_saltlen:32
gencrl "$intermediate_ca" intermediate intermediate-expired-2020-revokes-good "${expired_2020[@]}"
gencrl "$intermediate_ca" intermediate intermediate-future-revokes-good "${future[@]}"
gencrl "$intermediate_ca" intermediate intermediate-key-compromise-revokes-good -crlexts key_compromise
gencrl "$intermediate_ca" intermediate intermediate-critical-unknown-revokes-good -crlexts unknown_critical
gencrl "$intermediate_ca" intermediate intermediate-delta-revokes-good -crlexts delta
forge intermediate-revokes-good intermediate-forged-revokes-good
forge intermediate-expired-2020-revokes-good intermediate-expired-2020-forged-revokes-good
delta_ca=$(ca_config intermediate-delta)
revoke "$delta_ca" intermediate good -crl_reason removeFromCRL
gencrl "$delta_ca" intermediate intermediate-delta-removes-good -crlexts delta
indirect_ca=$(ca_config root-indirect)
revoke "$indirect_ca" root good
gencrl "$indirect_ca" root root-indirect-names-good -crlexts indirect
# Indirect lists whose entry names its certificate's issuer (certificateIssuer), which
# `openssl ca` cannot write: an empty indirect list of the issuer is taken apart, the entry is
# put in, and the list is signed again with `openssl dgst`. DER is written as hex here.
der_length() {  # BYTES
  if (($1 < 128)); then printf '%02x' "$1"
  elif (($1 < 256)); then printf '81%02x' "$1"
  elif (($1 < 65536)); then printf '82%04x' "$1"
  else printf '83%06x' "$1"; fi
}
tlv() { printf '%s%s%s' "$1" "$(der_length $((${#2} / 2)))" "$2"; }
# The elements of a list's signed part, one hex string a line.
tbs_elements() {  # LIST
  local hex
  hex=$(xxd -p "$1" | tr -d '\n')
  openssl asn1parse -inform DER -in "$1" | sed -n 's/^ *\([0-9]*\):d=2 *hl= *\([0-9]*\) *l= *\([0-9]*\).*/\1 \2 \3/p' |
    while read -r at head length; do echo "${hex:$((at * 2)):$(((head + length) * 2))}"; done
}
indirect_crl() {  # ISSUER REVOKED-CERTIFICATE|"" OUTPUT
  local ca parts entries="" serial when ext
  ca=$(ca_config "$3")
  gencrl "$ca" "$1" "$3" -crlexts indirect
  mapfile -t parts < <(tbs_elements "$out/crl/$3.crl")
  if [ -n "$2" ]; then
    serial=$(openssl x509 -in "$out/$2.pem" -noout -serial | cut -d= -f2 | tr 'A-F' 'a-f')
    ((${#serial} % 2)) && serial="0$serial"
    [[ $serial == [89a-f]* ]] && serial="00$serial"
    when=$(printf %s "$(date -u +%y%m%d%H%M%SZ)" | xxd -p)
    # certificateIssuer, critical: the intermediate's name as its lists carry it.
    ext=$(tlv 30 "0603551d1d0101ff$(tlv 04 "$(tlv 30 "$(tlv a4 "$(tbs_elements "$out/crl/intermediate-empty.crl" | sed -n 3p)")")")")
    entries=$(tlv 30 "$(tlv 30 "$(tlv 02 "$serial")$(tlv 17 "$when")$(tlv 30 "$ext")")")
  fi
  sign_tbs "$1" "$(tlv 30 "${parts[0]}${parts[1]}${parts[2]}${parts[3]}${parts[4]}$entries${parts[5]}")" \
    "${parts[1]}" "$3"
}
# A list's signed part, in hex, signed by ISSUER with SHA-256 into OUTPUT.
sign_tbs() {  # ISSUER TBS ALGORITHM OUTPUT
  echo "$2" | xxd -r -p >"$out/crl/$4.tbs"
  openssl dgst -sha256 -sign "$out/$1.key" -out "$out/crl/$4.sig" "$out/crl/$4.tbs"
  tlv 30 "$2$3$(tlv 03 "00$(xxd -p "$out/crl/$4.sig" | tr -d '\n')")" | xxd -r -p >"$out/crl/$4.crl"
  openssl crl -inform DER -in "$out/crl/$4.crl" -out "$out/crl/$4.pem"
  rm -f "$out/crl/$4.tbs" "$out/crl/$4.sig"
}
# The list of 2020 without its next update, which `openssl ca` always writes: a list that never
# says it is out of date.
mapfile -t parts < <(tbs_elements "$out/crl/intermediate-expired-2020.crl")
sign_tbs intermediate "$(tlv 30 "${parts[0]}${parts[1]}${parts[2]}${parts[3]}${parts[5]}")" \
  "${parts[1]}" intermediate-undated
indirect_crl root indirect root-indirect-revokes-indirect
indirect_crl root "" root-indirect-empty
indirect_crl crl-signer delegated crl-signer-revokes-delegated
indirect_crl crl-signer "" crl-signer-empty
revoke "$root_ca" root intermediate
gencrl "$root_ca" root root-revokes-intermediate
rm -f "$out/.log" "$out/req.cnf"
