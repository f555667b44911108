#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in a normal
# build and in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# The workflow tests (a Slurm cluster and Snakemake around the tool) run in
# the normal build only: they test the engine, not the code's memory use.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
cd "$KESTRANO_ROOT"

ensure_packages

say "== Build and test =="
build_tree build
ctest --test-dir build --output-on-failure -j "$(nproc)"

say "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
build_tree build-sanitize -DKESTRANO_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" -LE workflow

say "All tests passed."
