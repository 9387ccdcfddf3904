#!/usr/bin/env bash
# What the dataset script submits, with sbatch replaced by a stand-in that records its arguments:
# a bad recipe or shard count submits nothing and exits 2, and a good call hands the merge the
# user's options, a log name Slurm cannot expand and a program path that works from DIR.
#   usage: slurm-submit-test.sh REPOSITORY
set -uo pipefail

script="$(realpath "$1")/scripts/slurm/dataset.sbatch"
work="$(mktemp -d /tmp/quorvel-submit-XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/run"
cat > "$work/bin/sbatch" <<'STUB'
#!/usr/bin/env bash
printf '%s\n' "$QUORVEL_DATASET_STEP" "$@" > "$SBATCH_LOG.$QUORVEL_DATASET_STEP"
echo 42
STUB
chmod +x "$work/bin/sbatch"
echo '{}' > "$work/recipe.json"
export PATH="$work/bin:$PATH" SBATCH_LOG="$work/log"
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# Each row: the recipe, the shard count; every one is refused with exit 2 before any submission.
refused=(
  "$work/missing.json|4"
  "$work|4"
  "$work/recipe.json|0"
  "$work/recipe.json|-3"
  "$work/recipe.json|abc"
  "$work/recipe.json|18446744073709551616"
  "$work/recipe.json|2000000"
  "$work/recipe.json|BASH_VERSINFO[\$(touch $work/run/X)]+4"
)
for row in "${refused[@]}"; do
  recipe="${row%%|*}" shards="${row#*|}"
  rm -f "$work"/log.*
  (cd "$work/run" && bash "$script" "$recipe" "$work/out" "$shards" >/dev/null 2>"$work/err")
  code=$?
  [ "$code" -eq 2 ] || fail "$recipe $shards: exit $code, not 2"
  ls "$work"/log.* >/dev/null 2>&1 && fail "$recipe $shards: submitted a job"
  [ -e "$work/run/X" ] && fail "$shards: ran a command"
  [ -s "$work/err" ] || fail "$recipe $shards: no reason given"
done

# A good call from another folder, with a relative program path and a % in DIR.
mkdir -p "$work/run/tools"
printf '#!/bin/sh\n' > "$work/run/tools/cli" && chmod +x "$work/run/tools/cli"
(cd "$work/run" && QUORVEL_CLI=tools/cli bash "$script" "$work/recipe.json" "$work/out%j" 3 \
  --partition=fast >"$work/ids") || fail "a good call failed"
[ "$(cat "$work/ids")" = "42 42" ] || fail "job ids: $(cat "$work/ids")"
grep -qx -- "--array=0-2" "$work/log.shard" || fail "the array is not 0-2"
grep -qx -- "--partition=fast" "$work/log.merge" || fail "the merge lacks the user's options"
grep -qx -- "--output=$work/out%%j/quorvel-dataset-merge-%j.out" "$work/log.merge" || fail "the merge's log name"
[ -d "$work/out%j" ] || fail "DIR was not made"
# The shard tasks run in DIR: the program path they get must not depend on where it was submitted.
cat > "$work/bin/sbatch" <<'STUB'
#!/usr/bin/env bash
echo "$QUORVEL_CLI" > "$SBATCH_LOG.cli"
echo 7
STUB
(cd "$work/run" && QUORVEL_CLI=tools/cli bash "$script" "$work/recipe.json" "$work/out" 2 >/dev/null)
[ "$(cat "$work/log.cli")" = "$work/run/tools/cli" ] || fail "QUORVEL_CLI given to the tasks: $(cat "$work/log.cli")"

[ "$failures" -eq 0 ] && echo "PASS" || exit 1
