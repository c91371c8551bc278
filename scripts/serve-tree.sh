#!/usr/bin/env bash
# A real nginx serving a static update-server tree on 127.0.0.1, with its own config,
# logs and PID file in a state folder.
#   scripts/serve-tree.sh start <web root> <port> <state dir>
#   scripts/serve-tree.sh stop <state dir>
set -euo pipefail
cmd=${1:-}; shift || true
case "$cmd" in
  start)
    root=$(cd "$1" && pwd); port=$2; state=$3
    mkdir -p "$state" && state=$(cd "$state" && pwd)
    mkdir -p "$state/tmp"
    cat > "$state/nginx.conf" <<CONF
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
daemon on;
events { worker_connections 64; }
http {
  types { text/plain txt ini; application/octet-stream dat pkg bin exe; }
  default_type application/octet-stream;
  access_log $state/access.log;
  client_body_temp_path $state/tmp;
  proxy_temp_path $state/tmp;
  fastcgi_temp_path $state/tmp;
  uwsgi_temp_path $state/tmp;
  scgi_temp_path $state/tmp;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $root;
    location / { try_files \$uri =404; }
  }
}
CONF
    nginx -c "$state/nginx.conf" -p "$state" -e "$state/error.log" 2>>"$state/error.log" || {
      echo "nginx failed to start on 127.0.0.1:$port; see $state/error.log" >&2; exit 1; }
    for _ in $(seq 50); do
      [ -s "$state/nginx.pid" ] && break; sleep 0.1
    done
    echo "serving $root on http://127.0.0.1:$port/ (pid $(cat "$state/nginx.pid"))"
    ;;
  stop)
    state=$1
    if [ -s "$state/nginx.pid" ]; then
      pid=$(cat "$state/nginx.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      rm -f "$state/nginx.pid"
    fi
    ;;
  *) echo "usage: $0 start <root> <port> <state> | stop <state>" >&2; exit 2 ;;
esac
