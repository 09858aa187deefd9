"""Speed against density in a corridor with walls: Strida's fundamental diagram.

A block of pedestrians fills a corridor 4 m wide with walls (CorridorWalls) at a density, from
70 m behind a 10 m window to 40 m beyond it, all walking east at their free speed. After 10 s to
settle, the density in the window and the mean speed along the corridor of those in it are taken
every half second for 20 s, from positions() and velocities(). This is done at several densities,
with the default model and with the calibrated model options of examples/calibrated-corridor.json
(a time gap to the one ahead, steering, the simultaneous update; docs/model.md), and the means are
plotted against Weidmann's fundamental diagram into a PNG.

    PYTHONPATH=build python3 examples/python/fundamental_diagram.py fundamental-diagram.png
"""
import argparse
import math
import pathlib

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import strida  # noqa: E402

WIDTH, WINDOW = 4.0, 10.0  # m: the corridor's width, the window's length (the trap)
BEHIND, BEYOND = 70.0, 40.0  # m of the block behind and beyond the window
CALIBRATED = pathlib.Path(__file__).resolve().parent.parent / "calibrated-corridor.json"
MODELS = {"default model": None, "calibrated options": CALIBRATED}


def block(density, rng):
    """The block in lanes as near square as the width allows, each a little off its place:
    (px, py, ex, ey, vx, vy, max_speed) for every pedestrian."""
    lanes = max(1, round(WIDTH * math.sqrt(density)))
    across, along = WIDTH / lanes, lanes / (WIDTH * density)
    rows = int((BEHIND + WINDOW + BEYOND) / along)
    crowd = []
    for row in range(rows):
        x = WINDOW + BEYOND - (row + 0.5) * along
        for lane in range(lanes):
            speed = float(np.clip(rng.normal(1.34, 0.26), 0.5, 2.5))
            y = (lane + 0.5 + rng.uniform(-0.1, 0.1)) * across
            crowd.append((x + rng.uniform(-0.1, 0.1) * along, y, 100_000.0, y, speed, 0.0, speed))
    return crowd


def measure(density, scenario, settle, seconds, seed):
    """Mean density (1/m²) and speed along the corridor (m/s) in the window."""
    settings = {"ManualGenerator": 1, "TrapLength": WINDOW, "TrapWidth": WIDTH,
                "CorridorWalls": 1}
    crowd = block(density, np.random.default_rng(seed))
    with strida.Simulation(scenario=scenario, settings=settings, seed=seed,
                           pedestrians=crowd) as sim:
        every = round(0.5 * sim.frame_rate)
        sim.step(round(settle * sim.frame_rate))
        samples = []
        for _ in range(round(seconds / 0.5)):
            sim.step(every)
            x = sim.positions()[:, 0]
            inside = (x >= 0) & (x <= WINDOW)
            if inside.any():
                samples.append((inside.sum() / (WINDOW * WIDTH),
                                sim.velocities()[inside, 0].mean()))
    return np.mean(samples, axis=0)


def weidmann(density):
    return 1.34 * (1 - np.exp(-1.913 * (1 / density - 1 / 5.4)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("png", help="the picture to write")
    parser.add_argument("--densities", type=float, nargs="+",
                        default=[0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0])
    parser.add_argument("--settle", type=float, default=10, help="seconds before measuring")
    parser.add_argument("--seconds", type=float, default=20, help="seconds of measuring")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    fig, ax = plt.subplots(figsize=(7, 4.5), dpi=120)
    for (label, model), (colour, marker) in zip(MODELS.items(),
                                                 (("tab:red", "o"), ("tab:blue", "^"))):
        points = np.array([measure(d, model, args.settle, args.seconds, args.seed)
                           for d in args.densities])
        ax.plot(points[:, 0], points[:, 1], marker=marker, color=colour, label=label)
        for (density, speed), asked in zip(points, args.densities):
            print(f"{label}: {asked:g} persons/m² asked, {density:.2f} measured, "
                  f"{speed:.2f} m/s")
    rho = np.linspace(0.3, 5.3, 200)
    ax.plot(rho, weidmann(rho), color="black", label="Weidmann (1993)")
    ax.set_xlabel("density in the window (persons/m²)")
    ax.set_ylabel("mean speed along the corridor (m/s)")
    ax.set_xlim(0, 5.5)
    ax.set_ylim(0, 1.6)
    ax.set_title(f"A {WIDTH:g} m corridor with walls, one way, seed {args.seed}")
    ax.legend(loc="upper right")
    fig.tight_layout()
    fig.savefig(args.png)
    print(f"wrote {args.png}")


if __name__ == "__main__":
    main()
