#!/usr/bin/env python3
"""Checks the shape of the source tree, so that it stays as docs/architecture.md draws it.

- Layers: src/core includes nothing of the project; src/measure only the core; src/engine the core,
  measure and itself; src/ui everything but app/. No include runs back up.
- No loop: no two units (a header with its source file) include each other, directly or through
  others.
- Short functions: no function in src/core, src/engine, src/measure or app/ is longer than
  60 lines (those over 50 are listed as a warning).

Usage: tools/check-structure.py [ROOT]   (exit status 1 when a rule is broken)
"""
import re
import sys
from pathlib import Path

LAYERS = {"core": 0, "measure": 1, "engine": 2, "ui": 3, "app": 4}
ALLOWED = {  # what each layer may include
    "core": {"core"},
    "measure": {"core", "measure"},
    "engine": {"core", "measure", "engine"},
    "ui": {"core", "measure", "engine", "ui"},
    "app": {"core", "measure", "engine", "ui", "app"},
}
SHORT = ("core", "engine", "measure", "app")
LIMIT, WARN = 60, 50


def layer_of(rel):
    parts = rel.parts
    if parts[0] == "app":
        return "app"
    return parts[1] if parts[0] == "src" and len(parts) > 1 else None


def unit_of(rel):
    return str(rel.with_suffix(""))


def is_digit_separator(text, i):
    """Whether the quote at i separates digits of a number (60'000, 0xFF'FF), not a character."""
    if i == 0 or i + 1 >= len(text) or not text[i + 1].isalnum():
        return False
    j = i
    while j > 0 and (text[j - 1].isalnum() or text[j - 1] in "_.'"):
        j -= 1
    return j < i and text[j].isdigit()


def strip_code(text):
    """The text with comments, string and character literals blanked (line breaks kept)."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            k = text.find("(", i)
            delim = ")" + text[i + 2:k] + '"'
            j = text.find(delim, k)
            j = n if j < 0 else j + len(delim)
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c == "'" and is_digit_separator(text, i):
            out.append(c)
            i += 1
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def long_functions(path):
    """(name, first line, lines) of every function body in the file."""
    code = strip_code(path.read_text())
    found, stack, head_start = [], [], 0
    line = 1
    for i, c in enumerate(code):
        if c == "\n":
            line += 1
        elif c in ";":
            head_start = i + 1
        elif c == "{":
            head = code[head_start:i]
            inside_function = any(kind == "function" for kind, _, _ in stack)
            words = head.split()
            if inside_function:
                kind = "block"
            elif re.search(r"\b(namespace|class|struct|union|enum)\b", head) and "(" not in head:
                kind = "scope"
            elif 'extern ""' in head or head.rstrip().endswith("=") or not head.strip():
                kind = "block"
            elif ")" in head and not re.match(r"\s*(if|for|while|switch)\b", head):
                kind = "function"
            else:
                kind = "block"
            name = ""
            if kind == "function":
                m = re.search(r"([\w:~]+)\s*\([^()]*(\([^()]*\)[^()]*)*\)[^()]*$", head)
                name = m.group(1) if m else (words[0] if words else "?")
            stack.append((kind, line, name))
            head_start = i + 1
        elif c == "}":
            if stack:
                kind, start, name = stack.pop()
                if kind == "function":
                    found.append((name, start, line - start + 1))
            head_start = i + 1
    return found


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    files = sorted(p for d in ("src", "app") for p in (root / d).rglob("*") if p.suffix in (".h", ".cpp"))
    errors, warnings = [], []
    graph = {}
    for path in files:
        rel = path.relative_to(root)
        layer = layer_of(rel)
        unit = unit_of(rel)
        graph.setdefault(unit, set())
        for inc in re.findall(r'^#include "([^"]+)"', path.read_text(), re.M):
            target = Path("src") / inc
            if not (root / target).exists():
                continue
            target_layer = layer_of(target)
            if layer in ALLOWED and target_layer not in ALLOWED[layer]:
                errors.append(f"{rel}: includes {inc}, a layer above {layer}")
            if unit_of(target) != unit:
                graph[unit].add(unit_of(target))
        if layer in SHORT:
            for name, start, length in long_functions(path):
                where = f"{rel}:{start}: {name} is {length} lines long"
                if length > LIMIT:
                    errors.append(where + f" (at most {LIMIT})")
                elif length > WARN:
                    warnings.append(where)

    # Loops among the units, found by a depth-first search.
    state, path_stack = {}, []

    def visit(u):
        state[u] = 1
        path_stack.append(u)
        for v in sorted(graph.get(u, ())):
            if state.get(v) == 1:
                loop = path_stack[path_stack.index(v):] + [v]
                errors.append("include loop: " + " -> ".join(loop))
            elif v in graph and not state.get(v):
                visit(v)
        path_stack.pop()
        state[u] = 2

    for u in sorted(graph):
        if not state.get(u):
            visit(u)

    for w in warnings:
        print("note:", w)
    for e in errors:
        print("error:", e)
    print(f"{len(files)} files, {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
