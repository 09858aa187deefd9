#!/usr/bin/env bash
# A small sweep through Slurm: munged, slurmctld and slurmd of our own (one node, this machine,
# state and spool in a temporary folder, no accounting, no cgroups), then strida-sweep --slurm
# --submit. Every daemon started here is stopped by its pid. Exit 77 (skipped) when the daemons
# cannot be started here. A study half done and submitted again runs only the runs still to do.
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

# A study folder whose path holds a space and a quote: sbatch and the shell must each read it whole.
study="$work/my study's"
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --slurm --submit --partition strida \
    --time 5 --array 2 --out "$study"
grep -q '^#SBATCH --array=1-6%2$' "$study/sweep.sbatch" || { echo "no throttled array"; exit 1; }
grep -q '^#SBATCH --partition=strida$' "$study/sweep.sbatch" || { echo "no partition"; exit 1; }
for id in 1 2 3 4 5 6; do
    [ "$(cat "$study/runs/$id/status")" = 0 ] || { echo "run $id did not finish"; exit 1; }
    ls "$study"/logs/slurm-*_"$id".out >/dev/null || { echo "run $id has no log of its own"; exit 1; }
done
awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "AvgTotalPed_n") c = i }
          NR > 1 { n += $c } END { exit n == 6 ? 0 : 1 }' "$study/summary.csv" ||
    { echo "summary does not count six runs"; cat "$study/summary.csv"; exit 1; }
echo "slurm sweep: 6 runs as a job array"

# Half the study undone: runs 2, 3 and 5 lose their status, as runs that never ended. Submitted
# again, only they may run: the array's tasks are counted by their log files, and the other runs'
# folders, which a run makes afresh, keep a mark.
for id in 2 3 5; do rm "$study/runs/$id/status"; done
for id in 1 4 6; do touch "$study/runs/$id/kept"; done
ls "$study/logs" > "$work/logs-before"
new_tasks() {  # the task ids of the log files that came since logs-before
    ls "$study/logs" | grep -vxF -f "$work/logs-before" | sed 's/.*_\([0-9]*\)\.out$/\1/' | sort -n |
        tr '\n' ' '
}
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --slurm --submit --partition strida \
    --time 5 --array 2 --out "$study" > "$work/resubmitted.log" 2>&1 ||
    { echo "the resubmitted study failed"; cat "$work/resubmitted.log"; exit 1; }
[ "$(new_tasks)" = "2 3 5 " ] || { echo "resubmitted tasks: $(new_tasks), not 2 3 5"; exit 1; }
for id in 1 4 6; do [ -e "$study/runs/$id/kept" ] || { echo "run $id ran again"; exit 1; }; done
for id in 2 3 5; do
    [ "$(cat "$study/runs/$id/status")" = 0 ] || { echo "run $id did not finish"; exit 1; }
done
grep -q '^#SBATCH --array=1-6%2$' "$study/sweep.sbatch" || { echo "the script lost its array"; exit 1; }
# Nothing left to run: nothing is submitted, and the summary is written.
ls "$study/logs" > "$work/logs-before"
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --slurm --submit --partition strida \
    --time 5 --array 2 --out "$study" > "$work/done.log" 2>&1 ||
    { echo "the finished study failed"; cat "$work/done.log"; exit 1; }
grep -q "nothing to submit" "$work/done.log" && [ -z "$(new_tasks)" ] ||
    { echo "a finished study was submitted"; cat "$work/done.log"; exit 1; }
# --slurm alone writes the whole array and tells how to submit the rest, which sbatch's --array
# on the command line does in place of the script's.
rm "$study/runs/4/status"
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --slurm --partition strida --time 5 \
    --array 2 --out "$study" > "$work/written.log"
grep -q "submit only those with: sbatch --array=4%2 sweep.sbatch" "$work/written.log" ||
    { echo "no word of the runs still to do"; cat "$work/written.log"; exit 1; }
(cd "$study" && sbatch --wait --array=4%2 sweep.sbatch > /dev/null)
[ "$(new_tasks)" = "4 " ] || { echo "tasks by hand: $(new_tasks), not 4"; exit 1; }
echo "slurm sweep: only the runs still to do were submitted again"

# SIGTERM to strida-sweep --submit once a run has finished: the job array is cancelled, sbatch does
# not stay behind, and the same command then resumes the study.
long=(--vary NumPedLeft=400,450,500,550 --seed 8 --slurm --submit --array 1 --out "$work/long")
set -m
"$sweep" "${long[@]}" > "$work/long.log" 2>&1 &
driver=$!
pids+=("$driver")
for _ in $(seq 600); do
    [ -n "$(find "$work/long/runs" -name status 2>/dev/null)" ] && break
    sleep 0.1
done
kill -TERM "$driver"
status=0
wait "$driver" || status=$?
[ "$status" = 143 ] || { echo "stopped --submit exited $status"; cat "$work/long.log"; exit 1; }
if pgrep -f "sbatch --wait --job-name=strida-sweep-" >/dev/null; then
    echo "sbatch is left behind"; exit 1
fi
[ -z "$(squeue -h -n "strida-sweep-$(hostname)-$driver" 2>/dev/null)" ] ||
    { echo "the job array was not cancelled"; squeue; exit 1; }
"$sweep" "${long[@]}" > "$work/long-resumed.log" 2>&1 ||
    { echo "the resumed study failed"; cat "$work/long-resumed.log"; exit 1; }
for id in 1 2 3 4; do
    [ "$(cat "$work/long/runs/$id/status")" = 0 ] || { echo "run $id did not finish"; exit 1; }
done
echo "slurm sweep: stopped by SIGTERM, array cancelled, resumed"
