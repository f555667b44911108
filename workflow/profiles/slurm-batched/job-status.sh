#!/usr/bin/env bash
# Snakemake's --cluster-status for Slurm: prints success, failed or running for a job id
# (sbatch --parsable may add ";cluster"). Works without Slurm's accounting database.
id=${1%%;*}

state_of() {
    case $1 in
    COMPLETED) echo success ;;
    PENDING | CONFIGURING | RUNNING | COMPLETING | REQUEUED | RESIZING | SUSPENDED | STAGE_OUT) echo running ;;
    *) echo failed ;;
    esac
}

if out=$(scontrol show job -o "$id" 2>&1); then
    state=${out##*JobState=}
    state_of "${state%% *}"
elif [[ $out == *"Invalid job id"* ]]; then
    # Gone from the controller (MinJobAge): ask the accounting database, if there is one.
    state=$(sacct -n -X -P -o State -j "$id" 2>/dev/null | head -n 1)
    state_of "${state%% *}"
else
    # The controller did not answer: ask again at the next round.
    echo running
fi
