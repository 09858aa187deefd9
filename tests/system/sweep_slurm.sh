#!/usr/bin/env bash
# A small sweep through Slurm: munged, slurmctld and slurmd of our own (one node, this machine,
# state and spool in a temporary folder, no accounting, no cgroups), then strida-sweep --slurm
# --submit. Every daemon started here is stopped by its pid. Exit 77 (skipped) when the daemons
# cannot be started here.
#   sweep_slurm.sh STRIDA_SWEEP
set -euo pipefail
sweep=$1
work=$(mktemp -d /tmp/strida-slurm.XXXXXX)
pids=()
stop() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    done
    rm -rf "$work"
}
trap stop EXIT
skip() { echo "SKIPPED: $*"; exit 77; }
started() {  # waits for a pid file, then keeps the pid for stop
    for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.1; done
    [ -s "$1" ] || skip "$2 did not start: $(tail -5 "$3" 2>/dev/null)"
    pids+=("$(cat "$1")")
}

for tool in munged slurmctld slurmd sbatch parallel; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || skip "$tool is not installed"
done
[ "$(id -u)" = 0 ] || skip "the daemons need root here"
id munge >/dev/null 2>&1 || skip "there is no munge user"

chmod 755 "$work"
mkdir -m 711 "$work/munge" && chown munge:munge "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chown munge:munge "$work/munge/munge.key" && chmod 600 "$work/munge/munge.key"
runuser -u munge -- /usr/sbin/munged --force --key-file="$work/munge/munge.key" \
    --socket="$work/munge/munge.sock" --pid-file="$work/munge/munged.pid" \
    --log-file="$work/munge/munged.log" --seed-file="$work/munge/seed" ||
    skip "munged did not start"
started "$work/munge/munged.pid" munged "$work/munge/munged.log"

mkdir -p "$work/state" "$work/spool" "$work/log"
port=$((20000 + RANDOM % 20000))
node=$(hostname -s)
cat > "$work/slurm.conf" <<CONFIG
ClusterName=strida
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.sock
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
MpiDefault=none
ReturnToService=2
MessageTimeout=30
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=strida Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONFIG
export SLURM_CONF=$work/slurm.conf
slurmctld -f "$SLURM_CONF" || skip "slurmctld did not start: $(tail -5 "$work/log/slurmctld.log")"
started "$work/slurmctld.pid" slurmctld "$work/log/slurmctld.log"
slurmd -f "$SLURM_CONF" || skip "slurmd did not start: $(tail -5 "$work/log/slurmd.log")"
started "$work/slurmd.pid" slurmd "$work/log/slurmd.log"
for _ in $(seq 100); do sinfo -h -o %T 2>/dev/null | grep -q idle && break; sleep 0.2; done
sinfo -h -o %T | grep -q idle || skip "the node did not come up: $(tail -5 "$work/log/slurmd.log")"

"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --slurm --submit --partition strida \
    --time 5 --array 2 --out "$work/study"
grep -q '^#SBATCH --array=1-6%2$' "$work/study/sweep.sbatch" || { echo "no throttled array"; exit 1; }
grep -q '^#SBATCH --partition=strida$' "$work/study/sweep.sbatch" || { echo "no partition"; exit 1; }
for id in 1 2 3 4 5 6; do
    [ "$(cat "$work/study/runs/$id/status")" = 0 ] || { echo "run $id did not finish"; exit 1; }
done
awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "AvgTotalPed_n") c = i }
          NR > 1 { n += $c } END { exit n == 6 ? 0 : 1 }' "$work/study/summary.csv" ||
    { echo "summary does not count six runs"; cat "$work/study/summary.csv"; exit 1; }
echo "slurm sweep: 6 runs as a job array"
