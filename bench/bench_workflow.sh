#!/usr/bin/env bash
# Images per minute of the Snakemake workflow against a plain shell loop over `kestrano run`,
# on fibre images of 1024 x 1024 (200 by default): the loop on 1 core and on 2 (xargs -P2),
# Snakemake's local executor with --cores 1 and 2, and Snakemake on a one-node Slurm cluster
# started on this machine with each profile (slurm: one Slurm job per image; slurm-batched:
# images batched into Slurm jobs). Each image runs with one thread, every mode ends with
# summary.csv written. The engine's overhead per image is its time minus the loop's at the same
# cores, divided by the number of images, against one image's own run time (the 1-core loop's
# time per image, or twice the 2-core loop's). Exits non-zero when a mode that should stay under
# 10 % does not; the slurm profile is reported only (its status checks cost a second per job).
# Only meaningful on a quiet machine: the load is printed first.
#
#   bench/bench_workflow.sh [BUILD_DIR] [COUNT] [MODES]
#   MODES: comma-separated, default loop-1,loop-2,local-1,local-2,slurm,slurm-batched
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
count=${2:-200}
modes=${3:-loop-1,loop-2,local-1,local-2,slurm,slurm-batched}
maker=${KESTRANO_FIBRE_MAKER:-$root/../shared/bench/make_fibres.py}
kestrano=$build/bin/kestrano
[ -x "$kestrano" ] || { echo "no $kestrano: build the tree first" >&2; exit 2; }
command -v snakemake >/dev/null || { echo "snakemake not found (Debian package snakemake)" >&2; exit 2; }

data=$build/bench-data/workflow-1024
mkdir -p "$data"
seq 1 "$count" | xargs -P "$(nproc)" -I{} sh -c \
    'f=$(printf "%s/fibres-%03d.pgm" "$1" "$2"); [ -s "$f" ] || python3 "$3" --width 1024 --height 1024 --seed "$2" --out "$f" >/dev/null' \
    _ "$data" {} "$maker"
rm -f "$data"/*.csv
images=()
for i in $(seq 1 "$count"); do images+=("$(printf '%s/fibres-%03d.pgm' "$data" "$i")"); done

work=$(mktemp -d /tmp/kestrano-bench-workflow.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/images"
ln -s "${images[@]}" "$work/images/"

one_image() { "$kestrano" run "$1" --out-dir "$work/out" --no-summary --quiet --jobs 1 --threads 1 >/dev/null; }
calc() { awk "BEGIN { print ($1) }"; }

snakemake_run() {
    snakemake -s "$root/workflow/Snakefile" --keep-going --quiet all "$@" \
        --config input=images output=out "kestrano=$kestrano" >"$work/log.txt" 2>&1 \
        || { tail -n 30 "$work/log.txt" >&2; return 1; }
}
export -f one_image snakemake_run
export root kestrano work

run_mode() {
    case $1 in
    loop-1)
        for f in "${images[@]}"; do one_image "$f"; done
        "$kestrano" summary "$work/out" ;;
    loop-2)
        printf '%s\0' "${images[@]}" | xargs -0 -P 2 -n 1 bash -c 'one_image "$0"'
        "$kestrano" summary "$work/out" ;;
    local-1) snakemake_run --cores 1 ;;
    local-2) snakemake_run --cores 2 ;;
    slurm | slurm-batched)
        "$root/tests/workflow/with_local_slurm.sh" bash -c 'snakemake_run --profile "$0"' \
            "$root/workflow/profiles/$1" ;;
    esac
}

echo "load: $(uptime)"
echo "$count images of 1024 x 1024, snakemake $(snakemake --version)"
declare -A seconds
for mode in ${modes//,/ }; do
    rm -rf "$work/out" "$work/.snakemake"
    start=$(date +%s.%N)
    # `times`: CPU time of everything the mode started and waited for (not what Slurm's daemons
    # start), which a busy machine distorts less than the wall clock.
    (cd "$work" && run_mode "$mode" && times >"$work/times")
    end=$(date +%s.%N)
    [ -s "$work/out/summary.csv" ] || { echo "$mode wrote no summary.csv" >&2; exit 1; }
    seconds[$mode]=$(calc "$end - $start")
    cpu=$(sed -n 2p "$work/times" | awk '{ for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } } END { print s }')
    printf '%-14s %8.1f s %8.1f images/min   CPU %8.1f s (%.3f s per image)\n' "$mode" "${seconds[$mode]}" \
        "$(calc "60 * $count / ${seconds[$mode]}")" "$cpu" "$(calc "$cpu / $count")"
done

status=0
if [ -n "${seconds[loop-1]:-}${seconds[loop-2]:-}" ]; then
    if [ -n "${seconds[loop-1]:-}" ]; then
        per_image=$(calc "${seconds[loop-1]} / $count")
    else
        per_image=$(calc "2 * ${seconds[loop-2]} / $count")
    fi
    printf 'one image: %.3f s (the loop)\n' "$per_image"
    for mode in local-1 local-2 slurm slurm-batched; do
        [ -n "${seconds[$mode]:-}" ] || continue
        loop=loop-1
        [ "$mode" = local-1 ] || loop=loop-2
        [ -n "${seconds[$loop]:-}" ] || continue
        overhead=$(calc "(${seconds[$mode]} - ${seconds[$loop]}) / $count")
        percent=$(calc "100 * $overhead / $per_image")
        verdict=ok
        if (($(calc "$percent >= 10"))); then
            verdict="over 10 %"
            [ "$mode" = slurm ] || status=1
        fi
        printf '%-14s overhead %+.3f s per image = %+.1f %% of its run time (against %s): %s\n' \
            "$mode" "$overhead" "$percent" "$loop" "$verdict"
    done
fi
exit $status
