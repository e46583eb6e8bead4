#!/usr/bin/python3
"""Checks the Debian copyright file: a strict DEP-5 parse (python3-debian), every licence a
Files paragraph names defined once, and every Files pattern matching something real (a file
of the repository, or the stb_image.h that is compiled in from libstb-dev).
Usage: check_copyright.py <copyright file> <repository root>"""
import os
import subprocess
import sys

from debian import copyright as dep5

path, root = sys.argv[1], sys.argv[2]
problems = []
with open(path, encoding="utf-8") as f:
    parsed = dep5.Copyright(f, strict=True)  # raises on any deviation from the format

defined = {}
for paragraph in parsed.all_license_paragraphs():
    name = paragraph.license.synopsis
    if name in defined:
        problems.append(f"licence {name!r} is defined twice")
    defined[name] = paragraph.license.text

tracked = subprocess.run(["git", "-C", root, "ls-files"], check=True, capture_output=True,
                         text=True).stdout.split("\n")
built_in = {"stb_image.h": "/usr/include/stb/stb_image.h"}
for paragraph in parsed.all_files_paragraphs():
    if not paragraph.copyright:
        problems.append(f"{paragraph.files}: no Copyright")
    names = paragraph.license.synopsis.replace(" and ", " or ").split(" or ")
    for name in names:
        if name.strip() not in defined and not paragraph.license.text:
            problems.append(f"{paragraph.files}: licence {name!r} has no text")
    for pattern in paragraph.files:
        if pattern in built_in:
            if not os.path.exists(built_in[pattern]):
                problems.append(f"{pattern}: {built_in[pattern]} is missing")
            continue
        regex = dep5.globs_to_re([pattern])
        if not any(regex.match(f) for f in tracked if f):
            problems.append(f"{pattern} matches no file of the repository")

for problem in problems:
    print(f"check_copyright: {problem}", file=sys.stderr)
if problems:
    sys.exit(1)
print(f"check_copyright: {path} is valid DEP-5 ({sum(1 for _ in parsed.all_files_paragraphs())} Files "
      f"paragraphs, licences {', '.join(sorted(defined))})")
