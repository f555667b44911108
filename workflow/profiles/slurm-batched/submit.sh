#!/usr/bin/env bash
# Snakemake's --cluster command: submits JOBSCRIPT with sbatch and the options given before it,
# and prints the Slurm job id.
#
# A job here is a batch of images run by one Snakemake process, which would stop at the first
# image that fails: --keep-going lets the rest of the batch finish.
set -euo pipefail
jobscript=${!#}
sed -i 's/ -m snakemake / -m snakemake --keep-going /' "$jobscript"
mkdir -p .snakemake/slurm_logs
exec sbatch --parsable --output=.snakemake/slurm_logs/%j.log "$@"
