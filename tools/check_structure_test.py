"""The structure check reads C++ as the compiler does: quotes that separate digits are no
character literals, so what follows them is still checked."""
import importlib.util
import sys
import tempfile
import unittest
from pathlib import Path

spec = importlib.util.spec_from_file_location(
    "check_structure", Path(__file__).resolve().parent / "check-structure.py")
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)


def functions_of(code):
    with tempfile.NamedTemporaryFile("w", suffix=".cpp", delete=False) as f:
        f.write(code)
    try:
        return {name: lines for name, _, lines in check.long_functions(Path(f.name))}
    finally:
        Path(f.name).unlink()


class DigitSeparators(unittest.TestCase):
    def test_functions_after_a_separated_number_are_still_measured(self):
        body = "\n".join("    ++n;" for _ in range(70))
        for number in ("60'000", "0xFF'FF", "1'000.5", "0b1010'1010", "1'0'0u"):
            code = ("int limit() { return %s; }\n"
                    "void counting() {\n    int n = 0;\n%s\n}\n" % (number, body))
            with self.subTest(number=number):
                found = functions_of(code)
                self.assertIn("counting", found)
                self.assertGreater(found["counting"], 60)

    def test_character_literals_are_still_blanked(self):
        for literal in ("'{'", "u8'}'", "L'{'", "'\\''"):
            with self.subTest(literal=literal):
                stripped = check.strip_code("char c = %s; int x = 1'000;" % literal)
                self.assertNotIn("{", stripped)
                self.assertNotIn("}", stripped)
                self.assertIn("1'000", stripped)


if __name__ == "__main__":
    sys.exit(unittest.main())
