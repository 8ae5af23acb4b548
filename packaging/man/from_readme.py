#!/usr/bin/env python3
"""Writes a man page source from one "## NAME" section of the README, so the commands are
documented in one place: python3 from_readme.py README.md tolvane-cli "one-line summary" OUT.md
"""
import sys

readme, name, summary, out = sys.argv[1:5]
lines = open(readme, encoding="utf-8").read().split("\n")
start = lines.index(f"## {name}")
end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("## ")), len(lines))
body = lines[start + 1:end]
# Sub-headings of the section become second-level headings of the page.
body = ["# " + line[4:] if line.startswith("### ") else line for line in body]
page = [
    "---",
    f"title: {name.upper()}",
    "section: 1",
    "header: User Commands",
    "footer: TOLVANE",
    "---",
    "",
    "# NAME",
    "",
    f"{name} - {summary}",
    "",
    "# DESCRIPTION",
    "",
] + body + ["", "# SEE ALSO", "", "**tolvane**(1)", ""]
with open(out, "w", encoding="utf-8") as f:
    f.write("\n".join(page))
