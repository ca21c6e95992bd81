#!/usr/bin/env python3
"""Checks README.md and docs/ for the faults that once made the first page
unreadable: a README grown past any reasonable size, sections or long lines
standing in it more than once, and relative links or pictures that lead
nowhere.

    tools/check-docs.py [repository root]     (default: this script's parent)

Prints one line per fault and exits 1 when there is any, 0 otherwise.
"""
import collections
import pathlib
import re
import sys

MAX_README_BYTES = 40 * 1024
# Shorter lines (blank lines, fences, short list items) may well repeat.
MIN_REPEATED_LINE_LENGTH = 40

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^#{1,6}\s+\S")


def outside_code_blocks(lines):
    """Yields (line number, line) of the lines that are not inside ``` fences."""
    fenced = False
    for number, line in enumerate(lines, start=1):
        if line.lstrip().startswith("```"):
            fenced = not fenced
            continue
        if not fenced:
            yield number, line


def readme_faults(readme):
    faults = []
    size = readme.stat().st_size
    if size > MAX_README_BYTES:
        faults.append(f"{readme}: {size} bytes, more than {MAX_README_BYTES}")
    lines = readme.read_text(encoding="utf-8", errors="replace").splitlines()

    headings = collections.defaultdict(list)
    for number, line in outside_code_blocks(lines):
        if HEADING.match(line):
            headings[line.lstrip("#").strip()].append(number)
    for title, numbers in headings.items():
        if len(numbers) > 1:
            faults.append(f"{readme}: heading \"{title}\" stands {len(numbers)} times "
                          f"(lines {', '.join(map(str, numbers[:5]))})")

    long_lines = collections.defaultdict(list)
    for number, line in enumerate(lines, start=1):
        if len(line.strip()) >= MIN_REPEATED_LINE_LENGTH:
            long_lines[line.strip()].append(number)
    for line, numbers in long_lines.items():
        if len(numbers) > 1:
            faults.append(f"{readme}: line \"{line[:60]}\" stands {len(numbers)} times "
                          f"(lines {', '.join(map(str, numbers[:5]))})")
    return faults


def link_faults(document):
    faults = []
    text = document.read_text(encoding="utf-8", errors="replace")
    for number, line in outside_code_blocks(text.splitlines()):
        for target in LINK.findall(line):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target) or target.startswith("#"):
                continue  # a web address or an anchor on the same page
            path = target.split("#", 1)[0]
            if path and not (document.parent / path).exists():
                faults.append(f"{document}:{number}: link to {target}, which does not exist")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    readme = root / "README.md"
    if not readme.is_file():
        print(f"{readme}: missing")
        return 1
    documents = [readme] + sorted((root / "docs").rglob("*.md"))
    faults = readme_faults(readme)
    for document in documents:
        faults.extend(link_faults(document))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
