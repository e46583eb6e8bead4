#!/usr/bin/python3
"""Checks the Debian copyright file: a strict DEP-5 parse (python3-debian), every licence a
Files paragraph names defined once, and every Files pattern matching something real: a file
of the repository, or a file of a Debian package that is compiled in (stb_image.h from
libstb-dev, the Wayland protocol descriptions from wayland-protocols and
plasma-wayland-protocols). Such a file must also still carry the notice its paragraph gives:
each copyright line and the licence's text (or its SPDX identifier).
Usage: check_copyright.py <copyright file> <repository root>"""
import os
import re
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
protocols = "/usr/share/wayland-protocols"
built_in = {
    "stb_image.h": "/usr/include/stb/stb_image.h",
    "xdg-shell.xml": f"{protocols}/stable/xdg-shell/xdg-shell.xml",
    "viewporter.xml": f"{protocols}/stable/viewporter/viewporter.xml",
    "fractional-scale-v1.xml": f"{protocols}/staging/fractional-scale/fractional-scale-v1.xml",
    "xdg-output-unstable-v1.xml": f"{protocols}/unstable/xdg-output/xdg-output-unstable-v1.xml",
    "ext-idle-notify-v1.xml": f"{protocols}/staging/ext-idle-notify/ext-idle-notify-v1.xml",
    "idle.xml": "/usr/share/plasma-wayland-protocols/idle.xml",
}
# A file whose notice names its licence by its SPDX identifier instead of carrying its text.
spdx = {"LGPL-2.1+": "LGPL-2.1-or-later"}


def words(text):
    """The text with its spacing and DEP-5's "." blank lines evened out, to compare."""
    return " ".join(w for w in text.split() if w != ".")


def says(text, phrase):
    """Whether text holds phrase as whole words."""
    return re.search(r"(?<!\S)" + re.escape(words(phrase)) + r"(?!\S)", text) is not None


def notice_problems(pattern, source, paragraph, names):
    with open(source, encoding="utf-8", errors="replace") as f:
        text = words(f.read())
    found = []
    for line in paragraph.copyright.split("\n"):
        if not says(text, line):
            found.append(f"{pattern}: {source} does not say {line.strip()!r}")
    for name in names:
        licence = paragraph.license.text or defined.get(name.strip(), "")
        identifier = spdx.get(name.strip())
        if identifier and says(text, f"SPDX-License-Identifier: {identifier}"):
            continue
        if not says(text, licence):
            found.append(f"{pattern}: {source} does not carry the text of {name.strip()!r}")
    return found

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
            else:
                problems += notice_problems(pattern, built_in[pattern], paragraph, names)
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
