#!/usr/bin/env bash
# What the results folder (--out-dir: segments.csv, run.json with SHA-256
# digests, log.txt, summary.csv) adds to a run, against -o with the data files
# alone, on a 2048 x 2048 fibre image; best of five wall-clock times each.
# Exits non-zero above 10 %. Only meaningful on a quiet machine: the load is
# printed first.
#
#   bench/bench_cli_outputs.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
maker=${KESTRANO_FIBRE_MAKER:-$root/../shared/bench/make_fibres.py}
kestrano=$build/bin/kestrano
[ -x "$kestrano" ] || { echo "no $kestrano: build the tree first" >&2; exit 2; }
data=$build/bench-data
mkdir -p "$data"
image=$data/fibres-2048.pgm
[ -f "$image" ] || python3 "$maker" --width 2048 --height 2048 --fibres 600 --seed 1 --out "$image" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {  # best of five runs of "$@", in seconds
    local times="" start end
    for _ in 1 2 3 4 5; do
        rm -rf "$work/run"; mkdir "$work/run"
        start=$(date +%s.%N)
        (cd "$work/run" && "$@" >/dev/null 2>&1)
        end=$(date +%s.%N)
        times+="$start $end"$'\n'
    done
    awk 'NF == 2 { t = $2 - $1; if (best == "" || t < best) best = t } END { printf "%.3f\n", best }' <<< "$times"
}

echo "load: $(uptime)"
plain=$(best "$kestrano" run "$image" -o out.pgm --data-dir d)
folder=$(best "$kestrano" run "$image" --out-dir res)
overhead=$(awk -v a="$plain" -v b="$folder" 'BEGIN { printf "%.1f", 100 * (b - a) / a }')
echo "2048 x 2048: -o ${plain} s, --out-dir ${folder} s, overhead ${overhead} %"
awk -v o="$overhead" 'BEGIN { exit !(o < 10) }'

