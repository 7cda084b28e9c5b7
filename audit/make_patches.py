#!/usr/bin/env python3
"""Writes audit/<id>.patch for every fault of audit/mutants.py, and audit/mutants.md listing
them (file, line, change). Run from the top of a clean tree."""
import pathlib, subprocess, sys

root = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(root / "audit"))
from mutants import MUTANTS

rows = []
for mid, rel, old, new, why in MUTANTS:
    path = root / rel
    text = path.read_text()
    if text.count(old) != 1:
        sys.exit(f"{mid}: the text to replace occurs {text.count(old)} times in {rel}")
    line = text[: text.index(old)].count("\n") + 1
    path.write_text(text.replace(old, new, 1))
    try:
        diff = subprocess.run(["git", "diff", "--", rel], cwd=root, check=True,
                              capture_output=True, text=True).stdout
    finally:
        path.write_text(text)
    (root / "audit" / f"{mid}.patch").write_text(diff)
    first = lambda s: s.strip().splitlines()[0] if s.strip() else "(removed)"
    rows.append(f"| {mid} | {rel} | {line} | {why} | `{first(old)}` -> `{first(new)}` |")

md = ["# Planted faults", "",
      "One at a time: `scripts/mutants.sh` applies each patch, builds, runs the tests of the",
      "file's folder and every folder downstream, and reverts.", "",
      "| id | file | line | fault | change |", "|---|---|---|---|---|"] + rows
(root / "audit" / "mutants.md").write_text("\n".join(md) + "\n")
print(f"{len(rows)} patches")
