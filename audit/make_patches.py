#!/usr/bin/env python3
"""Writes audit/<id>.patch for the faults of audit/mutants.py, and audit/mutants.md listing
them (file, line, change): the window's (ui/) in a section of their own. Run from the top of a
clean tree.

    audit/make_patches.py            every fault
    audit/make_patches.py ID...      only these; the other patches and their rows stay as they
                                     are (made against the tree of their own audit)"""
import pathlib, re, subprocess, sys

root = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(root / "audit"))
from mutants import MUTANTS

wanted = set(sys.argv[1:])
unknown = wanted - {m[0] for m in MUTANTS}
if unknown:
    sys.exit(f"no such fault: {' '.join(sorted(unknown))}")

# The rows already listed, by id, for the faults not written again.
md_path = root / "audit" / "mutants.md"
kept = {}
if wanted and md_path.exists():
    for row in md_path.read_text().splitlines():
        if m := re.match(r"\| (\w+) \|", row):
            kept[m.group(1)] = row

rows, ui_rows = [], []
for mid, rel, old, new, why in MUTANTS:
    into = ui_rows if rel.startswith("ui/") else rows
    if wanted and mid not in wanted:
        if mid in kept:
            into.append(kept[mid])
        continue
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
    into.append(f"| {mid} | {rel} | {line} | {why} | `{first(old)}` -> `{first(new)}` |")

header = ["| id | file | line | fault | change |", "|---|---|---|---|---|"]
md = ["# Planted faults", "",
      "One at a time: `scripts/mutants.sh` applies each patch, builds, runs the tests of the",
      "file's folder and every folder downstream, and reverts.", ""] + header + rows
if ui_rows:
    md += ["", "## ui/", "",
           "The window's logic files, planted the same way; their faults run the `ui` label's",
           "tests (offscreen). This list was written before the tests were looked at.", ""]
    md += header + ui_rows
md_path.write_text("\n".join(md) + "\n")
print(f"{len(wanted) or len(rows) + len(ui_rows)} patches")
