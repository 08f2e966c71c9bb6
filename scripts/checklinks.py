#!/usr/bin/env python3
"""Checks every relative link of the Markdown pages under a folder.

    checklinks.py ROOT     exit code 0 when every link resolves, 1 otherwise

ROOT is a source checkout or an unpacked release. Every *.md below it
(build trees and .git left out) is read; links in code blocks and code spans
are not links. A relative link must name a file or folder that exists below
ROOT; a link with #anchor into a Markdown page must name one of its headings
(the anchors GitHub makes: lower case, punctuation dropped, blanks as "-").
Links with a scheme (https:, mailto:) are not checked.
"""
import re
import sys
from pathlib import Path
from urllib.parse import unquote

SKIP_DIRS = {".git", "build", "out", "node_modules", "__pycache__"}
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFDEF = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+.*)?$")
HTML = re.compile(r"<(?:a|img)\b[^>]*?\b(?:href|src)\s*=\s*\"([^\"]*)\"", re.IGNORECASE)
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")


def pages(root):
    for p in sorted(root.rglob("*.md")):
        if not any(part in SKIP_DIRS for part in p.relative_to(root).parts[:-1]):
            yield p


def prose_lines(text, blank_code=True):
    """(line number, text) of the lines outside fenced code, code spans
    blanked unless `blank_code` is false (headings keep their code text in
    their anchors)."""
    fence = None
    for n, line in enumerate(text.splitlines(), start=1):
        m = FENCE.match(line)
        if m:
            if fence is None:
                fence = m.group(1)
            elif m.group(1) == fence:
                fence = None
            continue
        if fence is None and not line.startswith("    "):
            yield n, re.sub(r"(`+).*?\1", lambda s: " " * len(s.group(0)), line) if blank_code else line


def slug(heading):
    s = heading.strip().lower()
    s = re.sub(r"[`*_~]|<[^>]+>", "", s)
    s = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", s)
    s = re.sub(r"[^\w\- ]", "", s)
    return s.replace(" ", "-")


def anchors(page, cache={}):
    if page not in cache:
        seen, found = {}, set()
        for _, line in prose_lines(page.read_text(encoding="utf-8"), blank_code=False):
            m = re.match(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$", line)
            if m:
                base = slug(m.group(1))
                k = seen.get(base, 0)
                found.add(base if k == 0 else f"{base}-{k}")
                seen[base] = k + 1
        cache[page] = found
    return cache[page]


def links(page):
    for n, line in prose_lines(page.read_text(encoding="utf-8")):
        for rx in (INLINE, HTML):
            for m in rx.finditer(line):
                yield n, m.group(1)
        m = REFDEF.match(line)
        if m:
            yield n, m.group(1)


def check(root):
    root = Path(root).resolve()
    problems, count = [], 0
    for page in pages(root):
        for n, target in links(page):
            if not target or SCHEME.match(target) or target.startswith("//"):
                continue
            count += 1
            path, _, frag = target.partition("#")
            dest = (page.parent / unquote(path)).resolve() if path else page
            where = f"{page.relative_to(root)}:{n}"
            if root != dest and root not in dest.parents:
                problems.append(f"{where}: {target}: points outside {root.name}")
            elif not dest.exists():
                problems.append(f"{where}: {target}: no such file or folder")
            elif frag and dest.suffix.lower() == ".md" and unquote(frag).lower() not in anchors(dest):
                problems.append(f"{where}: {target}: {dest.name} has no heading #{frag}")
    return problems, count


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    problems, count = check(argv[1])
    for p in problems:
        print(p)
    print(f"{count} relative links checked, {len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
