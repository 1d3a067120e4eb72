#!/usr/bin/env bash
# Secure deletion throughput against its peers, in one run on one file system:
#   dd     durable 64 KiB writes (oflag=dsync): the physical limit of the engine's pass, which
#          flushes after every 64 KiB block
#   shred  coreutils' overwriter, -n 3 -x and -n 7 -x (one flush per pass)
#   secure_delete_bench  the engine: custom 1 pass, DoD 3 passes, NSA 7 passes, GOST 5 passes
# and prints every figure in MB/s per pass with its ratio to dd.
#
# Usage: bench/secure-delete-vs-peers.sh SECURE_DELETE_BENCH [FOLDER] [SIZE_MIB]
#   SECURE_DELETE_BENCH  the binary (build/bench/bench/secure_delete_bench with the bench preset)
#   FOLDER               where the files go (default: $TMPDIR or /tmp)
#   SIZE_MIB             file size in MiB (default 256)
set -euo pipefail

bench=${1:?usage: $0 SECURE_DELETE_BENCH [FOLDER] [SIZE_MIB]}
folder=${2:-${TMPDIR:-/tmp}}
size_mib=${3:-256}
work=$(mktemp -d "$folder/secure-delete-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT
bytes=$((size_mib * 1048576))

now() { date +%s.%N; }
# MB/s (10^6 bytes per second) of `bytes` written in the seconds between two stamps.
rate() { awk -v b="$1" -v s="$2" -v e="$3" 'BEGIN { printf "%.1f", b / (e - s) / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

fresh_file() {
    dd if=/dev/urandom of="$1" bs=1M count="$size_mib" status=none
    sync "$1"
}

echo "Machine: $(nproc) processors, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "file system $(stat -f -c %T "$work") ($(df -P "$work" | awk 'NR == 2 { print $1 }'))"
echo "File: $size_mib MiB in $folder"
echo

start=$(now)
dd if=/dev/zero of="$work/dd.bin" bs=64k count=$((size_mib * 16)) oflag=dsync status=none
end=$(now)
dd_rate=$(rate "$bytes" "$start" "$end")
rm -f "$work/dd.bin"

declare -A shred_rate
for n in 3 7; do
    fresh_file "$work/shred.bin"
    start=$(now)
    shred -n "$n" -x "$work/shred.bin"
    end=$(now)
    shred_rate[$n]=$(rate $((bytes * n)) "$start" "$end")
    rm -f "$work/shred.bin"
done

csv=$("$bench" --dir="$work" --size="$size_mib" --benchmark_format=csv 2>/dev/null)
# name,iterations,real_time,cpu_time,time_unit,bytes_per_second,...
engine() { echo "$csv" | awk -F, -v name="\"$1\"" '$1 == name { printf "%.1f", $6 / 1e6 }'; }
one=$(engine "BM_Erase/method:5/passes:1/iterations:1/real_time")
dod=$(engine "BM_Erase/method:1/passes:3/iterations:1/real_time")
nsa=$(engine "BM_Erase/method:3/passes:7/iterations:1/real_time")
gost=$(engine "BM_Erase/method:4/passes:5/iterations:1/real_time")
cipher=$(engine "BM_GostCipherFeedback")

printf '%-34s %12s %12s\n' "per pass" "MB/s" "vs dd"
printf '%-34s %12s %12s\n' "dd bs=64k oflag=dsync" "$dd_rate" "1.00"
printf '%-34s %12s %12s\n' "engine, custom 1 pass" "$one" "$(ratio "$one" "$dd_rate")"
printf '%-34s %12s %12s\n' "engine, DoD 3 passes" "$dod" "$(ratio "$dod" "$dd_rate")"
printf '%-34s %12s %12s\n' "engine, NSA 7 passes" "$nsa" "$(ratio "$nsa" "$dd_rate")"
printf '%-34s %12s %12s\n' "engine, GOST 5 passes" "$gost" "$(ratio "$gost" "$dd_rate")"
printf '%-34s %12s %12s\n' "shred -n 3 -x" "${shred_rate[3]}" "$(ratio "${shred_rate[3]}" "$dd_rate")"
printf '%-34s %12s %12s\n' "shred -n 7 -x" "${shred_rate[7]}" "$(ratio "${shred_rate[7]}" "$dd_rate")"
echo
printf '%-34s %12s\n' "engine DoD 3 / shred -n 3" "$(ratio "$dod" "${shred_rate[3]}")"
printf '%-34s %12s\n' "engine NSA 7 / shred -n 7" "$(ratio "$nsa" "${shred_rate[7]}")"
printf '%-34s %12s\n' "GOST cipher feedback in memory" "$cipher MB/s"
