#!/usr/bin/env python3
"""Makes the local help page: the user sections of README.md as one HTML page, with the pictures
they show copied beside it.

Usage: make-help.py README.md OUTPUT-FOLDER SECTION...
The page holds the README's title and introduction and then each named "## " section, in the
order given; a named section that the README lacks is an error, so the page cannot silently
lose a part.
"""
import pathlib
import re
import shutil
import sys

import markdown


def main(readme_path, out_dir, wanted):
    readme = pathlib.Path(readme_path)
    out = pathlib.Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    parts = re.split(r"(?m)^## ", readme.read_text(encoding="utf-8"))
    sections = {p.split("\n", 1)[0].strip(): "## " + p for p in parts[1:]}
    missing = [name for name in wanted if name not in sections]
    if missing:
        sys.exit(f"make-help.py: {readme} has no section {', '.join(missing)}")
    text = "\n".join([parts[0]] + [sections[name] for name in wanted])

    def picture(match):
        source = readme.parent / match.group(2)
        shutil.copyfile(source, out / source.name)
        return f"![{match.group(1)}]({source.name})"

    text = re.sub(r"!\[([^\]]*)\]\(([^)\s]+)\)", picture, text)
    body = markdown.markdown(text, extensions=["tables", "fenced_code"])
    page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Quernix help</title>
<style>
body {{ font-family: sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em;
       line-height: 1.45; }}
img {{ max-width: 100%; }}
code, pre {{ background: #f3f3f3; }}
pre {{ padding: 0.6em; overflow-x: auto; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""
    (out / "index.html").write_text(page, encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
