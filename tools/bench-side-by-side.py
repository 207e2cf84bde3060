#!/usr/bin/env python3
"""Joins two runs of one benchmark program, the 32-bit program's and the
64-bit one's, into one set of tables: each row of the first run directly above
the same row of the second, a column naming the program, and a third row with
the 32-bit median as a multiple of the 64-bit one wherever both are times.

    bench-side-by-side.py NAME32 RUN32.md NAME64 RUN64.md
"""
import re
import sys

NUMBER = re.compile(r"^\s*(\d+(?:\.\d+)?)(?:\s|$|\()")


def blocks(path):
    """The file as a list of ('text', line) and ('table', [rows of cells])."""
    out = []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("|"):
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if out and out[-1][0] == "table":
                out[-1][1].append(cells)
            else:
                out.append(("table", [cells]))
        else:
            out.append(("text", line))
    return out


def median(cell):
    """The leading figure of a cell, unless it is a ratio or empty."""
    if "×" in cell:
        return None
    m = NUMBER.match(cell)
    return float(m.group(1)) if m else None


def row(cells):
    return "| " + " | ".join(cells) + " |"


def main(name_a, path_a, name_b, path_b):
    a, b = blocks(path_a), blocks(path_b)
    tables_b = [t for kind, t in b if kind == "table"]
    texts_b = [t for kind, t in b if kind == "text"]
    ti = xi = 0
    for kind, block in a:
        if kind == "text":
            other = texts_b[xi] if xi < len(texts_b) else ""
            xi += 1
            if block == other or not block:
                print(block)
            else:
                print(f"{name_a}: {block}\n{name_b}: {other}")
            continue
        other = tables_b[ti] if ti < len(tables_b) else []
        ti += 1
        header, rows = block[0], block[2:]
        others = {r[0]: r for r in other[2:]}
        print(row([header[0], "program"] + header[1:]))
        print(row(["---", "---"] + ["---:"] * (len(header) - 1)))
        for cells in rows:
            print(row([cells[0], name_a] + cells[1:]))
            twin = others.get(cells[0])
            if not twin:
                print(row([cells[0], name_b] + ["(not run)"] * (len(cells) - 1)))
                continue
            print(row([cells[0], name_b] + twin[1:]))
            ratios = []
            for x, y in zip(cells[1:], twin[1:]):
                mx, my = median(x), median(y)
                ratios.append(f"{mx / my:.2f}×" if mx is not None and my else "")
            if any(ratios):
                print(row([cells[0], f"{name_a} ÷ {name_b}"] + ratios))


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
