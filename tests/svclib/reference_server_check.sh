#!/usr/bin/env bash
# End-to-end check against the reference server: starts the native lumora-server on loopback
# with its sample rules, runs svc_check.exe under Wine (which loads LumoraSvcDll.dll by name and
# queues address checks as the toolbar does), checks the Korean verdicts, and stops the server.
#   reference_server_check.sh LUMORA_SERVER WINE_RUN SVC_CHECK_EXE WORK_DIR
# Exit 77 (skipped) when the native server has not been built.
set -euo pipefail
server=$1 wine_run=$2 svc_check=$3 work=$4

[ -x "$server" ] || { echo "no native lumora-server at $server: build the native preset first"; exit 77; }

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

mkdir -p "$work"
db="$work/reference.db"
rm -f "$db"
"$server" init --db "$db" >/dev/null
toolbar_port=$(free_port) web_port=$(free_port) upgrade_port=$(free_port)
"$server" run --db "$db" --listen 127.0.0.1 --toolbar-port "$toolbar_port" --web-port "$web_port" \
    --upgrade-port "$upgrade_port" --log "$work/server.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

# Wait (bounded) until the toolbar port accepts connections.
for _ in $(seq 1 50); do
    if python3 -c "import socket,sys; s=socket.socket(); s.settimeout(0.2); sys.exit(s.connect_ex(('127.0.0.1',$toolbar_port)))"; then
        break
    fi
    sleep 0.1
done

out=$("$wine_run" "$svc_check" 127.0.0.1 "$toolbar_port" \
    http://malware-download.example/setup.exe http://bank-login.example/ http://old-forum.example/ \
    http://www.plain-site.example/ | grep -a ' : ' || true)
echo "$out"

status=0
expect() {
    if ! grep -qF -- "$1 : $2" <<<"$out"; then
        echo "missing: $1 : $2"
        status=1
    fi
}
expect http://malware-download.example/setup.exe "위험 (악성코드 유포"
expect http://bank-login.example/ "위험 (피싱"
expect http://old-forum.example/ "주의 (과거 보안위협 이력있음)"
expect http://www.plain-site.example/ "안전"
exit $status
