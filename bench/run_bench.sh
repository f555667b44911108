#!/usr/bin/env bash
# Speed and memory targets of the pipeline, default parameters, on
# reproducible fibre images. Needs a built tree (./run-tests.sh or
# ./run-sample.sh make one); exits non-zero when a target is missed.
#
#   bench/run_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
maker=${KESTRANO_FIBRE_MAKER:-$root/../shared/bench/make_fibres.py}
data=$build/bench-data
mkdir -p "$data"
cmake --build "$build" --target bench_pipeline >/dev/null

# size  fibres  max seconds  max MiB
# (measured 2026-12: 0.7 s / 15 MiB, 4.3 s / 47 MiB, 10 s / 173 MiB on one core)
targets="512 40 2 64
1024 120 8 128
2048 400 30 512"

status=0
while read -r size fibres seconds mib; do
    image=$data/fibres-$size.pgm
    [ -f "$image" ] || python3 "$maker" --width "$size" --height "$size" --fibres "$fibres" --seed 1 --out "$image"
    "$build/bin/bench_pipeline" "$image" --max-seconds "$seconds" --max-rss-mib "$mib" || status=1
done <<< "$targets"
exit $status
