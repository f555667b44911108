#!/usr/bin/env bash
# What the results folder adds to a run, against -o with the data files alone,
# on a 2048 x 2048 fibre image: first its tables and records (--out-dir
# --no-pictures: segments.csv, run.json with SHA-256 digests, log.txt,
# summary.csv, report.html), which must add under 10 %; then, for information,
# the whole folder with overlay.png and the two plots. Only meaningful on a
# quiet machine: the load is printed first.
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

# One timed run of "$@" in a fresh folder: wall-clock seconds.
timed() {
    rm -rf "$work/run"; mkdir "$work/run"
    local start end
    start=$(date +%s.%N)
    (cd "$work/run" && "$@" >/dev/null 2>&1)
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# The two kinds of run alternate, so that a machine whose speed drifts (a
# shared or virtual one) slows both alike; the median of each is compared.
echo "load: $(uptime)"
plain_times="" tables_times="" folder_times=""
for _ in $(seq "${KESTRANO_BENCH_PAIRS:-9}"); do
    plain_times+="$(timed "$kestrano" run "$image" -o out.pgm --data-dir d)"$'\n'
    tables_times+="$(timed "$kestrano" run "$image" --out-dir res --no-pictures)"$'\n'
    folder_times+="$(timed "$kestrano" run "$image" --out-dir res)"$'\n'
done
plain=$(median <<< "${plain_times%$'\n'}")
tables=$(median <<< "${tables_times%$'\n'}")
folder=$(median <<< "${folder_times%$'\n'}")
percent() { awk -v a="$plain" -v b="$1" 'BEGIN { printf "%.1f", 100 * (b - a) / a }'; }
echo "2048 x 2048, median of ${KESTRANO_BENCH_PAIRS:-9} alternating runs: -o ${plain} s"
echo "  --out-dir --no-pictures ${tables} s: +$(percent "$tables") % (target: under 10 %)"
echo "  --out-dir with the pictures ${folder} s: +$(percent "$folder") %"
awk -v o="$(percent "$tables")" 'BEGIN { exit !(o < 10) }'
