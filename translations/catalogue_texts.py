#!/usr/bin/env python3
"""Writes the texts of the layouts and of the string table as a C++ file of
QT_TRANSLATE_NOOP entries, so that lupdate puts them into the catalogues with the contexts
the program looks them up under: a layout's root class for its texts, "StringTable" for
the string table.

    catalogue_texts.py OUTPUT.cpp FILE.layout... strings.txt...
"""
import re
import sys

# The properties whose strings a user sees; the layout reader translates the same ones.
TEXT_PROPERTIES = {"caption", "hint", "text", "texthint", "title", "filter", "strings"}

TOKEN = re.compile(r"""\s*(?:(?P<string>(?:'(?:[^']|'')*'|\#\d+)+)|(?P<other>[^\s']+))""")
PIECE = re.compile(r"'((?:[^']|'')*)'|#(\d+)")


def decode(literal):
    return "".join(m.group(1).replace("''", "'") if m.group(1) is not None
                   else chr(int(m.group(2))) for m in PIECE.finditer(literal))


def layout_texts(path):
    """(context, text) of every text property, in file order."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    context, prop, texts = None, None, []
    for line in lines:
        head = re.match(r"\s*object\s+\w+\s*:\s*(\w+)", line) or re.match(r"\s*object\s+(\w+)\s*$", line)
        if head:
            context = context or head.group(1)
            prop = None
            continue
        assign = re.match(r"\s*([\w.]+)\s*=\s*(.*)$", line)
        rest = line
        if assign:
            prop = assign.group(1).split(".")[-1].lower()
            rest = assign.group(2)
        elif not rest.strip().startswith(("'", "#")):
            prop = None
            continue
        if prop not in TEXT_PROPERTIES:
            continue
        for m in TOKEN.finditer(rest):
            if m.group("string"):
                texts.append((context, decode(m.group("string"))))
    return texts


def table_texts(path):
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if line.startswith("#") or "\t" not in line:
                continue
            number, text = line.split("\t", 1)
            if number.strip().isdigit():
                yield ("StringTable", text)


def quoted(text):
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif c == "\n":
            out.append("\\n")
        elif c == "\r":
            out.append("\\r")
        elif c == "\t":
            out.append("\\t")
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def main(argv):
    output, inputs = argv[1], argv[2:]
    seen, entries = set(), []
    for path in inputs:
        texts = table_texts(path) if path.endswith(".txt") else layout_texts(path)
        for context, text in texts:
            # Numbers, sizes and empty captions read the same in every language.
            if not re.search(r"[^\W\d_]", text) or (context, text) in seen:
                continue
            seen.add((context, text))
            entries.append(f"    QT_TRANSLATE_NOOP({quoted(context)}, {quoted(text)}),\n")
    body = ("// Written by translations/catalogue_texts.py from the layouts and the string table:\n"
            "// read by lupdate only, never compiled.\n"
            "static const char* const texts[] = {\n" + "".join(entries) + "};\n")
    try:
        with open(output, encoding="utf-8") as f:
            if f.read() == body:
                return 0
    except OSError:
        pass
    with open(output, "w", encoding="utf-8") as f:
        f.write(body)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
