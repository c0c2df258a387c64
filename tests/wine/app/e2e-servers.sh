#!/bin/bash
# e2e-servers.sh up STATE_DIR: generates the sample data sets into STATE_DIR/www
# (with manifests the tests compare against) and serves them from a private
# nginx whose state, and the file "ports", are in STATE_DIR/nginx; over TLS too,
# with the test certificates of STATE_DIR/tls.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
state=${2:?usage: $0 up STATE_DIR}
[ "$1" = up ] || { echo "usage: $0 up STATE_DIR" >&2; exit 2; }
"$root/scripts/nginx-serve.sh" stop "$state/nginx"
rm -rf "$state/www" "$state/nginx" "$state/tls"
mkdir -p "$state/www" "$state/nginx"
# The ports first: the certificates name the plain one, where the revocation lists are.
ports=$("$root/scripts/nginx-serve.sh" free-ports 6)
"$root/tests/wine/app/make-test-certs.sh" "$state/tls" "http://127.0.0.1:${ports%% *}/Downloads"
# Small enough to keep the run quick, large enough that a 32 KiB/s transfer
# lasts long after the Cancel click.
python3 "$root/scripts/sample-data.py" "$state/www" --prefix VYN --seed 7 --size-mib 1
# Prefix "Half": the MLS data set is there, the tax data set is missing.
cp "$state/www/VYNData.vyn" "$state/www/HalfData.vyn"
cp "$state/www/VYNData.vyn.manifest" "$state/www/HalfData.vyn.manifest"
# Prefix "Many": 20,000 small members, an unpack of several seconds under Wine.
python3 "$root/bench/make-bench-data.py" members "$state/www/ManyData.vyn" 20000 >/dev/null
cp "$state/tls/ca.crl" "$state/tls/stranger.crl" "$state/www/"
# shellcheck disable=SC2086 # one word per port
TLS_DIR=$(cd "$state/tls" && pwd) "$root/scripts/nginx-serve.sh" start "$state/nginx" "$state/www" $ports
# The resumed retry relies on this: nginx answers an HTTP/1.0 request for the
# rest, with If-Range naming its ETag, with 206 and the rest only.
python3 - "$(cut -d' ' -f1 "$state/nginx/ports")" <<'EOF'
import http.client, sys
def get(headers):
    c = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=10)
    c._http_vsn, c._http_vsn_str = 10, "HTTP/1.0"
    c.request("GET", "/Downloads/VYNTax.vyn", headers=headers)
    r = c.getresponse()
    return r, r.read()
whole, body = get({})
rest, part = get({"Range": "bytes=1000-", "If-Range": whole.getheader("ETag")})
expected = f"bytes 1000-{len(body) - 1}/{len(body)}"
if rest.status != 206 or rest.getheader("Content-Range") != expected or part != body[1000:]:
    sys.exit(f"nginx does not answer a range request: {rest.status} {rest.getheader('Content-Range')}")
EOF
