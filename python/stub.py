#!/usr/bin/env python3
"""The module's type stub, made from its template at build time.

    stub.py TEMPLATE TABLE FORMNAMES OUT

@SCHEMES@ in the template becomes the romanisations' names: the columns of TABLE's header
row that follow unit, sign, kind and name, in order, with the project's own dialect, iso,
the default, first (the table need not have a column for it). @FORMS@ becomes the names of
the forms, as the program FORMNAMES, built with the library, writes them.
"""
import subprocess
import sys

DEFAULT = "iso"
LEADING = ["unit", "sign", "kind", "name"]


def schemes(table):
    with open(table, encoding="utf-8") as f:
        header = f.readline().lstrip("#").split()
    if header[:len(LEADING)] != LEADING:
        sys.exit(f"{table}: the header row does not start with {' '.join(LEADING)}")
    names = header[len(LEADING):]
    return [DEFAULT] + [n for n in names if n != DEFAULT]


def names(program, *args):
    listed = subprocess.run([program, *args], capture_output=True, text=True, check=True).stdout.split()
    if not listed:
        sys.exit(f"{program} {' '.join(args)}: no names")
    return listed


def literal(names):
    return ", ".join(f'"{n}"' for n in names)


def main():
    template, table, program, out = sys.argv[1:]
    with open(template, encoding="utf-8") as f:
        stub = f.read()
    stub = stub.replace("@SCHEMES@", literal(schemes(table))).replace("@FORMS@", literal(names(program)))
    stub = stub.replace("@SCRIPTS@", literal(names(program, "scripts")))
    with open(out, "w", encoding="utf-8") as f:
        f.write(stub)


if __name__ == "__main__":
    main()
