#!/usr/bin/env bash
# Speed and memory targets of the pipeline, default parameters, on
# reproducible fibre images (600 fibres at 2048 x 2048, scaled with the area).
# Needs a built tree (./run-tests.sh or ./run-sample.sh make one); exits
# non-zero when a target is missed. The figures are only meaningful on a quiet
# machine: the load is printed first.
#
#   bench/run_bench.sh [BUILD_DIR]      (KESTRANO_BENCH_REPEAT: runs per figure, default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
maker=${KESTRANO_FIBRE_MAKER:-$root/../shared/bench/make_fibres.py}
data=$build/bench-data
mkdir -p "$data"
cmake --build "$build" --target bench_pipeline >/dev/null

# size  fibres  max seconds (whole run, all cores)  max MiB (peak, whole process)
targets="1024 150 0.4 0
2048 600 1.5 64
4096 2400 6 240"

echo "load: $(uptime)"
status=0
while read -r size fibres seconds mib; do
    image=$data/fibres-$size.pgm
    [ -f "$image" ] || python3 "$maker" --width "$size" --height "$size" --fibres "$fibres" --seed 1 --out "$image" >/dev/null
    "$build/bin/bench_pipeline" "$image" --max-seconds "$seconds" --max-rss-mib "$mib" \
        --repeat "${KESTRANO_BENCH_REPEAT:-2}" || status=1
done <<< "$targets"
exit $status
