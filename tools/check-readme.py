#!/usr/bin/env python3
"""Runs the README's commands as a reader would type them, on a build.

- Every ```sh block of README.md runs, in the order of the README, with bash -e -o pipefail in
  one fresh folder in which `build` is the build folder and `examples` the project's examples,
  so the commands run exactly as written from the project folder. Each must succeed within a
  minute.
- Left out: the two set-up commands (they install packages and build everything), and every
  block right after a line <!-- not run: REASON -->.
- A ```text block right after <!-- output of the block above --> must be exactly what the block
  before it printed on standard output.
- Every relative link of the README must name a file or folder of the project.

Usage: tools/check-readme.py SOURCE_DIR BUILD_DIR   (exit status 1 when a check fails)
"""
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

SET_UP = {"bash tools/run.sh", "bash tools/test.sh"}
NOT_RUN = re.compile(r"<!-- not run: .+ -->")
OUTPUT = "<!-- output of the block above -->"
LINK = re.compile(r"\]\(([^)#\s]+)(#[^)\s]*)?\)")


def blocks(text):
    """(language, code, marker line before the fence, line number) of every fenced block."""
    lines = text.split("\n")
    i, previous = 0, ""
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            start, language = i, line[3:].strip()
            i += 1
            code = []
            while i < len(lines) and not lines[i].startswith("```"):
                code.append(lines[i])
                i += 1
            yield language, "\n".join(code) + "\n", previous.strip(), start + 1
            previous = ""
        elif line.strip():
            previous = line
        i += 1


def run(code, folder):
    return subprocess.run(["bash", "-e", "-o", "pipefail", "-c", code], cwd=folder,
                          capture_output=True, text=True, timeout=60)


def main(source, build):
    readme = (source / "README.md").read_text()
    failures, ran, skipped = [], 0, 0
    last = None  # what the last block that ran printed
    with tempfile.TemporaryDirectory(prefix="strida-readme-") as folder:
        os.symlink(build.resolve(), Path(folder) / "build")
        os.symlink((source / "examples").resolve(), Path(folder) / "examples")
        for language, code, marker, line in blocks(readme):
            if language == "text" and marker == OUTPUT:
                if last is None:
                    failures.append(f"line {line}: no block ran before this output")
                elif last != code:
                    failures.append(f"line {line}: the block above printed\n{last}"
                                    f"but the README shows\n{code}")
                continue
            if language != "sh":
                continue
            if NOT_RUN.fullmatch(marker) or code.strip() in SET_UP:
                skipped += 1
                last = None
                continue
            result = run(code, folder)
            ran += 1
            last = result.stdout
            if result.returncode != 0:
                failures.append(f"line {line}: exit status {result.returncode}\n{code}"
                                f"{result.stderr[-2000:]}")
    for target, _ in LINK.findall(readme):
        if "://" not in target and not (source / target).exists():
            failures.append(f"the link to {target} names nothing in the project")
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{ran} blocks run, {skipped} left out, {len(failures)} failures")
    return 1 if failures or ran == 0 else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(Path(sys.argv[1]), Path(sys.argv[2])))
