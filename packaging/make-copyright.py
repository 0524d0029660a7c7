#!/usr/bin/env python3
"""Writes the Debian package's machine-readable copyright file.

   make-copyright.py MANIFEST ATTRIBUTION OUT

Every sticker taken from an openly licensed set gets the set's copyright and licence, as
the manifest (one row per sticker: file, source, ..., licence) and ATTRIBUTION.md (the
sets, their owners and licence texts) say; the rest of the package is the program's own.
"""
import re
import sys

# The manifest's source prefix: the set's name in ATTRIBUTION.md, its copyright line and
# the licence's short name in the copyright file.
SETS = {
    "fluent": ("Fluent Emoji (flat style)", "Microsoft Corporation", "Expat"),
    "noto": ("Noto Emoji", "Google Inc.", "Apache-2.0"),
    "twemoji": ("Twemoji", "Twitter, Inc. and other contributors", "CC-BY-4.0"),
    "openclipart": ("Open Clip Art Library", "their authors, who dedicated them to the public domain",
                    "public-domain"),
}
MANIFEST_LICENCE = {"fluent": "MIT", "noto": "Apache-2.0", "twemoji": "CC-BY-4.0",
                    "openclipart": "public-domain"}

PROGRAM = """\
 Merrowick, its help pages and the artwork drawn for it (the stickers marked "own" and
 "style" in the sources' manifest, the text bubbles, the interface pictures and the
 icon) are the work of the Merrowick developers, who have not yet chosen a licence for
 them. Until they do, they may be installed, used and passed on only as this package,
 unchanged."""

CC_BY = """\
 Licensed under the Creative Commons Attribution 4.0 International licence. You may
 share and adapt the material for any purpose, even commercially, as long as you give
 appropriate credit, provide a link to the licence and indicate if changes were made.
 .
 The full text of the licence is at https://creativecommons.org/licenses/by/4.0/legalcode
 .
 The pictures were changed as ATTRIBUTION.md (in this folder) describes."""

PUBLIC_DOMAIN = """\
 The authors of these pictures dedicated them to the public domain through the Open Clip
 Art Library; each source file names its author in its metadata."""

APACHE = """\
 Licensed under the Apache License, Version 2.0 (the "License"); you may not use these
 files except in compliance with the License. You may obtain a copy of the License at
 http://www.apache.org/licenses/LICENSE-2.0
 .
 Unless required by applicable law or agreed to in writing, software distributed under
 the License is distributed on an "AS IS" BASIS, WITHOUT WARRANTIES OR CONDITIONS OF ANY
 KIND, either express or implied. See the License for the specific language governing
 permissions and limitations under the License.
 .
 On Debian systems, the complete text of the Apache License, Version 2.0 can be found
 in "/usr/share/common-licenses/Apache-2.0"."""


def indented(text):
    """A licence text as a field's continuation lines: a space first, '.' for an empty line."""
    lines = [line.rstrip() for line in text.strip("\n").split("\n")]
    return "\n".join(" " + line.strip() if line.strip() else " ." for line in lines)


def mit_text(attribution):
    """The MIT licence as ATTRIBUTION.md quotes it (its indented block)."""
    match = re.search(r"\n    MIT License\n(.*?)\n\n## ", attribution, re.S)
    if not match:
        sys.exit("ATTRIBUTION.md quotes no MIT licence")
    body = re.sub(r"^    ", "", match.group(1), flags=re.M)
    body = re.sub(r"^Copyright.*\n", "", body.strip("\n"), flags=re.M)
    return indented(body)


def main(manifest_path, attribution_path, out_path):
    attribution = open(attribution_path, encoding="utf-8").read()
    files = {name: [] for name in SETS}
    for line in open(manifest_path, encoding="utf-8"):
        if line.startswith("#") or not line.strip():
            continue
        cols = line.rstrip("\n").split("\t")
        source = cols[1].split(":", 1)[0]
        if source in SETS:
            if cols[4] != MANIFEST_LICENCE[source]:
                sys.exit(f"{cols[0]}: licence {cols[4]} is not its set's")
            files[source].append(cols[0])
    out = ["Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/",
           "Upstream-Name: Merrowick",
           "Upstream-Contact: The Merrowick developers <maintainers@merrowick.example>",
           "",
           "Files: *",
           "Copyright: 2026 The Merrowick developers",
           "License: Merrowick"]
    for source, (title, owner, licence) in SETS.items():
        if title not in attribution:
            sys.exit(f"ATTRIBUTION.md does not name {title}")
        if not files[source]:
            continue
        paths = sorted(f"usr/share/merrowick/clipart/{name}" for name in files[source])
        out += ["", "Files: " + paths[0]] + [" " + p for p in paths[1:]]
        out += [f"Copyright: {owner}", f"License: {licence}",
                f"Comment: {title}, changed as ATTRIBUTION.md (in this folder) describes."]
    out += ["", "License: Merrowick", indented(PROGRAM),
            "", "License: Expat", mit_text(attribution),
            "", "License: Apache-2.0", indented(APACHE),
            "", "License: CC-BY-4.0", indented(CC_BY),
            "", "License: public-domain", indented(PUBLIC_DOMAIN)]
    open(out_path, "w", encoding="utf-8").write("\n".join(out) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
