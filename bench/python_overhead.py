"""What stepping from Python costs beside strida-batch, and how long positions() takes.

Both step a crowd at the benchmark corridor's density (1.67 persons/m², half walking each way),
50 m wide so that 10,000 pedestrians (the default) fit a trap of at most 150 m, from the same data file with the same seed and no report file. Each
process's CPU time is taken for two step counts; the difference over the steps between them is
the CPU time per step, free of the start-up both have. The rounds alternate the two runners, and
the median of five is reported.

    PYTHONPATH=build python3 bench/python_overhead.py build/strida-batch
"""
import argparse
import math
import os
import pathlib
import resource
import statistics
import subprocess
import sys
import tempfile

WIDTH, DENSITY, MARGIN = 50.0, 1.67, 7.0
SETTINGS = {"ManualGenerator": 1, "ReportInstantPerformance": 0,
            "ReportAvgInstantPerformance": 0}

STEPPER = """
import sys, time, timeit
import strida
settings, peds, out, steps = eval(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
sim = strida.Simulation(settings=settings, seed=1, out=out, peds=peds)
for _ in range(steps):
    sim.step()
if steps == 0:
    calls = timeit.repeat(sim.positions, number=100, repeat=7)
    print(min(calls) / 100 * 1e3)
"""


def corridor(pedestrians, file):
    """The benchmark corridor as a data file; returns the trap's length and width."""
    spacing = math.sqrt(1 / DENSITY)
    lanes = int(WIDTH / spacing)
    length = math.ceil(pedestrians / lanes) * spacing
    with open(file, "w") as f:
        for i in range(pedestrians):
            lane, column = i % lanes, i // lanes
            east = (lane + column) % 2 == 0
            x, y = (column + 0.5) * spacing, MARGIN + (lane + 0.5) * spacing
            speed = 1.2 + 0.05 * (i % 7)
            ex = length + 5000 if east else -5000
            f.write(f"{i + 1},{x},{y},{ex},{y},{speed if east else -speed},0,{speed},1.44\r\n")
    return length, WIDTH + 2 * MARGIN


def cpu_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed: {done.stderr}")
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime), done.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("batch", help="the strida-batch to compare with")
    parser.add_argument("--pedestrians", type=int, default=10_000)
    parser.add_argument("--steps", type=int, nargs=2, default=[20, 120])
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        peds, out = pathlib.Path(tmp) / "corridor.sdx", pathlib.Path(tmp) / "out"
        length, width = corridor(args.pedestrians, peds)
        settings = dict(SETTINGS, TrapLength=f"{length:.3f}", TrapWidth=f"{width:.3f}")
        sets = [a for k, v in settings.items() for a in ("--set", f"{k}={v}")]

        def batch(steps):
            return [args.batch, *sets, "--peds", peds, "--seed", "1", "--steps", str(steps),
                    "--out", out]

        def python(steps):
            return [sys.executable, "-c", STEPPER, repr(settings), peds, out, str(steps)]

        few, many = args.steps
        per_step = {"strida-batch": [], "Python": []}
        for _ in range(args.rounds):
            for name, command in (("strida-batch", batch), ("Python", python)):
                t_few, _ = cpu_seconds(command(few))
                t_many, _ = cpu_seconds(command(many))
                per_step[name].append((t_many - t_few) / (many - few))
        _, said = cpu_seconds(python(0))
    batch_ms = statistics.median(per_step["strida-batch"]) * 1e3
    python_ms = statistics.median(per_step["Python"]) * 1e3
    print(f"{args.pedestrians} pedestrians, CPU time per step, median of {args.rounds} "
          f"interleaved rounds ({few} and {many} steps):")
    print(f"  strida-batch  {batch_ms:8.3f} ms")
    print(f"  Python        {python_ms:8.3f} ms  ({(python_ms / batch_ms - 1) * 100:+.1f} %)")
    print(f"positions() at {args.pedestrians} pedestrians: {float(said):.3f} ms (best of 7 x 100)")


if __name__ == "__main__":
    os.environ.setdefault("OMP_NUM_THREADS", "1")
    main()
