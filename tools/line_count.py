#!/usr/bin/env python3
"""Counts the lines of code and of tests that are neither blank, nor only a
comment, nor a preprocessor line: code in every product folder, tests in
tests/ and the fuzz targets' sources, and their ratio. With -v, every test
file's count, largest first."""
import os
import sys

os.chdir(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def count(path):
    n = 0
    shell = path.endswith(".sh")
    in_block = False
    for line in open(path, errors="replace"):
        s = line.strip()
        if not s:
            continue
        if shell:
            n += not s.startswith("#")
            continue
        if in_block:
            in_block = "*/" not in s
            continue
        if s.startswith("//") or s.startswith("#"):
            continue
        if s.startswith("/*"):
            in_block = "*/" not in s
            continue
        n += 1
    return n


def tree(folder, exts):
    return {os.path.join(root, f): count(os.path.join(root, f))
            for root, _, files in os.walk(folder) for f in files if f.endswith(exts)}


code = {d: sum(tree(d, (".cpp", ".h")).values())
        for d in ["platform", "catalogue", "patterns", "engine", "diff", "ui", "editor", "preview",
                  "app"]}
tests = {**tree("tests", (".cpp", ".h", ".sh")), **tree("fuzz", (".cpp", ".h"))}
total = sum(tests.values())
print(" ".join(f"{d} {n}" for d, n in code.items()))
print(f"code {sum(code.values())}, tests {total}: {total / sum(code.values()):.3f}")
if "-v" in sys.argv[1:]:
    for path, n in sorted(tests.items(), key=lambda item: -item[1]):
        print(n, path)
