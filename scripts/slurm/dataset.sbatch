#!/usr/bin/env bash
# A labelled dataset made on a Slurm cluster: one array task per shard, then the merge as a job
# that starts once every shard has finished.
#
# From a login node (the folder must be one every node sees):
#   scripts/slurm/dataset.sbatch RECIPE.json DIR SHARDS [sbatch options for the shard tasks...]
# It submits itself as an array of SHARDS tasks, task I running
#   quorvel-cli dataset RECIPE.json --out DIR --shard I/SHARDS
# and then the merge job (quorvel-cli dataset merge DIR), which runs only if every task succeeded.
# The job ids are printed: the array's, then the merge's. quorvel-cli is taken from the PATH, or
# from $QUORVEL_CLI. DIR ends up holding dataset.h5 exactly as one process would write it.
#
#SBATCH --job-name=quorvel-dataset
#SBATCH --cpus-per-task=2
#SBATCH --output=quorvel-dataset-%A_%a.out
set -euo pipefail

cli="${QUORVEL_CLI:-quorvel-cli}"

case "${QUORVEL_DATASET_STEP:-submit}" in
  shard)
    recipe="$1" out="$2"
    exec "$cli" dataset "$recipe" --out "$out" --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT" \
      --format "${QUORVEL_DATASET_FORMAT:-hdf5}" --progress
    ;;
  merge)
    exec "$cli" dataset merge "$2"
    ;;
  submit)
    if [ $# -lt 3 ]; then
      echo "usage: $0 RECIPE.json DIR SHARDS [sbatch options for the shard tasks...]" >&2
      exit 2
    fi
    # SHARDS is read as digits only: bash arithmetic would evaluate a crafted text as code.
    shards="$3"
    if ! [[ "$shards" =~ ^[1-9][0-9]{0,6}$ ]] || [ "$shards" -gt 1048576 ]; then
      echo "$0: SHARDS must be a whole number from 1 to 1048576 (got '${shards:0:40}')" >&2
      exit 2
    fi
    if ! [ -f "$1" ]; then
      echo "$0: the recipe $1 is not a file" >&2
      exit 2
    fi
    recipe="$(realpath -- "$1")"
    out="$(realpath -m -- "$2")"
    shift 3
    mkdir -p -- "$out"
    # The tasks start in DIR: a relative path to the program would not be found from there.
    if [[ "$cli" == */* ]]; then
      cli="$(realpath -- "$cli")"
      export QUORVEL_CLI="$cli"
    fi
    script="$(realpath -- "$0")"
    # Slurm expands % in a log's name; %% is a literal one.
    log="${out//%/%%}/quorvel-dataset-merge-%j.out"
    array="$(QUORVEL_DATASET_STEP=shard sbatch --parsable --export=ALL --array="0-$((shards - 1))" \
      --chdir="$out" "$@" "$script" "$recipe" "$out")"
    # The user's options reach the merge too (a partition, an account), before the merge's own.
    merge="$(QUORVEL_DATASET_STEP=merge sbatch --parsable --export=ALL "$@" --dependency="afterok:${array%%;*}" \
      --job-name=quorvel-dataset-merge --cpus-per-task=1 --chdir="$out" --output="$log" \
      "$script" "$recipe" "$out")"
    echo "${array%%;*} ${merge%%;*}"
    ;;
  *)
    echo "$0: QUORVEL_DATASET_STEP is shard, merge or unset" >&2
    exit 2
    ;;
esac
