#!/usr/bin/env python3
"""Checks the shape of the house that a reader can see from the sources:

- floors: nothing under platform/, catalogue/, patterns/ or engine/
  includes a header from app/, ui/, editor/, preview/ or diff/, and diff/
  includes nothing from app/; the core folders include no Qt header;
- sizes: no product file longer than 500 lines, no product function longer
  than 60 (counted from its signature to its closing brace);
- one place: the batch usage line and the version number are each written
  in one C++ source only.

Prints every finding and exits 1 when there is one.

  tools/house_check.py [-v]   (-v: the ten longest functions too)
"""
import os
import re
import sys

ROOT = os.environ.get("HOUSE_ROOT") or os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PRODUCT = ["platform", "catalogue", "patterns", "engine", "diff", "ui", "editor", "preview", "app"]
CORE = ["platform", "catalogue", "patterns", "engine"]
FRONT = ["app", "ui", "editor", "preview", "diff"]
CONTROL = {"if", "for", "while", "switch", "catch", "do", "else", "try", "return", "sizeof"}


def sources(folders):
    for folder in folders:
        for root, _, files in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(root, name), ROOT)


def blank_out(text):
    """The text with comments, strings and character literals blanked,
    line breaks kept, so that braces can be counted."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) + len(m.group(1)) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (j - i - 1) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(path):
    """(name, first line, lines) of each function body in the file: a brace
    block whose head (the text since the last ';', '{' or '}') ends in a
    parameter list, optionally followed by qualifiers or an initializer
    list, and is no control statement, class or lambda."""
    text = blank_out(open(os.path.join(ROOT, path), errors="replace").read())
    found, stack, head_start = [], [], 0
    for i, c in enumerate(text):
        if c == "{":
            head = text[head_start:i]
            stack.append((i, head))
            head_start = i + 1
        elif c == "}":
            if stack:
                start, head = stack.pop()
                flat = " ".join(head.split())
                name = re.match(r".*?([~\w:]+)\s*\(", flat)
                is_function = (name and not flat.startswith(("class ", "struct ", "namespace", "enum", "union"))
                               and name.group(1).split("::")[-1] not in CONTROL
                               and "=" not in flat.split("(")[0] and not flat.endswith("]")
                               and re.search(r"\)[\w\s:&*<>,()\[\]{}-]*$", flat)
                               and not re.match(r"^\s*(\[|\w+\s*=\s*\[)", flat))
                if is_function:
                    first = text.count("\n", 0, start - len(head) + len(head) - len(head.lstrip()))
                    last = text.count("\n", 0, i)
                    found.append((name.group(1), first + 1, last - first + 1))
            head_start = i + 1
        elif c == ";":
            head_start = i + 1
    return found


def main():
    findings = []
    include = re.compile(r'#include\s+[<"]([^>"]+)[>"]')
    for path in sources(PRODUCT):
        top = path.split("/")[0]
        lines = open(os.path.join(ROOT, path), errors="replace").read().split("\n")
        for number, line in enumerate(lines, 1):
            m = include.match(line.strip())
            if not m:
                continue
            target = m.group(1).split("/")[0]
            if top in CORE and (target in FRONT or target.startswith("Q")):
                findings.append(f"{path}:{number}: the core includes {m.group(1)}")
            if top == "diff" and target == "app":
                findings.append(f"{path}:{number}: diff/ includes {m.group(1)}")
        if len(lines) - 1 > 500:
            findings.append(f"{path}: {len(lines) - 1} lines")
    longest = []
    for path in sources(PRODUCT):
        for name, first, count in functions(path):
            longest.append((count, f"{path}:{first}: {name}"))
            if count > 60:
                findings.append(f"{path}:{first}: {name} has {count} lines")
    for pattern, what in [(r"in_file=IN \[out_file=TEMPLATE \]templet=PATTERN", "the usage line"),
                          (r"version\W+1\.\d|\b1\.1\.0\b", "the version")]:
        places = [p for p in sources(PRODUCT)
                  if re.search(pattern, open(os.path.join(ROOT, p)).read())]
        if len(places) > 1:
            findings.append(f"{what} is written in {len(places)} sources: {', '.join(places)}")
    for finding in findings:
        print(finding)
    if "-v" in sys.argv[1:]:
        for count, where in sorted(longest, reverse=True)[:10]:
            print(count, where)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
