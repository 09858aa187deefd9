#!/usr/bin/env bash
# A study stopped half-way by a signal to strida-sweep's pid, then resumed, against the same study
# run without a stop in a folder of its own. Within a few seconds of the signal no process of the
# stopped study may be left (GNU parallel, the runs), strida-sweep must exit 143 (SIGTERM) or 130
# (SIGINT), and once resumed every run's report files and summary.csv must be byte for byte those
# of the study never stopped, each run in the joblog once. Every process started here is stopped
# by its pid. Exit 77 (skipped) without GNU parallel.
#   sweep_interrupt.sh STRIDA_SWEEP
set -euo pipefail
sweep=$1
command -v parallel >/dev/null || { echo "SKIPPED: GNU parallel is not installed"; exit 77; }
work=$(mktemp -d /tmp/strida-interrupt.XXXXXX)
pid=""
stop() {
    if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap stop EXIT
fail() { echo "FAILED: $*"; exit 1; }
# Background jobs of their own process group, with SIGINT not ignored, as from a terminal.
set -m

# Twelve runs of half a second or so each, two at a time.
design=(--vary NumPedLeft=300,350,400,450,500,550 --replications 2 --seed 11 --jobs 2)
runs=12
"$sweep" "${design[@]}" --out "$work/whole" > "$work/whole.log" 2>&1 ||
    fail "the study never stopped: $(tail -3 "$work/whole.log")"

# The processes whose folder is in the study: the runs, run-one.sh, GNU parallel.
left_in() {
    for p in /proc/[0-9]*; do
        case "$(readlink "$p/cwd" 2>/dev/null)" in
            "$1"*) tr '\0' ' ' < "$p/cmdline"; echo ;;
        esac
    done
}

# Stops a study by `signal` once `after` runs have finished; checks the exit status and that
# nothing of it is left; resumes it.
stop_and_resume() {
    local signal=$1 expected=$2 after=$3 study=$work/$1
    "$sweep" "${design[@]}" --out "$study" > "$study.log" 2>&1 &
    pid=$!
    for _ in $(seq 1200); do
        [ "$(find "$study/runs" -name status 2>/dev/null | wc -l)" -ge "$after" ] && break
        sleep 0.1
    done
    kill -s "$signal" "$pid"
    local status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" = "$expected" ] || fail "$signal: exit status $status, not $expected: $(tail -3 "$study.log")"
    local left
    left=$(left_in "$study")
    [ -z "$left" ] || fail "$signal: processes of the study are left: $left"
    flock -n "$study/lock" true || fail "$signal: the study folder is still locked"
    local finished
    finished=$(cat "$study"/runs/*/status 2>/dev/null | grep -cx 0 || true)
    [ "$finished" -lt "$runs" ] || fail "$signal: every run had finished before the signal"
    grep -q "stopped by SIG$signal" "$study.log" || fail "$signal: no word of the stop: $(tail -3 "$study.log")"
    "$sweep" "${design[@]}" --out "$study" > "$study.resumed.log" 2>&1 ||
        fail "$signal: the resumed study failed: $(tail -3 "$study.resumed.log")"
    for id in $(seq "$runs"); do
        (cd "$work/whole/runs/$id" && ls | grep -v '^manifest.json$') > "$work/expected"
        (cd "$study/runs/$id" && ls | grep -v '^manifest.json$') > "$work/got"
        cmp -s "$work/expected" "$work/got" || fail "$signal: run $id left other files"
        while read -r file; do
            cmp -s "$work/whole/runs/$id/$file" "$study/runs/$id/$file" ||
                fail "$signal: run $id: $file differs from the study never stopped"
        done < "$work/expected"
    done
    cmp -s "$work/whole/summary.csv" "$study/summary.csv" || fail "$signal: summary.csv differs"
    [ "$(awk 'NR > 1 { print $1 }' "$study/joblog" | sort -n | uniq | wc -l)" = "$runs" ] &&
        [ "$(awk 'NR > 1' "$study/joblog" | wc -l)" = "$runs" ] ||
        fail "$signal: the joblog does not hold every run once"
    echo "$signal: stopped after $finished of $runs runs, nothing left running, resumed, identical"
}

stop_and_resume TERM 143 3
stop_and_resume INT 130 5
