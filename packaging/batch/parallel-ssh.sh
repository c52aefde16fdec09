#!/bin/sh
# Fans a job out with GNU Parallel, one invocation per recording, over the hosts in ORVI_HOSTS
# (ssh logins separated by commas; ":" is this machine, the default), then merges the summary.
# The job file, its recordings and the output folder must have the same paths on every host
# (a shared folder). Usage: parallel-ssh.sh JOB.json OUTPUT-FOLDER [analyse|amplify]
set -eu
job=$(realpath "$1")
output=$(realpath "$2")
verb=${3:-analyse}
# A failed recording is in the merged summary; the merge's exit status is the run's.
orvi-motion-batch list --job "$job" | cut -f1 |
    parallel --sshlogin "${ORVI_HOSTS:-:}" --jobs 1 \
        orvi-motion-batch "$verb" --job "$job" -o "$output" --only {} --plain || true
exec orvi-motion-batch merge "$output"
