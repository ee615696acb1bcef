#!/usr/bin/python3
"""Turns the Markdown user guide into one HTML page a browser shows offline.

    GuideHtml.py docs/guide.zh-CN.md build/docs/guide.zh-CN.html

Headings get the same anchors as on the project's web view ("1-安装"), so the
guide's own links between sections keep working; pictures stay relative
(images/...), so the page is read from a folder that holds them beside it.
"""
import html
import re
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STYLE = """
body { max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.6;
       font-family: "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif; }
img { max-width: 100%; border: 1px solid #ccc; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #bbb; padding: 0.3em 0.6em; vertical-align: top; }
pre { background: #f4f4f4; padding: 0.5em; overflow-x: auto; }
code { background: #f4f4f4; }
"""


def main(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    title = re.search(r"^# (.+)$", text, re.MULTILINE)
    body = markdown.markdown(
        text,
        extensions=["tables", "sane_lists", "toc"],
        extension_configs={"toc": {"slugify": slugify_unicode}},
        output_format="html5",
    )
    # A pipe in code inside a table cell is written "\|" so it does not end
    # the cell; the web view shows it as "|", and so does this page.
    body = body.replace("\\|", "|")
    page = (
        '<!DOCTYPE html>\n<html lang="zh-CN">\n<head>\n<meta charset="utf-8">\n'
        f"<title>{html.escape(title.group(1) if title else 'Duvezer')}</title>\n"
        f"<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n"
    )
    with open(target, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: GuideHtml.py GUIDE.md GUIDE.html")
    main(sys.argv[1], sys.argv[2])
