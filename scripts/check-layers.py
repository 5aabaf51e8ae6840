#!/usr/bin/env python3
"""Checks that the product code's includes run one way, down the layers.

Each folder under src/ may include its own headers and those of the layers
below it; tests may reach further. Prints every include that runs up or
sideways and exits with 1 when there is one.
"""
import pathlib
import re
import sys

# Lowest first; folders of one rank stand side by side and do not include each other.
RANKS = {"util": 0, "diagnostics": 1, "lexan": 2, "config": 3, "vmopcode": 3, "vmasm": 4, "vmcode": 5,
         "analysis": 6, "vmobject": 6, "cli": 7, "lsp": 7, "app": 7}
TEST = re.compile(r"(_test\.|testing|test_support)")

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
wrong = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".cpp", ".h") or TEST.search(path.name):
        continue
    folder = path.relative_to(src).parts[0]
    for line_number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
        if match and match.group(1) != folder and RANKS.get(match.group(1), 99) >= RANKS.get(folder, -1):
            wrong.append(f"{path}:{line_number}: {folder} includes {match.group(1)}")
print("\n".join(wrong) if wrong else "every include runs down the layers")
sys.exit(1 if wrong else 0)
