#!/usr/bin/env python3
"""Scores a folder of decoded voice files against their sources.

    examples/score_folder.py SOURCES DECODED [--jobs N] [--json]

Each file in DECODED is scored against the file of the same name in
SOURCES (.pcm, .wav or .flac). One line per file, in name order: the score
and points, or why that file could not be scored; then the mean score.
Exits 1 when any file failed.
"""

import argparse
import json
import pathlib
import sys

import orvelle

VOICE_SUFFIXES = {".pcm", ".wav", ".flac"}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("sources", type=pathlib.Path, help="folder of source voice files")
    parser.add_argument("decoded", type=pathlib.Path, help="folder of decoded voice files, named as their sources")
    parser.add_argument("--jobs", type=int, default=None, help="files scored at once (default: one per core)")
    parser.add_argument("--json", action="store_true", help="one JSON object a line, as orvelle-cli batch prints")
    args = parser.parse_args()

    decoded = sorted(p for p in args.decoded.iterdir() if p.suffix.lower() in VOICE_SUFFIXES)
    if not decoded:
        print(f"no voice files in {args.decoded}", file=sys.stderr)
        return 1
    pairs = [(args.sources / p.name, p) for p in decoded]

    scores = []
    failed = 0
    for item in orvelle.batch(pairs, jobs=args.jobs):
        name = decoded[item.index].name
        if item.ok:
            scores.append(item.measurement.score)
        else:
            failed += 1
        if args.json:
            row = {"file": name, **(item.measurement.to_dict() if item.ok else {"error": str(item.error)})}
            print(json.dumps(row))
        elif item.ok:
            print(f"{name}: {item.measurement.score:.2f} % ({item.measurement.points:.2f} points)")
        else:
            print(f"{name}: failed: {item.error}")
    if scores and not args.json:
        print(f"mean of {len(scores)}: {sum(scores) / len(scores):.2f} %")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
