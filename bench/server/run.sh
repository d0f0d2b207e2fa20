#!/usr/bin/env bash
# Runs the toolbar-server load benchmark and, in the same run, nginx serving a 300-byte static
# page with "Connection: close" to wrk, and prints the ratio of the two request rates.
#   bench/server/run.sh [seconds] [connections]
# Needs a native build (cmake --build --preset native). Everything runs on loopback, in a
# throwaway directory, as an unprivileged user where the caller is root.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-10}
connections=${2:-64}
build=build/native
server=$build/server/lumora-server
bench=$build/bench/server/server_url_bench
[ -x "$server" ] && [ -x "$bench" ] || { echo "run.sh: build the native preset first" >&2; exit 1; }

work=$(mktemp -d /tmp/lumora-bench-XXXXXX)
chmod 755 "$work"
server_pid=""
nginx_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}
wait_port() {
    for _ in $(seq 100); do
        (exec 3<>/dev/tcp/127.0.0.1/"$1") 2>/dev/null && return 0
        sleep 0.05
    done
    echo "run.sh: nothing listens on port $1" >&2
    return 1
}
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chown nobody:nogroup "$work"
fi

# The toolbar server: two workers, conversation log into the throwaway directory.
tport=$(free_port); wport=$(free_port); uport=$(free_port)
"${as_user[@]}" "$server" run --db "$work/rules.db" --toolbar-port "$tport" --web-port "$wport" \
    --upgrade-port "$uport" --workers 2 --log "$work/server.log" &
server_pid=$!
wait_port "$tport"

echo "== lumora-server: $connections connections, connection-per-request address checks, ${seconds}s"
"$bench" --port "$tport" --connections "$connections" --threads 2 --seconds "$seconds" | tee "$work/server.txt"
lumora_rate=$(awk '/^checks\/s:/ {print $2}' "$work/server.txt")
kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=""
echo "   log lines written: $(wc -l < "$work/server.log")"

# nginx: its own prefix, config and 300-byte page; the same two cores.
nport=$(free_port)
mkdir -p "$work/nginx/www" "$work/nginx/tmp"
python3 -c 'import sys; body = "<!DOCTYPE html><html><head><title>static</title></head><body>"; body += "x" * (300 - len(body) - len("</body></html>\n")) + "</body></html>\n"; open(sys.argv[1], "w").write(body)' "$work/nginx/www/index.html"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
daemon off;
events { worker_connections 4096; }
http {
    access_log off;
    client_body_temp_path $work/nginx/tmp/body;
    proxy_temp_path $work/nginx/tmp/proxy;
    fastcgi_temp_path $work/nginx/tmp/fastcgi;
    uwsgi_temp_path $work/nginx/tmp/uwsgi;
    scgi_temp_path $work/nginx/tmp/scgi;
    keepalive_timeout 0;
    server {
        listen 127.0.0.1:$nport;
        root $work/nginx/www;
    }
}
CONF
[ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$work/nginx"
"${as_user[@]}" nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
nginx_pid=$!
wait_port "$nport"
size=$(curl -s -o /dev/null -w '%{size_download}' "http://127.0.0.1:$nport/index.html" 2>/dev/null || echo "?")
echo "== nginx: wrk, $connections connections, Connection: close, ${size}-byte page, ${seconds}s"
wrk -t2 -c"$connections" -d"${seconds}s" -H "Connection: close" "http://127.0.0.1:$nport/index.html" | tee "$work/nginx.txt"
nginx_rate=$(awk '/^Requests\/sec:/ {print $2}' "$work/nginx.txt")
kill "$nginx_pid"; wait "$nginx_pid" 2>/dev/null || true; nginx_pid=""

python3 -c "import sys; l=float(sys.argv[1]); n=float(sys.argv[2]); print('== lumora-server %.0f checks/s, nginx %.0f requests/s, ratio %.2fx' % (l, n, l/n))" \
    "$lumora_rate" "$nginx_rate"
