#!/usr/bin/env bash
# Installs what is missing, builds the command-line tool and runs the whole
# pipeline on the bundled fibre image. Results go to ./results/ (replaced on
# every run).
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
cd "$KESTRANO_ROOT"

ensure_packages
say "== Building kestrano =="
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build -j "$(nproc)" --target kestrano

say "== Running kestrano on samples/fibres.pgm (default parameters) =="
# The pipeline's lines also land in results/fibres/log.txt.
build/bin/kestrano run samples/fibres.pgm --out-dir results --overwrite --quiet >/dev/null
say ""
say "Done. Results in $KESTRANO_ROOT/results/:"
say "  report.html              the run on one page: table, overlay, plots (open it in a browser)"
say "  summary.csv              one row per image: segment count, lengths, mean angle, alignment"
say "  fibres/lines.pgm         the image with the detected straight lines painted on it (16-bit)"
say "  fibres/overlay.png       the image in grey with every segment in colour, numbered"
say "  fibres/segments.csv      one row per segment: end points, length, angle"
say "  fibres/lengths.svg, angles.svg   length histogram and angle rose"
say "  fibres/data/             dataLen.dat, dataAng.dat, histoLen.dat, histoAng.dat"
say "  fibres/run.json          parameters, input and output checksums, counts"
say "  fibres/log.txt           the pipeline's progress lines"
say "The true fibres of the sample are listed in samples/fibres.csv."
