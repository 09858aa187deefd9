#!/bin/bash
# The step time of this build beside an older commit's and beside the RVO2 library's, in the
# benchmarks' corridor, taken in turns on one pinned core so that the machine's drift falls on all
# three alike. Each round runs, for each size N, RVO2 (bench/rvo2_corridor.cpp), the old build's
# StepIndex/N and this build's StepIndex/N, one process each, the order reversed every other
# round; then it prints per N the median, min and max CPU time of a step, agent-updates/s and ns
# per pedestrian-step (from the medians) and how many times faster one is than another.
#   tools/bench-compare.sh ROUNDS [OLD_COMMIT]      (OLD_COMMIT: ee90e44 unless given)
# Environment:
#   B            this build's strida_bench (build-bench/strida_bench)
#   RVO2_DIR     RVO2's source in src/, its CMake build in build/ (/work/rvo2); the corridor
#                program is compiled there as build/rvo2_corridor when missing or older. The
#                figures in the README are of github.com/snape/RVO2 at 1c25b27, configured with
#                -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-O3 (its CMakeLists.txt asks for
#                CMake 3.26; with Debian 12's 3.25 lower that line, nothing else needs it)
#   CORE         the core everything runs on (1)
#   SIZES        the sizes at 1.67 p/m² ("10000 30000")
#   SIZES_DENSE  sizes of the corridor at 4 p/m², run by this build (StepIndexDense/N) and RVO2,
#                and by the old build when it has that benchmark (none unless given)
#   SAME_BENCH   1: the old commit is built with this checkout's step benchmark (bench/corridor.h,
#                bench/step_bench.cpp), in a tree of its own (/tmp/strida-old-<commit>-bench),
#                so that it has StepIndexDense too; for commits whose engine has the same API
#   JOBS         parallel jobs for building the old commit (1)
# The old commit is built once, in a work tree /tmp/strida-old-<commit>/build-bench, and reused.
set -euo pipefail

usage() { sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2; }
[[ ${1:-} =~ ^[1-9][0-9]*$ ]] || usage
ROUNDS=$1
ROOT=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
B=$(realpath -m "${B:-$ROOT/build-bench/strida_bench}")
cd "$ROOT"
OLD=$(git rev-parse --short=7 "${2:-ee90e44}^{commit}")
RVO2_DIR=${RVO2_DIR:-/work/rvo2}
CORE=${CORE:-1}
SIZES=${SIZES-10000 30000}
SIZES_DENSE=${SIZES_DENSE:-}
OLD_TREE=/tmp/strida-old-$OLD${SAME_BENCH:+-bench}
OLD_B=$OLD_TREE/build-bench/strida_bench
RVO2_BIN=$RVO2_DIR/build/rvo2_corridor
RAW=$(mktemp /tmp/bench-compare-XXXXXX.log)  # what the benchmarks say on stderr: $RAW.err
PIN=(taskset -c "$CORE")

[[ -x $B ]] || { echo "no strida_bench at $B (set B=...)" >&2; exit 1; }

# The old commit: its own work tree and build, configured with the options it has.
if [[ ! -x $OLD_B ]]; then
    if [[ ! -d $OLD_TREE ]]; then
        git worktree prune  # a tree of this commit that was removed by hand
        git worktree add --detach "$OLD_TREE" "$OLD" >&2
        [[ -n ${SAME_BENCH:-} ]] && cp bench/corridor.h bench/step_bench.cpp "$OLD_TREE/bench/"
    fi
    opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRIDA_BENCHMARKS=ON)
    grep -q 'option(STRIDA_PYTHON' "$OLD_TREE/CMakeLists.txt" && opts+=(-DSTRIDA_PYTHON=OFF)
    echo "building strida_bench of $OLD in $OLD_TREE/build-bench ..." >&2
    log=$OLD_TREE/build-bench.log
    if ! { nice -n 10 cmake -S "$OLD_TREE" -B "$OLD_TREE/build-bench" "${opts[@]}" &&
        nice -n 10 cmake --build "$OLD_TREE/build-bench" --target strida_bench -j "${JOBS:-1}"; } \
        >"$log" 2>&1; then
        tail -30 "$log" >&2
        echo "building $OLD failed; the whole log is $log" >&2
        exit 1
    fi
fi

# RVO2's corridor, compiled when missing or older than its source.
SRC=$ROOT/bench/rvo2_corridor.cpp
if [[ ! -x $RVO2_BIN || $SRC -nt $RVO2_BIN ]]; then
    ls "$RVO2_DIR"/build/src/libRVO.* >/dev/null 2>&1 ||
        { echo "no RVO2 build in $RVO2_DIR/build (set RVO2_DIR=...)" >&2; exit 1; }
    g++ -O3 -std=c++17 "$SRC" -I"$RVO2_DIR/src/src" -I"$RVO2_DIR/build/src" \
        -L"$RVO2_DIR/build/src" -Wl,-rpath,"$RVO2_DIR/build/src" -lRVO -o "$RVO2_BIN"
fi

if [[ -n $SIZES_DENSE ]]; then
    for n in $SIZES_DENSE; do
        "$B" --benchmark_list_tests --benchmark_filter="^StepIndexDense/$n/" 2>/dev/null |
            grep -c "^StepIndexDense/" >/dev/null || {
            echo "$B has no StepIndexDense/$n" >&2
            exit 1
        }
    done
fi

# One run, appended to the raw log as: who density N cpu_ms wall_ms.
rvo2() {  # density N
    local line
    line=$("${PIN[@]}" "$RVO2_BIN" "$2" "$1")
    python3 -c '
import sys
f = dict(kv.split("=", 1) for kv in sys.argv[1].split()[1:])
print("rvo2", sys.argv[2], f["n"], f["ms_per_step"], f["wall_ms_per_step"])
' "$line" "$1" >>"$RAW"
}
strida() {  # who binary benchmark density N
    local json
    json=$("${PIN[@]}" "$2" --benchmark_filter="^$3/$5/" --benchmark_format=json 2>>"$RAW.err")
    python3 -c '
import json, sys
who, density, n, name = sys.argv[1:5]
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
runs = [b for b in json.loads(sys.stdin.read())["benchmarks"]
        if b["name"].startswith(name + "/") and b.get("run_type", "iteration") == "iteration"]
if len(runs) != 1:
    sys.exit("%s: %d runs of %s, expected one" % (who, len(runs), name))
b = runs[0]
s = scale[b.get("time_unit", "ns")]
print(who, density, n, b["cpu_time"] * s, b["real_time"] * s)
' "$1" "$4" "$5" "$3/$5" <<<"$json" >>"$RAW"
}

OLD_DENSE=0  # grep reads the whole list: with -q the benchmark's SIGPIPE would fail the pipe
if "$OLD_B" --benchmark_list_tests 2>/dev/null | grep "^StepIndexDense/" >/dev/null; then
    OLD_DENSE=1
fi
echo "raw runs: $RAW (old $OLD: $OLD_B; new: $B; RVO2: $RVO2_BIN; core $CORE)" >&2
for ((r = 1; r <= ROUNDS; ++r)); do
    for n in $SIZES; do
        if ((r % 2)); then
            rvo2 1.67 "$n"; strida old "$OLD_B" StepIndex 1.67 "$n"; strida new "$B" StepIndex 1.67 "$n"
        else
            strida new "$B" StepIndex 1.67 "$n"; strida old "$OLD_B" StepIndex 1.67 "$n"; rvo2 1.67 "$n"
        fi
    done
    for n in $SIZES_DENSE; do
        if ((r % 2)); then
            rvo2 4.00 "$n"; ((OLD_DENSE)) && strida old "$OLD_B" StepIndexDense 4.00 "$n"
            strida new "$B" StepIndexDense 4.00 "$n"
        else
            strida new "$B" StepIndexDense 4.00 "$n"
            ((OLD_DENSE)) && strida old "$OLD_B" StepIndexDense 4.00 "$n"; rvo2 4.00 "$n"
        fi
    done
    echo "round $r of $ROUNDS done" >&2
done

python3 - "$RAW" "$OLD" <<'EOF'
import collections, statistics, sys
runs = collections.defaultdict(list)
for line in open(sys.argv[1]):
    who, density, n, cpu, wall = line.split()
    runs[(float(density), int(n), who)].append(float(cpu))
print("CPU time of a step, %d round(s); old = %s, new = this build" %
      (max(len(v) for v in runs.values()), sys.argv[2]))
print("%-7s %6s %-5s %10s %10s %10s %14s %12s" %
      ("p/m²", "N", "who", "median ms", "min ms", "max ms", "agent-upd/s", "ns/ped-step"))
for density, n in sorted({k[:2] for k in runs}):
    med = {}
    for who in ("rvo2", "old", "new"):
        t = runs.get((density, n, who))
        if not t:
            continue
        med[who] = statistics.median(t)
        print("%-7.2f %6d %-5s %10.2f %10.2f %10.2f %14.4g %12.1f" %
              (density, n, who, med[who], min(t), max(t), n / med[who] * 1e3, med[who] * 1e6 / n))
    ratios = ["%s %.2fx" % (label, med[b] / med[a])
              for label, a, b in (("new/RVO2", "new", "rvo2"), ("new/old", "new", "old"),
                                  ("old/RVO2", "old", "rvo2")) if a in med and b in med]
    print("%-7s %6s speed (agent-updates/s) ratios: %s" % ("", "", ", ".join(ratios)))
EOF
