#!/usr/bin/env bash
# Runs the real lumexa-cli through a short session on a fresh machine and compares what it
# prints with golden/session.txt (the machine's folder written as $ROOT).
# Usage: golden.sh LUMEXA_CLI GOLDEN_DIR [--update]
set -uo pipefail
cli=$1
golden=$2/session.txt
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
m="$root/machine"

run() {
    echo "\$ lumexa-cli $*"
    "$cli" --machine "$m" "$@" 2>&1
    echo "[exit $?]"
}

actual=$(
    run machine create --os 2000 --user ann
    run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
    run reg set 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' Tray REG_SZ 'C:\tray.exe -q'
    run startup disable Tray
    run startup list
    run settings set 29 true
    run settings get 29
    run settings get 200
    run catalogue
    run settings set 92 true
    run analyze
    run stats show
) 
actual=${actual//$root/\$ROOT}

if [ "${3:-}" = "--update" ]; then
    printf '%s\n' "$actual" > "$golden"
    exit 0
fi
if ! diff -u "$golden" <(printf '%s\n' "$actual"); then
    echo "lumexa-cli output differs from $golden (run with --update after checking the change)"
    exit 1
fi
echo "1 passed, 0 failed"
