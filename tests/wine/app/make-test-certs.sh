#!/bin/bash
# make-test-certs.sh DIR CRL_URL_BASE: a test certificate authority (ca.crt)
# and, for localhost and 127.0.0.1, server.crt signed by it, untrusted.crt
# signed by an authority nobody trusts, and wrong-name.crt signed by it for
# another name; each .crt has its .key. Windows checks that a server's
# certificate is not revoked, so each authority publishes an empty revocation
# list, ca.crl and stranger.crl, which the certificates name at CRL_URL_BASE.
# Only the tests' nginx and the test prefix use them.
set -euo pipefail
dir=${1:?usage: $0 DIR CRL_URL_BASE}
crl_base=${2:?usage: $0 DIR CRL_URL_BASE}
mkdir -p "$dir"
cd "$dir"

# authority NAME SUBJECT, with its empty revocation list NAME.crl
authority() {
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$1.key" -out "$1.crt" 2>/dev/null
  mkdir -p "$1.db"
  : >"$1.db/index.txt"
  echo 01 >"$1.db/crlnumber"
  cat >"$1.db/ca.cnf" <<CNF
[ca]
default_ca = test
[test]
database = $1.db/index.txt
crlnumber = $1.db/crlnumber
default_md = sha256
default_crl_days = 30
CNF
  openssl ca -gencrl -config "$1.db/ca.cnf" -keyfile "$1.key" -cert "$1.crt" -out "$1.crl.pem" \
    2>/dev/null
  openssl crl -in "$1.crl.pem" -outform DER -out "$1.crl"
  rm -rf "$1.db" "$1.crl.pem"
}

# signed NAME AUTHORITY SUBJECT_ALT_NAMES
signed() {
  openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=VYN test server" \
    -keyout "$1.key" -out "$1.csr" 2>/dev/null
  printf '%s\n' "subjectAltName=$3" "basicConstraints=CA:FALSE" \
    "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" \
    "crlDistributionPoints=URI:$crl_base/$2.crl" >"$1.ext"
  openssl x509 -req -sha256 -days 30 -in "$1.csr" -CA "$2.crt" -CAkey "$2.key" \
    -CAcreateserial -extfile "$1.ext" -out "$1.crt" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}

authority ca "VYN test authority"
authority stranger "VYN authority nobody trusts"
signed server ca "DNS:localhost,IP:127.0.0.1"
signed untrusted stranger "DNS:localhost,IP:127.0.0.1"
signed wrong-name ca "DNS:elsewhere.test"
# The untrusted server sends its authority along: the chain is whole, its root unknown.
cat stranger.crt >>untrusted.crt
rm -f stranger.key ./*.srl
