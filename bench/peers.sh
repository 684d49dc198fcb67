#!/usr/bin/env bash
# Compares the command-line tools with a bare read loop and with other metadata readers on
# N copies of the test photos, all in one run:
#   read_head_loop     opens each file, reads its first 64 KiB, closes it (the baseline)
#   kivo-info          text, and --json
#   kivo-tidy settime --dry-run
#   exiv2, exiftool -fast2   where installed
# Timed with hyperfine when it is installed (and the command line fits), else as the median
# of its own runs. Prints "BENCH peer_<name> ratio=<x> target=<y>" lines (ratios to the
# loop; the --json run's to the text run), the peak RSS of the --json run and a Markdown
# table of wall and processor (user + system) times.
#
# Usage: bench/peers.sh [--build DIR] [--files N] [--runs N] [--photos DIR] [--no-peers]
#   --build DIR   the build folder (default: the current folder) with kivo-info, kivo-tidy
#                 and bench/read_head_loop built
#   --files N     copies to read (default 10000)
#   --runs N      timed runs per command, after one warm-up run (default 5)
#   --photos DIR  the photos to copy (default: the build's KIVO_TESTDATA_DIR/photos)
#   --no-peers    time only the loop and Kivomat's tools (exiftool alone takes minutes)
set -euo pipefail

build=.
files=10000
runs=5
photos=
peers=1

usage() { sed -n '13,19s/^# \{0,1\}//p' "$0"; }

while [ $# -gt 0 ]; do
    case $1 in
    --build | --files | --runs | --photos)
        [ $# -ge 2 ] || { echo "peers.sh: $1 needs a value" >&2; exit 2; }
        declare "${1#--}=$2"
        shift 2 ;;
    --build=* | --files=* | --runs=* | --photos=*)
        opt=${1%%=*}
        declare "${opt#--}=${1#*=}"
        shift ;;
    --no-peers) peers=0; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "peers.sh: unknown argument $1" >&2; usage >&2; exit 2 ;;
    esac
done
case $files$runs in *[!0-9]*) echo "peers.sh: --files and --runs take whole numbers" >&2; exit 2 ;; esac
[ "$files" -gt 0 ] && [ "$runs" -gt 0 ] || { echo "peers.sh: --files and --runs must be above 0" >&2; exit 2; }

build=$(cd "$build" && pwd)
info=$build/src/cli/kivo-info
tidy=$build/src/cli/kivo-tidy
loop=$build/bench/read_head_loop
for tool in "$info" "$tidy" "$loop"; do
    if [ ! -x "$tool" ]; then
        echo "peers.sh: $tool is not built; configure with -DKIVO_BUILD_BENCH=ON and run" >&2
        echo "  ninja -C $build kivo-info kivo-tidy read_head_loop" >&2
        exit 2
    fi
done
if [ -z "$photos" ] && [ -f "$build/CMakeCache.txt" ]; then
    photos=$(sed -n 's/^KIVO_TESTDATA_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")/photos
fi
sources=()
if [ -n "$photos" ] && [ -d "$photos" ]; then
    while IFS= read -r -d '' f; do sources+=("$f"); done \
        < <(find "$photos" -maxdepth 1 -type f -print0 | sort -z)
fi
if [ ${#sources[@]} -eq 0 ]; then
    echo "peers.sh: no photos to copy (give --photos DIR)" >&2
    exit 2
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kivo-peers.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/set" "$tmp/state" "$tmp/config" "$tmp/cache"
# The undo journal and the settings of kivo-tidy stay in the temporary folder.
export XDG_STATE_HOME=$tmp/state XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache

# Copy i is "<i>.<ext>" of photo i mod count; each photo goes out to its copies in one tee.
names=()
for ((i = 0; i < files; i++)); do
    src=${sources[i % ${#sources[@]}]}
    base=${src##*/}
    names+=("$i.${base##*.}")
done
cd "$tmp/set"
for ((k = 0; k < ${#sources[@]}; k++)); do
    dests=()
    for ((i = k; i < files; i += ${#sources[@]})); do dests+=("${names[i]}"); done
    [ ${#dests[@]} -eq 0 ] || tee "${dests[@]}" < "${sources[k]}" > /dev/null
done
echo "files=$files from ${#sources[@]} photos ($(du -sh . | cut -f1)), runs=$runs"

keys=(read_head_loop kivo_info kivo_info_json kivo_tidy_settime)
declare -A label=(
    [read_head_loop]="bare read-64KiB loop"
    [kivo_info]='`kivo-info` (text)'
    [kivo_info_json]='`kivo-info --json`'
    [kivo_tidy_settime]='`kivo-tidy settime --dry-run`'
    [exiv2]='`exiv2` (summary)'
    [exiftool]='`exiftool -fast2`'
)
declare -A cmd=(
    [read_head_loop]="$loop"
    [kivo_info]="$info"
    [kivo_info_json]="$info --json"
    [kivo_tidy_settime]="$tidy settime --dry-run"
)
if [ $peers = 1 ] && command -v exiv2 > /dev/null; then keys+=(exiv2); cmd[exiv2]=$(command -v exiv2); fi
if [ $peers = 1 ] && command -v exiftool > /dev/null; then keys+=(exiftool); cmd[exiftool]="$(command -v exiftool) -fast2"; fi

# Every file must be there and be read, else the times mean nothing.
check=$("$loop" "${names[@]}")
[ "$check" = "${check#files=$files }" ] && { echo "peers.sh: the loop read $check" >&2; exit 1; }
"$info" "${names[@]}" > /dev/null || { echo "peers.sh: kivo-info failed" >&2; exit 1; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A ms cpu
joined=${names[*]}
if command -v hyperfine > /dev/null && [ $(( ${#joined} + 200 )) -lt 131072 ]; then
    timer="hyperfine $(hyperfine --version | cut -d' ' -f2), $runs runs + 1 warm-up, medians"
    args=()
    for k in "${keys[@]}"; do args+=(-n "$k" "${cmd[$k]} $joined"); done
    hyperfine -N -i --style basic --warmup 1 --runs "$runs" --export-csv "$tmp/times.csv" \
        "${args[@]}" >&2
    # command,mean,stddev,median,user,system,min,max (seconds); user and system are means
    while IFS=, read -r name _ _ median user system _; do
        [ "$name" = command ] && continue
        ms[$name]=$(awk -v s="$median" 'BEGIN { printf "%.2f", s * 1000 }')
        cpu[$name]=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", (u + s) * 1000 }')
    done < "$tmp/times.csv"
else
    timer="median of $runs runs after 1 warm-up (no hyperfine, or too many names for it)"
    for k in "${keys[@]}"; do
        read -r -a words <<< "${cmd[$k]}"
        times=()
        for ((r = 0; r <= runs; r++)); do
            start=$EPOCHREALTIME
            "${words[@]}" "${names[@]}" > /dev/null 2>&1 || true
            end=$EPOCHREALTIME
            [ $r -eq 0 ] || times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) * 1000 }')")
        done
        ms[$k]=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
    done
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

rss=
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$tmp/rss" "$info" --json "${names[@]}" > /dev/null
    rss=$(awk '{ printf "%.1f", $1 / 1024 }' "$tmp/rss")
fi

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
declare -A target=([kivo_info]=1.8 [kivo_tidy_settime]=2.5 [kivo_info_json]=1.5)
base=${ms[read_head_loop]}
for k in "${keys[@]}"; do
    [ "$k" = read_head_loop ] && continue
    if [ "$k" = kivo_info_json ]; then r=$(ratio "${ms[$k]}" "${ms[kivo_info]}"); else r=$(ratio "${ms[$k]}" "$base"); fi
    echo "BENCH peer_$k ratio=$r target=${target[$k]:-none}"
done
[ -z "$rss" ] || echo "peak_rss kivo_info_json=${rss}MB target<32MB"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
echo
echo "$files copies of ${#sources[@]} test photos, warm cache; $timer."
echo "Machine: $(nproc) cores, $cpu; load average $load_before before, $load_after after."
echo
# Processor time (user + system, all threads) as hyperfine measured it; several threads
# make the wall time shorter than the processor time.
cpubase=${cpu[read_head_loop]:-}
echo "| command | median ms | ratio to the loop | processor ms | its ratio | target |"
echo "|---|---:|---:|---:|---:|---|"
for k in "${keys[@]}"; do
    r=$(ratio "${ms[$k]}" "$base")
    c=${cpu[$k]:-}
    cr=
    [ -n "$c" ] && [ -n "$cpubase" ] && cr=$(ratio "$c" "$cpubase")
    case $k in
    read_head_loop) t= ;;
    kivo_info_json) t="≤ 1.5× the text run (here $(ratio "${ms[$k]}" "${ms[kivo_info]}"))${rss:+, peak RSS $rss MB (< 32)}" ;;
    *) t=${target[$k]:+≤ ${target[$k]}} ;;
    esac
    echo "| ${label[$k]} | ${ms[$k]} | $r | ${c:-–} | ${cr:-–} | $t |"
done
