"""Speed against density in a corridor with walls: Strida's fundamental diagram.

A crowd walks east along a corridor with walls (CorridorWalls) at several densities, once with
the default model and once with speed from spacing (SpeedFromSpacing). Every step that measures
the trap gives one point: its density (persons in the trap over its area) and the mean speed of
those inside. The points are plotted against Weidmann's fundamental diagram into a PNG.

    PYTHONPATH=build python3 examples/python/fundamental_diagram.py fundamental_diagram.png
"""
import argparse
import math

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import strida  # noqa: E402

LENGTH, WIDTH = 10.0, 4.0  # the trap (m); the crowd starts in the corridor behind it too
MODELS = {"default model": {}, "speed from spacing": {"SpeedFromSpacing": 1}}


def crowd(sim, density, rng):
    """Fills the corridor from three trap lengths before the trap to its end at this density."""
    start = -3 * LENGTH
    count = round(density * (LENGTH - start) * WIDTH)
    spacing = math.sqrt((LENGTH - start) * WIDTH / count)
    lanes = max(1, int(WIDTH / spacing))
    for i in range(count):
        x = start + (i // lanes + 0.5) * spacing
        y = (i % lanes + 0.5) * WIDTH / lanes
        speed = float(np.clip(rng.normal(1.34, 0.26), 0.6, 2.0))
        sim.add_pedestrian(x, y, LENGTH + 1000.0, y, vx=0.0, max_speed=speed)


def measure(density, model, steps, seed):
    """Density and mean speed in the trap at every step after the first tenth of the run."""
    settings = {"ManualGenerator": 1, "TrapLength": LENGTH, "TrapWidth": WIDTH,
                "CorridorWalls": 1, **model}
    sim = strida.Simulation(settings=settings, seed=seed)
    crowd(sim, density, np.random.default_rng(seed))
    points = []
    for step in range(steps):
        if not sim.step():
            break
        f = sim.figures()
        if step >= steps // 10 and f["TotalPed"] > 0:
            points.append((f["TotalPed"] / (LENGTH * WIDTH), f["AvgSpeed"]))
    sim.stop()
    return points


def weidmann(density):
    return 1.34 * (1 - np.exp(-1.913 * (1 / density - 1 / 5.4)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("png", help="the picture to write")
    parser.add_argument("--densities", type=float, nargs="+",
                        default=[0.25, 0.5, 0.75, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5])
    parser.add_argument("--steps", type=int, default=300, help="steps per run")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    fig, ax = plt.subplots(figsize=(7, 4.5), dpi=120)
    for (label, model), colour in zip(MODELS.items(), ("tab:red", "tab:blue")):
        points = [p for d in args.densities for p in measure(d, model, args.steps, args.seed)]
        density, speed = np.array(points).T
        ax.scatter(density, speed, s=4, alpha=0.25, color=colour, label=label)
    rho = np.linspace(0.2, 5.3, 200)
    ax.plot(rho, weidmann(rho), color="black", label="Weidmann (1993)")
    ax.set_xlabel("density in the trap (persons/m²)")
    ax.set_ylabel("mean speed in the trap (m/s)")
    ax.set_xlim(0, 5.5)
    ax.set_ylim(0, 2.0)
    ax.set_title(f"Corridor {LENGTH:g} m × {WIDTH:g} m with walls, one way, seed {args.seed}")
    ax.legend(loc="upper right", markerscale=3)
    fig.tight_layout()
    fig.savefig(args.png)
    print(f"wrote {args.png}")


if __name__ == "__main__":
    main()
