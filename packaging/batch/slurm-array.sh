#!/bin/bash
#SBATCH --job-name=orvi-motion-batch
#SBATCH --cpus-per-task=4
#SBATCH --mem=8G
#SBATCH --output=orvi-motion-batch-%A_%a.log
# One recording per array task; the memory bound follows the task's control group. Submit with
#   n=$(orvi-motion-batch list --job job.json | wc -l)
#   id=$(sbatch --parsable --array=0-$((n - 1)) slurm-array.sh job.json results)
#   sbatch --dependency=afterany:$id --wrap "orvi-motion-batch merge results"
# Usage inside the array: slurm-array.sh JOB.json OUTPUT-FOLDER [analyse|amplify]
set -eu
exec orvi-motion-batch "${3:-analyse}" --job "$1" -o "$2" --only "$SLURM_ARRAY_TASK_ID" --plain
