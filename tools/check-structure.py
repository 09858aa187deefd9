#!/usr/bin/env python3
"""Checks the shape of the source tree, so that it stays as docs/architecture.md draws it.

- Layers: src/core includes nothing of the project; src/measure only the core; src/engine the core,
  measure and itself; src/ui everything but app/. No include runs back up.
- No loop: no two units (a header with its source file) include each other, directly or through
  others.
- Short functions: no function in src/core, src/engine, src/measure or app/ is longer than
  60 lines (those over 50 are listed as a warning).
- One door for the settings: no file in src/ or app/ but the settings layer (src/engine/settings.*
  and settings_rules.*) assigns a field of the Settings record, by name (`s.Alpha = ...`,
  `s->Alpha += ...`) or through a member pointer (`s.*field = ...`). A field of another struct that
  shares a name with one of Settings (PedDef's MaxSpeed ...) may be assigned where the receiver is
  declared as that struct.

Usage: tools/check-structure.py [ROOT]      (exit status 1 when a rule is broken)
       tools/check-structure.py --self-test (checks the checks on small made-up sources)

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


SETTINGS_LAYER = {"src/engine/settings.h", "src/engine/settings.cpp", "src/engine/settings_rules.h",
                  "src/engine/settings_rules.cpp"}
FIELD = r"^\s+[\w:<>]+\s+(\w+)\s*(?:=[^;]*)?;"


def struct_fields(headers):
    """{struct name: set of its field names}, from the plain structs of the given header texts."""
    fields = {}
    for text in headers:
        for m in re.finditer(r"^struct (\w+) \{\n(.*?)^\};", text, re.M | re.S):
            fields.setdefault(m.group(1), set()).update(re.findall(FIELD, m.group(2), re.M))
    return fields


def settings_writes(code, fields):
    """(line, text) of every assignment to a field of Settings in the code (comments stripped)."""
    names = fields.get("Settings", set())
    if not names:
        return []
    assign = r"\s*(?:=(?!=)|\+=|-=|\*=|/=)"
    by_name = re.compile(r"(\w+)\s*(?:\.|->)\s*(" + "|".join(sorted(names)) + r")\b" + assign)
    by_pointer = re.compile(r"(?:\.|->)\*\s*\(?[\w.>-]+\)?" + assign)
    found = []
    for number, line in enumerate(code.splitlines(), 1):
        for m in by_name.finditer(line):
            receiver, field = m.group(1), m.group(2)
            declared = re.search(r"\b(\w+)\s*[&*]?\s+" + re.escape(receiver) + r"\b", code)
            other = declared and declared.group(1) != "Settings" and field in fields.get(
                declared.group(1), set())
            if not other:
                found.append((number, line.strip()))
        if "Settings" in code and by_pointer.search(line):
            found.append((number, line.strip()))
    return found


# The window's own words: a menu caption ("&Start") or a status text ("Running Simulation"). The
# engine tells its host what happened, and the host words it.
WINDOW_WORDS = re.compile(r'"(?:&[A-Za-z]|[^"\\]*Simulation")')


def window_words(text):
    """(line, literal) of every string literal in the text that holds a caption or status text."""
    found = []
    for number, line in enumerate(text.splitlines(), 1):
        comment = line.find("//")
        if comment >= 0 and line.count('"', 0, comment) % 2 == 0:
            line = line[:comment]
        for m in re.finditer(r'"(?:[^"\\]|\\.)*"', line):
            if WINDOW_WORDS.match(m.group(0)):
                found.append((number, m.group(0)))
    return found


def digit_separator_cases():
    """Functions after a number with digit separators are still found and measured."""
    import tempfile
    failed = 0
    body = "\n".join("    ++n;" for _ in range(70))
    for number in ("60'000", "0xFF'FF", "1'000.5", "0b1010'1010", "1'0'0u"):
        code = f"int limit() {{ return {number}; }}\nvoid counting() {{\n    int n = 0;\n{body}\n}}\n"
        with tempfile.NamedTemporaryFile("w", suffix=".cpp", delete=False) as f:
            f.write(code)
        found = {name: lines for name, _, lines in long_functions(Path(f.name))}
        Path(f.name).unlink()
        if found.get("counting", 0) <= 60:
            print(f"self-test: the function after {number} was not measured")
            failed += 1
    for literal in ("'{'", "u8'}'", "L'{'", "'\\''"):
        stripped = strip_code(f"char c = {literal}; int x = 1'000;")
        if "{" in stripped or "}" in stripped or "1'000" not in stripped:
            print(f"self-test: {literal} was not read as a character")
            failed += 1
    return failed


def self_test():
    """The checks on made-up sources: what each must find, and what it must let be."""
    fields = struct_fields(["struct Settings {\n    std::string Alpha = \"0.2\";\n    double MaxSpeed;\n};\n",
                            "struct PedDef {\n    double MaxSpeed = 0;\n};\n"])
    cases = [
        ("void f(Settings& s) { s.Alpha = \"1\"; }", 1),
        ("void f(Settings* s) { s->Alpha += \"1\"; }", 1),
        ("void f(Settings& s, std::string Settings::*m) { s.*m = \"1\"; }", 1),
        ("void f(Settings& s) { s.MaxSpeed = 2; }", 1),
        ("void f(const Settings& s) { if (s.Alpha == \"1\") g(); }", 0),
        ("void f(PedDef& def) { def.MaxSpeed = 2; }", 0),
        ("void f(Options& o) { o.Beta = 2; }", 0),
    ]
    failed = 0
    for code, expected in cases:
        if len(settings_writes(code, fields)) != expected:
            print(f"self-test: expected {expected} finding(s) in: {code}")
            failed += 1
    words = [('host.setStatus(1, "Running Simulation");', 1), ('caption("&Stop");', 1),
             ('text = "Pause Simulation";', 1), ('return "a & b";', 0), ('"Simulation speed"', 0),
             ('// the caption "&Start"', 0)]
    for code, expected in words:
        if len(window_words(code)) != expected:
            print(f"self-test: expected {expected} window word(s) in: {code}")
            failed += 1
    failed += digit_separator_cases()
    print(f"self-test: {len(cases) + len(words)} cases and the digit separators, {failed} wrong")
    return 1 if failed else 0


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    files = sorted(p for d in ("src", "app") for p in (root / d).rglob("*") if p.suffix in (".h", ".cpp"))
    errors, warnings = [], []
    graph = {}
    fields = struct_fields(p.read_text() for p in files if p.suffix == ".h")
    for path in files:
        rel = path.relative_to(root)
        if str(rel) not in SETTINGS_LAYER:
            for number, text in settings_writes(strip_code(path.read_text()), fields):
                errors.append(f"{rel}:{number}: sets a setting past the door: {text}")
        layer = layer_of(rel)
        if layer == "engine":
            for number, literal in window_words(path.read_text()):
                errors.append(f"{rel}:{number}: the window's words in the engine: {literal}")
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
    sys.exit(self_test() if sys.argv[1:] == ["--self-test"] else main())
