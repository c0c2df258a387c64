#!/bin/bash
# nginx-serve.sh start STATE_DIR DATA_DIR [PORT SLOW_PORT [TLS PORTS...]]
# nginx-serve.sh stop STATE_DIR
# nginx-serve.sh free-ports COUNT
#
# A private nginx on 127.0.0.1 that serves DATA_DIR at /Downloads/ on PORT, and
# the same folder throttled to SLOW_RATE (default 32k bytes/s) on SLOW_PORT, for
# Cancel tests and the demo's progress window. Its config, pid file, logs and temp folders all live
# in STATE_DIR, so it touches nothing system-wide. Without ports, two free ones
# are picked. STATE_DIR/ports then holds "PORT SLOW_PORT" for the tests.
#
# With TLS_DIR set (server.crt/key, untrusted.crt/key and wrong-name.crt/key
# there), the same folder is also served over TLS on four more ports: with
# server.crt (with the redirects of tls_redirects), with it throttled, with
# untrusted.crt and with wrong-name.crt;
# "ports" then holds all six. "free-ports" prints free ones, for callers that
# must know the ports before the server starts.
# "stop" ends only the nginx that "start" left in STATE_DIR, by its pid.
set -euo pipefail

nginx=${NGINX:-/usr/sbin/nginx}
slow_rate=${SLOW_RATE:-32k}
action=${1:-}
state=${2:-}
[ -n "$action" ] && [ -n "$state" ] || {
  echo "usage: $0 start STATE_DIR DATA_DIR [PORT SLOW_PORT] | stop STATE_DIR" >&2
  exit 2
}

tls=${TLS_DIR:-}
port_count=2
[ -n "$tls" ] && port_count=6

free_ports() {
  python3 - "$port_count" <<'EOF'
import socket, sys
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    held.append(s)
print(" ".join(str(s.getsockname()[1]) for s in held))
EOF
}

# The pid in the pid file, only while it is still the nginx master of this state folder.
our_pid() {
  local pid
  [ -f "$state/nginx.pid" ] || return 1
  pid=$(cat "$state/nginx.pid")
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "-c $state/nginx.conf" || return 1
  echo "$pid"
}

stop() {
  local pid
  if pid=$(our_pid); then
    kill -QUIT "$pid"
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -TERM "$pid"
    echo "nginx $pid stopped"
  fi
  rm -f "$state/nginx.pid"
}

# A TLS server block for the data folder with the certificate NAME of TLS_DIR,
# and any further locations.
tls_server() {
  local data=$1 port=$2 name=$3 extra=${4:-} locations=${5:-}
  cat <<EOF
  server {
    listen 127.0.0.1:$port ssl;
    ssl_certificate $tls/$name.crt;
    ssl_certificate_key $tls/$name.key;
    location /Downloads/ { alias $data/; $extra }
$locations
  }
EOF
}

# Redirects of the trusted TLS server on PORT (plain HTTP on PLAIN): prefix
# "Moved" to the VYN sets over https (absolute, and a bare path), "Plain" to the
# plain server, "Loop" to itself.
tls_redirects() {
  local port=$1 plain=$2
  cat <<EOF
    location = /Downloads/MovedData.vyn { return 302 https://localhost:$port/Downloads/VYNData.vyn; }
    location = /Downloads/MovedTax.vyn { absolute_redirect off; return 301 /Downloads/VYNTax.vyn; }
    location = /Downloads/PlainData.vyn { return 302 http://localhost:$plain/Downloads/VYNData.vyn; }
    location = /Downloads/LoopData.vyn { absolute_redirect off; return 302 LoopData.vyn; }
EOF
}

write_conf() {
  local data=$1 port=$2 slow=$3 user=""
  shift 3
  # As root the workers would otherwise switch to "nobody", who may not read the build tree.
  [ "$(id -u)" -eq 0 ] && user="user root;"
  {
    cat <<EOF
$user
daemon on;
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
events { worker_connections 64; }
http {
  access_log $state/access.log;
  client_body_temp_path $state/tmp/body;
  proxy_temp_path $state/tmp/proxy;
  fastcgi_temp_path $state/tmp/fastcgi;
  uwsgi_temp_path $state/tmp/uwsgi;
  scgi_temp_path $state/tmp/scgi;
  types { application/octet-stream vyn; }
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    location /Downloads/ { alias $data/; }
  }
  server {
    listen 127.0.0.1:$slow;
    location /Downloads/ {
      alias $data/;
      limit_rate $slow_rate;
      sendfile off;
      output_buffers 1 8k;
    }
  }
EOF
    if [ -n "$tls" ]; then
      tls_server "$data" "$1" server "" "$(tls_redirects "$1" "$port")"
      tls_server "$data" "$2" server "limit_rate $slow_rate; sendfile off; output_buffers 1 8k;"
      tls_server "$data" "$3" untrusted
      tls_server "$data" "$4" wrong-name
    fi
    echo "}"
  } >"$state/nginx.conf"
}

case "$action" in
  free-ports)
    port_count=$state
    free_ports
    ;;
  start)
    data=${3:?data folder missing}
    mkdir -p "$state/tmp"
    state=$(cd "$state" && pwd)
    data=$(cd "$data" && pwd)
    stop >/dev/null
    given=$(($# - 3))
    if ((given > 0)); then
      ((given == port_count)) || {
        echo "$port_count ports needed, $given given" >&2
        exit 2
      }
      ports="${*:4}"
    else
      ports=$(free_ports)
    fi
    # A free port can be taken between picking and binding: try a few times.
    for attempt in 1 2 3; do
      read -r port slow more <<<"$ports"
      # shellcheck disable=SC2086 # the TLS ports, one word each
      write_conf "$data" "$port" "$slow" $more
      if "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/error.log" 2>>"$state/error.log"; then
        for _ in $(seq 50); do
          our_pid >/dev/null && break
          sleep 0.1
        done
        echo "$ports" >"$state/ports"
        echo "nginx $(our_pid) serving $data on 127.0.0.1:$port (throttled: $slow)"
        exit 0
      fi
      ((given > 0)) && break
      ports=$(free_ports)
    done
    echo "nginx did not start; see $state/error.log" >&2
    tail -5 "$state/error.log" >&2 || true
    exit 1
    ;;
  stop)
    [ -d "$state" ] || exit 0
    state=$(cd "$state" && pwd)
    stop
    ;;
  *)
    echo "usage: $0 start STATE_DIR DATA_DIR [PORT SLOW_PORT] | stop STATE_DIR" >&2
    exit 2
    ;;
esac
