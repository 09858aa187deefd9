#!/usr/bin/env bash
# A small sweep through GNU parallel over ssh: an sshd of our own on 127.0.0.1 at a high port,
# with a host key and a client key made here, then strida-sweep --sshloginfile against it. Every
# run's folder must come back, with the output files the study asks of every run, and the summary
# must count every run. However the study ends (also by SIGINT), no ssh connection may outlive
# strida-sweep and the study's folder on the remote side must be gone. Last, a study of 20 runs
# over ssh and the same study on this machine, with both wall times printed (not judged). Exit 77
# (skipped) when sshd cannot be started here.
#   sweep_ssh.sh STRIDA_SWEEP
set -euo pipefail
sweep=$1
work=$(mktemp -d /tmp/strida-ssh.XXXXXX)
pid=""
stop() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap stop EXIT
skip() { echo "SKIPPED: $*"; exit 77; }

command -v sshd >/dev/null || [ -x /usr/sbin/sshd ] || skip "sshd is not installed"
command -v parallel >/dev/null || skip "GNU parallel is not installed"
# sshd checks its privilege-separation folder, which only root can make.
mkdir -p /run/sshd 2>/dev/null || skip "cannot make /run/sshd (not root)"
port=$((20000 + RANDOM % 20000))
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
cp "$work/client_key.pub" "$work/authorized_keys"
cat > "$work/sshd_config" <<CONFIG
Port $port
ListenAddress 127.0.0.1
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
StrictModes no
UsePAM no
PidFile $work/sshd.pid
CONFIG
cat > "$work/ssh_config" <<CONFIG
Host strida-node
  HostName 127.0.0.1
  Port $port
  User $(id -un)
  IdentityFile $work/client_key
  IdentitiesOnly yes
  StrictHostKeyChecking no
  UserKnownHostsFile /dev/null
  LogLevel ERROR
CONFIG
/usr/sbin/sshd -f "$work/sshd_config" -E "$work/sshd.log" || skip "sshd did not start: $(cat "$work/sshd.log")"
for _ in $(seq 50); do [ -s "$work/sshd.pid" ] && break; sleep 0.1; done
pid=$(cat "$work/sshd.pid")
ssh -F "$work/ssh_config" strida-node true || skip "cannot log in to our own sshd: $(tail -3 "$work/sshd.log")"

# The remote side is this machine: its home holds the studies' folders while they run.
remote_before=$(ls -A ~/.strida-sweep 2>/dev/null || true)
# What the study left behind: ssh processes of our node, or its folder on the remote side.
left_behind() {
    local ssh
    ssh=$(pgrep -af "ssh -F $work/ssh_config" || true)
    [ -z "$ssh" ] || { echo "ssh processes outlived strida-sweep ($1): $ssh"; exit 1; }
    [ "$(ls -A ~/.strida-sweep 2>/dev/null || true)" = "$remote_before" ] ||
        { echo "the study's remote folder is left ($1): $(ls -A ~/.strida-sweep)"; exit 1; }
}

echo "2/ssh -F $work/ssh_config strida-node" > "$work/nodes"
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --sshloginfile "$work/nodes" \
    --trajectories t.txt --chart-data steps.csv --per-pedestrian peds.csv --out "$work/study" \
    > "$work/sweep.out" 2> "$work/sweep.err"
cat "$work/sweep.out" "$work/sweep.err"
left_behind "finished"
# The clean-up went well, so it says nothing.
if grep -q "may be left" "$work/sweep.err"; then echo "a clean clean-up was reported as failed"; exit 1; fi
for id in 1 2 3 4 5 6; do
    for file in manifest.json System.txt Instant.txt status t.txt steps.csv peds.csv; do
        [ -s "$work/study/runs/$id/$file" ] || { echo "run $id: $file did not come back"; exit 1; }
    done
done
grep -c 'finished with exit status 0' "$work/sweep.out" | grep -qx 6 || { echo "not six runs"; exit 1; }
# The joblog names the ssh node as the host of every run.
[ "$(awk 'NR > 1 && $2 != ":"' "$work/study/joblog" | wc -l)" = 6 ] || { echo "runs not over ssh"; exit 1; }
awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "AvgTotalPed_n") c = i }
          NR > 1 { n += $c } END { exit n == 6 ? 0 : 1 }' "$work/study/summary.csv" ||
    { echo "summary does not count six runs"; cat "$work/study/summary.csv"; exit 1; }
echo "ssh sweep: 6 runs over ssh, all back"

# SIGINT once a run has finished: GNU parallel, the runs and the ssh connections end, the remote
# folder goes, and the same command resumes the study.
long=(--vary NumPedLeft=300,350,400,450 --seed 3 --sshloginfile "$work/nodes" --out "$work/long")
set -m
"$sweep" "${long[@]}" > "$work/long.log" 2>&1 &
driver=$!
for _ in $(seq 600); do
    [ -n "$(find "$work/long/runs" -name status 2>/dev/null)" ] && break
    sleep 0.1
done
kill -INT "$driver"
status=0
wait "$driver" || status=$?
set +m
[ "$status" = 130 ] || { echo "stopped over ssh, exited $status"; cat "$work/long.log"; exit 1; }
left_behind "stopped by SIGINT"
"$sweep" "${long[@]}" > "$work/long-resumed.log" 2>&1 ||
    { echo "the resumed study failed"; cat "$work/long-resumed.log"; exit 1; }
left_behind "resumed"
echo "ssh sweep: stopped by SIGINT with nothing left behind, resumed"

# What a run costs over ssh: 20 runs over ssh (two at a time) against the same 20 on this machine.
TIMEFORMAT=%R
timed() { { time "$sweep" --vary NumPedLeft=2,4 --replications 10 --seed 5 "$@" > /dev/null; } 2>&1; }
over_ssh=$(timed --sshloginfile "$work/nodes" --out "$work/timed-ssh")
here=$(timed --jobs 2 --out "$work/timed-here")
cmp "$work/timed-ssh/summary.csv" "$work/timed-here/summary.csv" ||
    { echo "the same study over ssh and here differs"; exit 1; }
echo "ssh sweep: 20 runs took $over_ssh s over ssh against $here s on this machine ($(nproc) cores)"
