"""The Python module against the batch runner and the run's own files."""
import json
import os
import pathlib
import shutil
import warnings
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import strida

BATCH = os.environ["STRIDA_BATCH"]
SOURCE = pathlib.Path(os.environ["STRIDA_SOURCE"])
BUILD = pathlib.Path(os.environ["STRIDA_BUILD"])

CROWD = {"NumPedLeft": 30, "NumPedRight": 25, "ReportSystemPerformance": True,
         "ReportIndividualPerformance": 1, "ReportNTXY": "1"}
OUTPUTS = dict(trajectories=["t.txt", "t.sqlite"], chart_data="c.csv",
               per_pedestrian="p.csv")
BATCH_OUTPUTS = ["--trajectories", "t.txt", "--trajectories", "t.sqlite",
                 "--chart-data", "c.csv", "--per-pedestrian", "p.csv"]


def batch(*args):
    return subprocess.run([BATCH, *map(str, args)], capture_output=True, text=True)


def files_of(folder):
    return {p.name: p.read_bytes() for p in sorted(folder.iterdir()) if p.name != "manifest.json"}


def manifest(folder):
    m = json.loads((folder / "manifest.json").read_text())
    return {k: m[k] for k in ("settings", "seed", "steps", "ending", "results", "files")}


@pytest.mark.parametrize("how", ["settings", "scenario", "data file", "step limit"])
def test_a_run_writes_what_the_batch_runner_writes(tmp_path, how):
    py_out, batch_out = tmp_path / "py", tmp_path / "batch"
    if how == "scenario":
        scenario = SOURCE / "examples" / "hand-made-crossing.json"
        sim = strida.Simulation(scenario=scenario, settings={"ReportNTXY": 1}, out=py_out,
                                **OUTPUTS)
        args = ["--scenario", scenario, "--set", "ReportNTXY=1"]
        # Its hand-made pedestrians, once.
        assert len(sim.ids()) == len(json.loads(scenario.read_text())["pedestrians"]) == 4
    elif how == "data file":
        peds = SOURCE / "examples" / "head-on.sdx"
        sim = strida.Simulation(settings={"ManualGenerator": 1, "ReportNTXY": 1}, seed=2,
                                peds=peds, out=py_out, **OUTPUTS)
        args = ["--set", "ManualGenerator=1", "--set", "ReportNTXY=1", "--seed", 2, "--peds", peds]
    else:
        sim = strida.Simulation(settings=CROWD, seed=7, out=py_out, **OUTPUTS)
        args = ["--seed", 7] + [a for k, v in CROWD.items()
                                for a in ("--set", f"{k}={int(v) if v is True else v}")]
    if how == "step limit":
        assert sim.run(max_steps=40) == "step limit"
        args += ["--steps", 40]
    else:
        assert sim.run() == "finished"
    done = batch(*args, *BATCH_OUTPUTS, "--out", batch_out)
    assert done.returncode == 0, done.stderr
    assert not sim.running and sim.step_count > (39 if how == "step limit" else 100)
    assert f"steps: {sim.step_count}\n" in done.stdout
    py_files, batch_files = files_of(py_out), files_of(batch_out)
    assert set(py_files) >= {"t.txt", "t.sqlite", "c.csv", "p.csv", "NTXY.txt", "Instant.txt"}
    assert py_files == batch_files
    assert manifest(py_out) == manifest(batch_out)
    assert sim.results() == manifest(py_out)["results"]


def test_the_arrays_and_the_table_follow_the_trajectory_file_row_for_row(tmp_path):
    sim = strida.Simulation(settings={"NumPedLeft": 12, "NumPedRight": 9}, seed=3, out=tmp_path,
                            trajectories=["t.txt"], chart_data="c.csv", record_trajectory=True)
    frames = [(sim.ids(), sim.positions())]
    while sim.step():
        frames.append((sim.ids(), sim.positions()))
    assert sim.ending == "finished" and len(frames) > 50
    rows = pd.read_csv(tmp_path / "t.txt", sep=" ", comment="#", names=["id", "frame", "x", "y"])
    arrived = 0
    for frame, (ids, positions) in enumerate(frames):
        kept = rows[rows.frame == frame]
        # A frame also keeps where those who arrived in its step were last.
        inRun = kept[kept.id.isin(ids)]
        gone = set(kept.id) - set(ids)
        assert not rows[(rows.frame > frame) & rows.id.isin(gone)].size
        arrived += len(gone)
        assert list(inRun.id) == list(ids)
        assert np.array_equal(inRun[["x", "y"]].to_numpy(np.float32), positions.astype(np.float32))
    assert arrived == sim.results()["arrived"] > 0
    # The table in memory is the text file read back, value for value.
    table = sim.trajectory()
    assert list(table.columns) == ["id", "frame", "x", "y"]
    assert table.equals(rows.astype({"id": "int64", "frame": "int64"}))
    assert sim.frame_rate == pytest.approx(1 / float(sim.results()["dt"]))
    # The figures are the chart data's last row, and the run's closing dissipation time.
    last = pd.read_csv(tmp_path / "c.csv").iloc[-1]
    figures = sim.figures()
    assert list(figures) == ["TotalPed", "AvgSpeed", "InstantDelay", "Uncomfort", "NHI", "NUVI",
                             "AvgTotalPed", "MeanAvgSpeed", "AvgDelay", "MeanUncomfort", "AvgNHI",
                             "AvgNUVI", "DissipationTime"]
    for name, value in figures.items():
        if name != "DissipationTime":
            assert value == last[name], name
    assert figures["DissipationTime"] == sim.results()["DissipationTime"]


def test_what_goes_wrong_in_a_run_is_a_warning_or_an_error(tmp_path):
    sim = strida.Simulation(seed=1, out=tmp_path / "out")
    sim.step()
    shutil.rmtree(tmp_path / "out")
    with pytest.warns(RuntimeWarning, match="Instant.txt"):
        sim.step()
    assert sim.run() == "finished"
    # Warnings made errors stop at the first, as Python's own do.
    (tmp_path / "x" / "NTXY.txt" / "in").mkdir(parents=True)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(RuntimeWarning, match="NTXY.txt"):
            strida.Simulation(settings={"ReportNTXY": 1}, out=tmp_path / "x")
    # A step that fails stops the run.
    sim = strida.Simulation(settings={"ManualGenerator": 1}, seed=1)
    sim.add_pedestrian(1.0, 3.0, 9.0, 3.0, vx=1e300, max_speed=1e300, max_acceleration=1e300)
    with pytest.raises(RuntimeError, match="cannot move"):
        sim.run()
    assert sim.ending == "stopped" and not sim.running


INTERRUPTED = """
import os, signal, sys, threading
import strida
# A crowd that takes minutes to cross the trap.
sim = strida.Simulation(settings={"NumPedLeft": 1000, "NumPedRight": 1000, "TrapLength": 150,
                                  "TrapWidth": 20},
                        seed=5, out=sys.argv[1], trajectories=["t.txt"])
sim.step(2)
threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
try:
    sim.run()
except KeyboardInterrupt:
    print(sim.ending, sim.step_count)
"""


def test_ctrl_c_ends_the_run_as_interrupted_with_its_files_whole(tmp_path):
    done = subprocess.run([sys.executable, "-c", INTERRUPTED, tmp_path], capture_output=True,
                          text=True, timeout=120)
    ending, steps = done.stdout.split()
    record = json.loads((tmp_path / "manifest.json").read_text())
    assert (ending, record["ending"]) == ("interrupted", "interrupted")
    assert int(steps) == record["steps"] > 2
    last = (tmp_path / "t.txt").read_text().splitlines()[-1]
    assert int(last.split()[1]) == int(steps)


def test_bad_input_raises_with_the_programs_own_words(tmp_path):
    said = batch("--set", "DT=abc", "--out", tmp_path / "b").stderr
    with pytest.raises(ValueError) as bad:
        strida.Simulation(settings={"DT": "abc"})
    assert str(bad.value) and str(bad.value) in said
    with pytest.raises(ValueError, match="NoSuchSetting"):
        strida.Simulation(settings={"NoSuchSetting": 1})
    with pytest.raises(ValueError, match="need a folder"):
        strida.Simulation(settings={"ReportNTXY": True})
    with pytest.raises(ValueError, match="need a folder"):
        strida.Simulation(chart_data="c.csv")
    with pytest.raises(ValueError):
        strida.Simulation(scenario=tmp_path / "missing.json")
    with pytest.raises(ValueError):
        strida.Simulation(out=tmp_path, trajectories=["Instant.txt"])
    (tmp_path / "a-file").write_text("")
    with pytest.raises(ValueError, match="cannot create the report folder"):
        strida.Simulation(out=tmp_path / "a-file" / "out")
    with pytest.raises(ValueError, match="cannot start.*no-such-folder"):
        strida.Simulation(out=tmp_path, trajectories=["no-such-folder/t.txt"])
    with pytest.raises(RuntimeError, match="record_trajectory=True"):
        strida.Simulation(seed=1).trajectory()
    scenario = SOURCE / "examples" / "hand-made-crossing.json"
    peds = SOURCE / "examples" / "head-on.sdx"
    said = batch("--scenario", scenario, "--peds", peds, "--out", tmp_path / "b").stderr
    assert "hand-made pedestrians; --peds would add a second set" in said
    with pytest.raises(ValueError, match="hand-made pedestrians; peds= would add a second set"):
        strida.Simulation(scenario=scenario, peds=peds)
    with pytest.raises(TypeError, match="NumPedLeft"):
        strida.Simulation(settings={"NumPedLeft": None})
    for bad in (dict(seed=-1), dict(seed=2**64), dict(threads=-1), dict(threads=1025),
                dict(pedestrians=[(1, 2, 3)])):
        with pytest.raises(ValueError):
            strida.Simulation(**bad)
    assert not strida.Simulation(settings={"CorridorWalls": np.bool_(True)}).running is None


def test_pedestrians_added_and_removed_show_in_every_array():
    sim = strida.Simulation(settings={"ManualGenerator": 1, "TrapLength": 20}, seed=1)
    first = sim.add_pedestrian(1.0, 3.0, 25.0, 3.0, vx=0.5, max_speed=0.3)
    second = sim.add_pedestrian(19.0, 2.0, -5.0, 2.0)
    third = sim.add_pedestrian(10.0, 5.0, 10.0, -5.0, vy=-0.25)
    assert (first, second, third) == (1, 2, 3)
    assert list(sim.ids()) == [1, 2, 3]
    assert np.array_equal(sim.positions(), [[1, 3], [19, 2], [10, 5]])
    assert np.array_equal(sim.velocities(), [[0.5, 0], [0, 0], [0, -0.25]])
    sim.step(40)
    speeds = np.hypot(*sim.velocities().T)
    assert speeds[0] == pytest.approx(0.3) and 1 < speeds[1] < 1.4  # MaxSpeed's 1.333
    moved = sim.positions()
    sim.remove_pedestrian(second)
    assert list(sim.ids()) == [1, 3]
    assert np.array_equal(sim.positions(), moved[[0, 2]])
    assert sim.velocities().shape == (2, 2)
    for gone in (second, 2**31, 0):
        with pytest.raises(KeyError):
            sim.remove_pedestrian(gone)
    with pytest.raises(ValueError):
        sim.run(max_steps=-1)
    with pytest.raises(ValueError, match="not created"):
        sim.add_pedestrian(float("nan"), 1.0, 2.0, 3.0)
    unreadable = strida.Simulation(settings={"ManualGenerator": 1, "MaxSpeed": "fast"})
    with pytest.raises(ValueError, match="MaxSpeed"):
        unreadable.add_pedestrian(1.0, 1.0, 2.0, 2.0)
    assert unreadable.add_pedestrian(1.0, 1.0, 2.0, 2.0, max_speed=1.2) == 1
    sim.step()
    counts = sim.results()
    assert (counts["generated"], counts["removed"], counts["inRun"]) == (3, 1, 2)
    sim.stop()
    assert sim.ending == "stopped" and not sim.step()
    with pytest.raises(RuntimeError):
        sim.add_pedestrian(1.0, 1.0, 2.0, 2.0)


def test_the_module_installs_where_the_systems_python_finds_it(tmp_path):
    subprocess.run(["cmake", "--install", BUILD, "--component", "python", "--prefix", tmp_path],
                   check=True, capture_output=True)
    found = list(tmp_path.glob("lib/python3*/dist-packages/strida*.so"))
    assert len(found) == 1
    env = dict(os.environ, PYTHONPATH=str(found[0].parent))
    done = subprocess.run([sys.executable, "-c", "import strida; print(strida.__file__)"],
                          env=env, capture_output=True, text=True, cwd=tmp_path, check=True)
    assert done.stdout.startswith(str(tmp_path))


def test_the_fundamental_diagram_example_writes_its_plot(tmp_path):
    png = tmp_path / "fd.png"
    subprocess.run([sys.executable, SOURCE / "examples/python/fundamental_diagram.py", png,
                    "--densities", "0.5", "2", "--settle", "1", "--seconds", "2"],
                   check=True, capture_output=True)
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and png.stat().st_size > 10_000


def test_pedestrians_given_at_the_start_are_in_the_record_and_a_replay_repeats_the_run(tmp_path):
    crowd = [(1, 3, 25, 3), (19, 2, -5, 2, -0.5, 0), (10, 5, 10, -5, 0, 0, 0.8, 2.0)]
    sim = strida.Simulation(settings={"ManualGenerator": 1, "TrapLength": 20}, seed=4,
                            out=tmp_path / "py", pedestrians=crowd, trajectories=["t.txt"])
    assert list(sim.ids()) == [1, 2, 3]
    assert sim.run() == "finished"
    done = batch("--replay", tmp_path / "py" / "manifest.json", "--out", tmp_path / "again")
    assert done.returncode == 0, done.stderr
    assert files_of(tmp_path / "py") == files_of(tmp_path / "again")
    # One added later is not in the record, which is said once.
    sim = strida.Simulation(settings={"ManualGenerator": 1}, out=tmp_path / "later")
    with pytest.warns(RuntimeWarning, match="replay will not repeat"):
        sim.add_pedestrian(1.0, 1.0, 9.0, 1.0)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        sim.add_pedestrian(1.0, 2.0, 9.0, 2.0)
