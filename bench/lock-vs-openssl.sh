#!/usr/bin/env bash
# Lock and unlock throughput against openssl enc, in one run on one file:
#   lock_bench   TFileLocker::LockFile and UnlockFile of the file for every cipher of the
#                catalogue (SHA256 key hash), each including the flush of its output to the disk
#   openssl enc  the same file with the same algorithm in CBC mode, where OpenSSL has it:
#                -aes-256-cbc (Rijndael), -bf-cbc (Blowfish), -cast5-cbc (Cast128),
#                -des-ede3-cbc (3DES); Blowfish and CAST5 need OpenSSL 3's legacy provider
# and prints every figure in MB/s (10^6 bytes per second) with the ratio locker / openssl.
# openssl enc leaves its output in the page cache; the locker flushes its output to the disk
# before it deletes the input, so each openssl run is also shown with `sync` of its output.
#
# Usage: bench/lock-vs-openssl.sh LOCK_BENCH [FOLDER] [SIZE_MIB]
#   LOCK_BENCH  the binary (build/<dir>/bench/lock_bench with the bench preset)
#   FOLDER      where the file goes (default: $TMPDIR or /tmp)
#   SIZE_MIB    file size in MiB (default 512)
set -euo pipefail

bench=${1:?usage: $0 LOCK_BENCH [FOLDER] [SIZE_MIB]}
folder=${2:-${TMPDIR:-/tmp}}
size_mib=${3:-512}
work=$(mktemp -d "$folder/lock-vs-openssl-XXXXXX")
trap 'rm -rf "$work"' EXIT
bytes=$((size_mib * 1048576))
file="$work/plain.bin"

now() { date +%s.%N; }
rate() { awk -v b="$1" -v s="$2" -v e="$3" 'BEGIN { printf "%.1f", b / (e - s) / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "Machine: $(nproc) processors ($(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo))," \
     "AES-NI $(grep -qw aes /proc/cpuinfo && echo yes || echo no)," \
     "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "file system $(stat -f -c %T "$work")"
echo "File: $size_mib MiB in $folder; $(openssl version)"
echo

dd if=/dev/urandom of="$file" bs=1M count="$size_mib" status=none
sync "$file"

# openssl enc NAME KEY_BYTES [PROVIDER ARGS...]: sets enc_rate and dec_rate (output left in the
# page cache) and enc_sync and dec_sync (the same runs including `sync` of the output, which is
# what the locker's flush costs it).
openssl_run() {
    local name=$1 key_bytes=$2
    shift 2
    local key iv
    key=$(head -c "$key_bytes" /dev/urandom | od -An -tx1 | tr -d ' \n')
    iv=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')
    [ "$name" = aes-256-cbc ] || iv=${iv:0:16}
    local start middle end
    start=$(now)
    openssl enc "$@" -"$name" -K "$key" -iv "$iv" -nopad -in "$file" -out "$work/enc.bin"
    middle=$(now)
    sync "$work/enc.bin"
    end=$(now)
    enc_rate=$(rate "$bytes" "$start" "$middle")
    enc_sync=$(rate "$bytes" "$start" "$end")
    start=$(now)
    openssl enc "$@" -d -"$name" -K "$key" -iv "$iv" -nopad -in "$work/enc.bin" -out "$work/dec.bin"
    middle=$(now)
    sync "$work/dec.bin"
    end=$(now)
    dec_rate=$(rate "$bytes" "$start" "$middle")
    dec_sync=$(rate "$bytes" "$start" "$end")
    cmp -s "$file" "$work/dec.bin" || { echo "openssl $name did not round-trip" >&2; exit 1; }
    rm -f "$work/enc.bin" "$work/dec.bin"
}

declare -A ossl
record() { ossl[$1]="$enc_rate $enc_sync $dec_rate $dec_sync"; }
legacy=(-provider legacy -provider default)
openssl_run aes-256-cbc 32 && record Rijndael
openssl_run bf-cbc 16 "${legacy[@]}" && record Blowfish
openssl_run cast5-cbc 16 "${legacy[@]}" && record Cast128
openssl_run des-ede3-cbc 24 && record 3DES

row='%-9s %8s %8s %6s %8s %6s   %8s %8s %6s %8s %6s\n'
printf "$row" "" lock openssl ratio "+sync" ratio unlock "-d" ratio "+sync" ratio
"$bench" "$file" | while read -r line; do
    # "Thin Ice" has a blank: the name is everything between "cipher=" and " lock_mbps=".
    name=$(sed -n 's/^cipher=\(.*\) lock_mbps=.*/\1/p' <<<"$line")
    lock=$(sed -n 's/.* lock_mbps=\([0-9.]*\).*/\1/p' <<<"$line")
    unlock=$(sed -n 's/.* unlock_mbps=\([0-9.]*\).*/\1/p' <<<"$line")
    if [ -n "${ossl[$name]:-}" ]; then
        read -r e es d ds <<<"${ossl[$name]}"
        printf "$row" "$name" "$lock" "$e" "$(ratio "$lock" "$e")" "$es" "$(ratio "$lock" "$es")" \
            "$unlock" "$d" "$(ratio "$unlock" "$d")" "$ds" "$(ratio "$unlock" "$ds")"
    else
        printf "$row" "$name" "$lock" - - - - "$unlock" - - - -
    fi
done
