#!/usr/bin/env bash
# A small sweep through GNU parallel over ssh: an sshd of our own on 127.0.0.1 at a high port,
# with a host key and a client key made here, then strida-sweep --sshloginfile against it. Every
# run's folder must come back, and the summary must count every run. Exit 77 (skipped) when sshd
# cannot be started here.
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

echo "2/ssh -F $work/ssh_config strida-node" > "$work/nodes"
"$sweep" --vary NumPedLeft=2,4 --replications 3 --seed 5 --sshloginfile "$work/nodes" \
    --out "$work/study" > "$work/sweep.out"
cat "$work/sweep.out"
for id in 1 2 3 4 5 6; do
    for file in manifest.json System.txt Instant.txt status; do
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
