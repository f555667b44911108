#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for SECONDS (default 60), one after the other.
#   scripts/fuzz.sh [SECONDS]
# KESTRANO_FUZZ_TARGETS picks targets (default "tiff png pgm jpeg pipeline");
# KESTRANO_FUZZ_BUILD the build folder. New inputs the fuzzer finds go to
# BUILD/fuzz-corpus/TARGET, crashes to BUILD/fuzz-artifacts/. Exits non-zero
# when a target finds a crash, a leak, a timeout or an out-of-memory.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KESTRANO_ROOT"

seconds=${1:-60}
targets=${KESTRANO_FUZZ_TARGETS:-"tiff png pgm jpeg pipeline"}
dir=${KESTRANO_FUZZ_BUILD:-$KESTRANO_ROOT/build-fuzz}

# The fuzzing tools are needed here only, not by every build.
KESTRANO_PACKAGES="$KESTRANO_PACKAGES clang libfuzzer-14-dev"
ensure_packages

if [ ! -f "$dir/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$KESTRANO_ROOT" -B "$dir" -G Ninja -DKESTRANO_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
        >/dev/null
fi
build_targets=()
for t in $targets; do build_targets+=("kestrano_fuzz_$t"); done
cmake --build "$dir" -j 2 --target "${build_targets[@]}"

mkdir -p "$dir/fuzz-artifacts"
status=0
for t in $targets; do
    mkdir -p "$dir/fuzz-corpus/$t"
    say "== fuzz $t for ${seconds}s =="
    # -timeout: one input may take 10 s at most; -rss_limit_mb: far above the
    # targets' own read limits, so only a real leak or bomb trips it.
    if ! "$dir/bin/kestrano_fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/fuzz-artifacts/$t-" \
        "$dir/fuzz-corpus/$t" "fuzz/corpus/$t" 2>"$dir/fuzz-$t.log"; then
        say "fuzz $t: FOUND a problem; see $dir/fuzz-$t.log and $dir/fuzz-artifacts/"
        status=1
    fi
    grep -E "^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "$dir/fuzz-$t.log" >&2 || true
    tail -n 3 "$dir/fuzz-$t.log" | grep -E "cov:" >&2 || grep -E "cov:" "$dir/fuzz-$t.log" | tail -n 1 >&2 || true
done
exit $status
