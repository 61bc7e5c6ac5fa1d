#!/usr/bin/python3
"""Every link in the README and in docs/ resolves: a relative link names a
file of the checkout, and a #fragment names a heading of its page, as a
repository host turns headings into fragments (lower case, punctuation
dropped, spaces to hyphens). Links to other hosts are not followed.

    tests/docs/check_links.py [REPO]

Prints each broken link and ends with the line "N passed, M failed".
"""

import pathlib
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")


def prose(text):
    """The page without its fenced code blocks and inline code."""
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    return re.sub(r"`[^`\n]*`", "", text)


def fragments(page):
    """The fragments that the page's headings give."""
    seen = {}
    for heading in re.findall(r"^#{1,6}\s+(.*?)\s*#*$", prose(page.read_text()), flags=re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        yield slug if count == 0 else "%s-%d" % (slug, count)


def main():
    repo = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    pages = [repo / "README.md"] + sorted((repo / "docs").glob("*.md"))
    passed = failed = 0
    for page in pages:
        for target in LINK.findall(prose(page.read_text())):
            if re.match(r"[a-z]+:", target):
                continue
            path, _, fragment = target.partition("#")
            linked = (page.parent / path).resolve() if path else page
            problem = None
            if not linked.exists():
                problem = "no such file"
            elif fragment and (linked.suffix != ".md" or fragment not in set(fragments(linked))):
                problem = "no such heading"
            if problem:
                print("FAIL %s: %s: %s" % (page.relative_to(repo), target, problem))
                failed += 1
            else:
                passed += 1
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
