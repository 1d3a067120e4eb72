#!/usr/bin/env bash
# Cleaning-run throughput against its peers, in one run on one file system. A throwaway machine
# gets FILES small files in its temporary folder and only item 92 ("Temp Folder") enabled; an
# identical tree beside it serves the peers:
#   analysis  lumexa-cli analyze (finds and logs every file, changes nothing)
#             against find DIR -printf '%s\n' (lists every file with its size)
#   erase     lumexa-cli erase --yes with secure erasing off (item 33 false: method 0, plain
#             delete), run report, window copy and statistics as usual
#             against rm -rf DIR
# and prints the objects per second of each and their ratios.
#
# Usage: bench/tracks-vs-peers.sh LUMEXA_CLI [FOLDER] [FILES] [BYTES]
#   LUMEXA_CLI  the binary of a release or bench build (build/bench/src/app/lumexa-cli)
#   FOLDER      where the machine and the peer tree go (default: $TMPDIR or /tmp)
#   FILES       number of files (default 20000)
#   BYTES       size of each file (default 100)
set -euo pipefail

cli=${1:?usage: $0 LUMEXA_CLI [FOLDER] [FILES] [BYTES]}
folder=${2:-${TMPDIR:-/tmp}}
count=${3:-20000}
bytes=${4:-100}
work=$(mktemp -d "$folder/tracks-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT
machine="$work/machine"
peer="$work/peer"

lx() { "$cli" --machine "$machine" "$@"; }
now() { date +%s.%N; }
seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.3f", e - s }'; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }
# Three significant digits: the analysis ratio is far below 0.01.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3g", a / b }'; }

# FILES files of BYTES bytes each, flat in one folder.
fill() {
    mkdir -p "$1"
    local data i
    data=$(head -c "$bytes" /dev/zero | tr '\0' 'x')
    for ((i = 0; i < count; i++)); do
        printf '%s' "$data" > "$1/trace$i.tmp"
    done
}

files_in() { { find "$1" -maxdepth 1 -type f -name 'trace*.tmp' 2> /dev/null || true; } | wc -l; }

# The machine's C: holds 1 GiB by default: 20,000 files of one 4 KiB cluster each take 80 MiB.
lx machine create --user bench > /dev/null
lx settings set 33 false # secure erasing off: the tracks eraser's method is 0, a plain delete
lx settings set 34 0
lx settings set 92 true
temp_windows=$(lx machine info | sed -n 's/^Temp folder: *//p')
temp=$(lx machine hostpath "$temp_windows")

echo "Machine: $(nproc) processors, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "file system $(df -PT "$work" | awk 'NR == 2 { print $2 " (" $1 ")" }')"
echo "Files: $count of $bytes bytes, in $folder"
echo

fill "$temp"
fill "$peer"
# Each timing starts with nothing left to write back, so no tool pays for another's writes.
sync

# Analysis.
start=$(now)
find "$peer" -printf '%s\n' > /dev/null
end=$(now)
find_s=$(seconds "$start" "$end")

sync
start=$(now)
lx analyze > /dev/null
end=$(now)
analyze_s=$(seconds "$start" "$end")
found=$(grep -c . "$temp"/*.rep)
[ "$found" -eq "$count" ] || { echo "analysis logged $found objects, not $count" >&2; exit 1; }
[ "$(files_in "$temp")" -eq "$count" ] || { echo "the analysis changed the folder" >&2; exit 1; }
# The next run would sweep this run's window copy too.
rm -f "$temp"/*.rep

# Erase.
sync
start=$(now)
rm -rf "$peer"
end=$(now)
rm_s=$(seconds "$start" "$end")
sync

start=$(now)
lx erase --yes > /dev/null 2>&1 || { echo "the erase run failed" >&2; exit 1; }
end=$(now)
erase_s=$(seconds "$start" "$end")
[ "$(files_in "$temp")" -eq 0 ] || { echo "the erase left files behind" >&2; exit 1; }
reported=$(cat "$machine"/drive_c/Program\ Files/Lumexa/Reports/*.rep | grep -c .)
[ "$reported" -eq "$count" ] || { echo "the run report holds $reported lines, not $count" >&2; exit 1; }

analyze_rate=$(rate "$count" "$analyze_s")
find_rate=$(rate "$count" "$find_s")
erase_rate=$(rate "$count" "$erase_s")
rm_rate=$(rate "$count" "$rm_s")

printf '%-36s %10s %12s %10s\n' "" "seconds" "objects/s" "vs peer"
printf '%-36s %10s %12s %10s\n' "find -printf '%s\\n' (analysis peer)" "$find_s" "$find_rate" "1"
printf '%-36s %10s %12s %10s\n' "lumexa-cli analyze, item 92" "$analyze_s" "$analyze_rate" \
    "$(ratio "$analyze_rate" "$find_rate")"
printf '%-36s %10s %12s %10s\n' "rm -rf (erase peer)" "$rm_s" "$rm_rate" "1"
printf '%-36s %10s %12s %10s\n' "lumexa-cli erase --yes, method 0" "$erase_s" "$erase_rate" \
    "$(ratio "$erase_rate" "$rm_rate")"
