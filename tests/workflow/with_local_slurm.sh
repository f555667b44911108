#!/usr/bin/env bash
# Runs CMD... against a one-node Slurm cluster started for it alone in a fresh temporary
# folder; the daemons are stopped and the folder removed however CMD ends. Exits with CMD's
# status (or 1 when the cluster does not come up).
set -uo pipefail

if (($# == 0)); then
    echo "usage: $0 CMD [ARG...]" >&2
    exit 2
fi

cluster=$(cd "$(dirname "$0")/../../workflow/cluster" && pwd)/local-slurm.sh
# Short, fixed prefix: the daemons' socket paths must fit in 108 bytes.
dir=$(mktemp -d /tmp/kestrano-slurm.XXXXXX) || exit 1

cleanup() {
    "$cluster" stop "$dir" || true
    rm -rf -- "$dir"
}
trap cleanup EXIT
# Turn signals into an exit so that the EXIT trap runs once, with the usual status.
trap 'exit 130' INT
trap 'exit 143' TERM

# A test killed on time-out gets SIGKILL, which no trap sees: a detached watcher cleans up
# once this shell is gone (after the trap, it finds nothing left to do).
# shellcheck disable=SC2016
setsid -f bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; "$2" stop "$3"; rm -rf -- "$3"' \
    watcher "$$" "$cluster" "$dir" </dev/null >/dev/null 2>&1

exports=$("$cluster" start "$dir") || exit 1
eval "$exports"
# Snakemake's Slurm executor reads $USER, which a CI shell may not set.
export USER=${USER:-$(id -un)}

"$@" <&0 &
child=$!
# Wait in the background so that a signal reaches this shell at once; forward it to CMD.
trap 'kill -INT "$child" 2>/dev/null; wait "$child"; exit 130' INT
trap 'kill -TERM "$child" 2>/dev/null; wait "$child"; exit 143' TERM
wait "$child"
