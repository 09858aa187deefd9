#!/bin/bash
# The two update orders side by side: runs the StepSequential and StepSimultaneous benchmarks N
# times, alternating, and prints the median wall-clock time of a step for each.
#   tools/bench-orders.sh [N]      (B=path/to/strida_bench to use another build)
B=${B:-build/strida_bench}
N=${1:-9}
for k in $(seq $N); do
  $B --benchmark_filter='StepSequential|StepSimultaneous' 2>&1 | grep -E "^Step" | awk '{print $1, $2}'
done | python3 -c '
import sys, statistics, collections
v = collections.defaultdict(list)
for line in sys.stdin:
    k, t = line.split(); v[k].append(float(t))
for k in sorted(v): print(k, "median %.2f ms" % statistics.median(v[k]), "min %.2f max %.2f (%d runs)" % (min(v[k]), max(v[k]), len(v[k])))
'
