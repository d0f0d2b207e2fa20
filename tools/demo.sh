#!/usr/bin/env bash
# The main job: builds every deliverable into dist/ and runs the end-to-end demo on loopback.
#   1. the reference server (toolbar server and web server) starts with its sample rules;
#   2. svc_check.exe, under Wine, binds LumoraSvcDll.dll by name as the toolbar does and asks the
#      server about sample addresses over the encrypted protocol; the verdicts are printed;
#   3. the browser stand-in posts a verdict form to the server's block page and photographs it;
#   4. the site information balloon is shown for each lamp state and photographed.
# Everything it writes stays in build/ and dist/; the server listens on 127.0.0.1 only.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh
jobs=$(nproc)

echo "== building the Windows deliverables into dist/"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
cmake --install build/win32 >/dev/null
ls -l dist/

echo "== building the reference server"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target lumora-server

demo_dir=$root/build/demo
rm -rf "$demo_dir"
mkdir -p "$demo_dir"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
toolbar_port=$(free_port); web_port=$(free_port); upgrade_port=$(free_port)

build/native/server/lumora-server init --db "$demo_dir/lumora.db" >/dev/null
echo "== starting lumora-server on 127.0.0.1 (toolbar $toolbar_port, web $web_port)"
build/native/server/lumora-server run --db "$demo_dir/lumora.db" --listen 127.0.0.1 \
    --toolbar-port "$toolbar_port" --web-port "$web_port" --upgrade-port "$upgrade_port" \
    --web-host "127.0.0.1:$web_port" --log "$demo_dir/server.log" &
server_pid=$!
cleanup() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    build/win32/wine-run --stop
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$toolbar_port") 2>/dev/null && break
    sleep 0.1
done

run_demo() {
    echo "== address checks through LumoraSvcDll.dll under Wine"
    build/win32/wine-run "$PWD/build/win32/bin/svc_check.exe" 127.0.0.1 "$toolbar_port" \
        http://malware-download.example/setup.exe http://ad-relay.example/ \
        http://old-forum.example/ http://bank-login.example/ http://hacked-shop.example/ \
        http://adult-only.example/ http://game-15.example/ http://gov-portal.example/ \
        http://www.bank.example/ http://news.example/articles/infected.html \
        http://news.example/ http://www.plain-site.example/

    echo "== the browser stand-in fetches the block page with the verdict posted to it"
    mkdir -p build/win32/demo
    cat > build/win32/demo/block-page.txt <<SCRIPT
post http://127.0.0.1:$web_port/sitepopup/sitepopup_block.orvx Lumora=NoCheck&url=http://malware-download.example/setup.exe&malCode=121013&malCodeHistory=121016&phishing=121012&falsify=121018&olderThan19=121037&countryName=KR&popup=0
waitidle
screenshot block-page.png
close
SCRIPT
    rm -f build/win32/demo/transcript.txt
    build/win32/wine-run "$PWD/build/win32/bin/browser.exe" --script 'y:\demo\block-page.txt' \
        --transcript 'y:\demo\transcript.txt' --save-dir 'y:\demo'
    grep -a -E 'fetched|navigation' build/win32/demo/transcript.txt || true
    ls build/win32/demo/block-page.png

    echo "== the site information balloon for each lamp state"
    (cd build/win32 && ctest -R tooltip_screenshots >/dev/null)
    ls build/win32/screenshots/
}
export -f run_demo
export toolbar_port web_port
tools/with-display.sh bash -c run_demo

echo "== server log"
cat "$demo_dir/server.log"
echo "== demo finished: deliverables in dist/, block page in build/win32/demo/block-page.png,"
echo "   balloons and the picture sheet in build/win32/screenshots/"
