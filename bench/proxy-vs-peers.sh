#!/usr/bin/env bash
# The local HTTP proxy (`lumexa-cli proxy serve`) against tinyproxy and a direct connection, in
# one run: a local nginx serves a 1 KiB and a 1 MiB file on loopback, and wrk fetches each
# through Lumexa, through tinyproxy and directly, with 1 and 32 connections.
#
# Every request carries "Connection: close", in the three runs alike: the local proxy serves one
# request per connection, and so does tinyproxy, so the direct figures are measured on the same
# footing (a new connection per request).
#
# Each figure is the median of ROUNDS runs, and the three ways are taken in turn within every
# round, so a build starting on the machine in the middle weighs on all three alike.
#
# Usage: bench/proxy-vs-peers.sh [LUMEXA_CLI] [SECONDS] [ROUNDS]
#   LUMEXA_CLI  default build/bench/src/app/lumexa-cli (the `bench` preset), else build/release/...
#   SECONDS     length of each wrk run, default 5
#   ROUNDS      runs of each way per row, default 3
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-}
if [ -z "$cli" ]; then
    for candidate in build/bench/src/app/lumexa-cli build/release/src/app/lumexa-cli; do
        [ -x "$candidate" ] && cli=$candidate && break
    done
fi
[ -n "$cli" ] && [ -x "$cli" ] || { echo "lumexa-cli not found: build the bench preset first" >&2; exit 2; }
cli=$(realpath "$cli")
seconds=${2:-5}
rounds=${3:-3}
for tool in nginx tinyproxy wrk python3; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_port() {
    for _ in $(seq 1 500); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.02
    done
    echo "nothing listens on port $1" >&2
    return 1
}

# The origin: nginx with one worker (the machine has few cores, and every peer shares them).
origin=$(free_port)
mkdir -p "$work/nginx/www"
head -c 1024 /dev/urandom >"$work/nginx/www/1k.bin"
head -c 1048576 /dev/urandom >"$work/nginx/www/1m.bin"
cat >"$work/nginx/nginx.conf" <<EOF
user root;
worker_processes 1;
error_log stderr error;
pid nginx.pid;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path t_body; proxy_temp_path t_proxy; fastcgi_temp_path t_fcgi;
    uwsgi_temp_path t_uwsgi; scgi_temp_path t_scgi;
    sendfile on;
    server { listen 127.0.0.1:$origin; root www; }
}
EOF
nginx -p "$work/nginx" -c nginx.conf -g 'daemon off;' 2>"$work/nginx.log" &
pids+=($!)

# tinyproxy, forwarding directly, without a login (as Lumexa here).
tiny=$(free_port)
cat >"$work/tinyproxy.conf" <<EOF
Port $tiny
Listen 127.0.0.1
Timeout 60
MaxClients 256
LogLevel Critical
DisableViaHeader Yes
EOF
tinyproxy -d -c "$work/tinyproxy.conf" 2>"$work/tinyproxy.log" &
pids+=($!)

# Lumexa, with no remote proxy.
lumexa=$(free_port)
"$cli" --machine "$work/machine" machine create >/dev/null
"$cli" --machine "$work/machine" proxy set RemoteProxyType -1 >/dev/null
"$cli" --machine "$work/machine" proxy serve --port "$lumexa" >"$work/lumexa.log" 2>&1 &
pids+=($!)

wait_port "$origin" && wait_port "$tiny" && wait_port "$lumexa"

# wrk sends "GET <path>": through a proxy the path is the absolute address.
for file in 1k.bin 1m.bin; do
    cat >"$work/proxy-$file.lua" <<EOF
wrk.path = "http://127.0.0.1:$origin/$file"
wrk.headers["Host"] = "127.0.0.1:$origin"
wrk.headers["Connection"] = "close"
EOF
    cat >"$work/direct-$file.lua" <<EOF
wrk.path = "/$file"
wrk.headers["Connection"] = "close"
EOF
done

# Prints the median of each column of "requests/s MB/s" lines.
median() {
    python3 -c '
import statistics, sys
rows = [line.split() for line in sys.stdin if line.strip()]
print(" ".join(f"{statistics.median(float(r[i]) for r in rows):.{p}f}" for i, p in ((0, 1), (1, 2))))'
}

# Prints "requests/s MB/s" for one run.
# wrk counts a close after a response without "Connection: close" as a read error; such
# lines are shown with the run they belong to.
measure() { # label port script connections
    local threads=$(($4 < 2 ? $4 : 2))
    wrk -t"$threads" -c"$4" -d"${seconds}s" -s "$3" "http://127.0.0.1:$2/" >"$work/wrk.out" 2>&1
    if grep -q "Non-2xx\|Socket errors" "$work/wrk.out"; then
        echo "note ($1, $4 connections):$(grep -h "Non-2xx\|Socket errors" "$work/wrk.out")" >&2
    fi
    python3 - "$work/wrk.out" <<'EOF'
import re, sys
text = open(sys.argv[1]).read()
rps = float(re.search(r"Requests/sec:\s+([\d.]+)", text).group(1))
value, unit = re.search(r"Transfer/sec:\s+([\d.]+)(\w+)", text).groups()
scale = {"B": 1 / 1048576, "KB": 1 / 1024, "MB": 1, "GB": 1024}[unit]
print(f"{rps:.1f} {float(value) * scale:.2f}")
EOF
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "Tools: $(nginx -v 2>&1 | cut -d/ -f2) nginx, tinyproxy $(tinyproxy -v | awk '{print $2}'), $(wrk -v 2>&1 | head -1 | awk '{print $1, $2}'); ${seconds}s per run, median of $rounds"
echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf "| %-6s | %5s | %12s | %12s | %12s | %12s | %12s | %12s | %9s | %9s |\n" \
    file conns "direct req/s" "tiny req/s" "lumexa req/s" "direct MB/s" "tiny MB/s" "lumexa MB/s" "lx/tiny" "lx/direct"
printf "|%s|\n" "--------|-------|--------------|--------------|--------------|--------------|--------------|--------------|-----------|-----------"
for file in 1k.bin 1m.bin; do
    for conns in 1 32; do
        : >"$work/direct.runs"
        : >"$work/tiny.runs"
        : >"$work/lumexa.runs"
        for _ in $(seq 1 "$rounds"); do
            measure "direct $file" "$origin" "$work/direct-$file.lua" "$conns" >>"$work/direct.runs"
            measure "tinyproxy $file" "$tiny" "$work/proxy-$file.lua" "$conns" >>"$work/tiny.runs"
            measure "lumexa $file" "$lumexa" "$work/proxy-$file.lua" "$conns" >>"$work/lumexa.runs"
        done
        read -r d_rps d_mb < <(median <"$work/direct.runs")
        read -r t_rps t_mb < <(median <"$work/tiny.runs")
        read -r l_rps l_mb < <(median <"$work/lumexa.runs")
        ratio_tiny=$(python3 -c "print(f'{$l_rps / $t_rps:.2f}')")
        ratio_direct=$(python3 -c "print(f'{$l_mb / $d_mb:.2f}')")
        printf "| %-6s | %5s | %12s | %12s | %12s | %12s | %12s | %12s | %9s | %9s |\n" \
            "$file" "$conns" "$d_rps" "$t_rps" "$l_rps" "$d_mb" "$t_mb" "$l_mb" "$ratio_tiny" "$ratio_direct"
    done
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "lx/tiny: Lumexa's requests per second over tinyproxy's; lx/direct: Lumexa's transfer rate over direct."
echo "Targets: lx/tiny >= 1.00 at 32 connections; lx/direct >= 0.90 for 1m.bin."
