#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, started and stopped here: munged, slurmctld and
# slurmd with their keys, configuration, state and logs in a fresh folder. The 4-shard array job of
# scripts/slurm/dataset.sbatch for examples/datasets/small.json, merged, must give the file one
# process writes. A daemon that does not start fails the test, with its log.
#   usage: slurm-array-test.sh QUORVEL_CLI REPOSITORY
set -uo pipefail

cli="$(realpath "$1")"
repo="$(realpath "$2")"
work="$(mktemp -d /tmp/quorvel-slurm-XXXXXX)"
chmod 700 "$work"
pids=()

stop() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop EXIT

fail() {
  echo "FAIL: $1"
  local log
  for log in "$work"/*.log; do
    [ -f "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
  done
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds="$1"; shift
  for _ in $(seq $((seconds * 10))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

for tool in munged mungekey slurmctld slurmd sbatch scontrol squeue sinfo; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh --test installs munge and slurm-wlm)"
done

# A port nothing on this machine listens on.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

mungekey --create --keyfile="$work/munge.key" || fail "mungekey could not create a key"
chmod 600 "$work/munge.key"
munged --force --key-file="$work/munge.key" --socket="$work/munge.socket" --pid-file="$work/munged.pid" \
  --log-file="$work/munged.log" --seed-file="$work/munge.seed" || fail "munged did not start"
wait_for 10 test -f "$work/munged.pid" || fail "munged wrote no pid file"
pids+=("$(cat "$work/munged.pid")")
wait_for 10 test -S "$work/munge.socket" || fail "munged opened no socket"

mkdir -p "$work/state" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=quorveltest
SlurmctldHost=$(hostname -s)(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
NodeName=quorvel0 NodeHostname=$(hostname -s) NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=quorvel0 Default=YES MaxTime=INFINITE State=UP
CONF
# slurmd sets up a cgroup plugin even when no plugin above uses one, and left to detect the
# version it refuses to start where no cgroup hierarchy is mounted (a fresh chroot or a container):
# "Unable to initialize cgroup plugin". The v1 plugin touches the hierarchy only when used, so
# naming it lets the node start with no hierarchy, a v1 one or a unified one alike.
echo "CgroupPlugin=cgroup/v1" >"$work/cgroup.conf"

slurmctld -i -D >"$work/slurmctld.out" 2>&1 &
pids+=("$!")
wait_for 20 scontrol ping || fail "slurmctld did not answer"
slurmd -D -N quorvel0 >"$work/slurmd.out" 2>&1 &
pids+=("$!")
wait_for 30 bash -c '[ "$(sinfo -h -n quorvel0 -o %t)" = idle ]' || fail "slurmd did not make quorvel0 idle"

export QUORVEL_CLI="$cli"
ids="$("$repo/scripts/slurm/dataset.sbatch" "$repo/examples/datasets/small.json" "$work/sharded" 4 --cpus-per-task=1)" ||
  fail "the jobs could not be submitted"
merge_job="${ids##* }"
state() { scontrol -o show job "$merge_job" 2>/dev/null | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }
wait_for 120 bash -c "[ \"\$(scontrol -o show job $merge_job | grep -o 'JobState=[A-Z_]*')\" = JobState=COMPLETED ]" ||
  fail "the merge job did not complete (state $(state)); $(cat "$work"/sharded/*.out 2>/dev/null | tail -n 5)"

"$cli" dataset "$repo/examples/datasets/small.json" --out "$work/whole" --quiet || fail "the one-process run failed"
for shard in 0 1 2 3; do
  [ -f "$work/sharded/dataset.shard-$shard-of-4.h5" ] || fail "shard $shard wrote no file"
done
cmp "$work/whole/dataset.h5" "$work/sharded/dataset.h5" || fail "the merged shards differ from the one-process file"
echo "PASS: 4 array tasks and the merge on a one-node cluster gave the one-process file"
