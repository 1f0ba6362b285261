#!/usr/bin/env python3
"""rooms.py [ROOT]: checks the rooms of the product code.

Prints the include graph's circles (between modules, a module being a header
and its source file of the same name), every include that runs from a lower
room up to a higher one, and each room's share of the product's lines.
Exits 1 when there is a circle, an upward include, a room holding more than a
quarter of the lines, or an include of a file no room holds.
"""
import collections
import pathlib
import re
import sys

# From the lowest up; a room may include only from itself and the rooms
# before it. Rooms on one line stand side by side and may not include each other.
ORDER = [
    ["base"],
    ["memory"],
    ["raster"],
    ["files"],
    ["jpeg"],
    ["formats"],
    ["controls"],
    ["SelShape"],
    ["compose"],
    ["photo"],
    ["adjust"],
    ["history"],
    ["app"],
]
MAX_SHARE = 0.25
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    rank = {room: i for i, rooms in enumerate(ORDER) for room in rooms}
    files = {}  # file name -> (room, path)
    for room in rank:
        for path in sorted((root / room).glob("*")):
            if path.suffix in (".h", ".cpp"):
                files[path.name] = (room, path)

    def module(name):
        return files[name][0] + "/" + pathlib.Path(name).stem

    faults = []
    edges = collections.defaultdict(set)  # module -> modules it includes
    lines = collections.Counter()
    for name, (room, path) in files.items():
        text = path.read_text(encoding="utf-8")
        lines[room] += text.count("\n")
        for included in INCLUDE.findall(text):
            if included.startswith("ui_"):
                continue  # made by uic from the window's description
            if included not in files:
                faults.append(f"{room}/{name}: includes {included}, which no room holds")
                continue
            target_room = files[included][0]
            if rank[target_room] > rank[room] or (
                rank[target_room] == rank[room] and target_room != room
            ):
                faults.append(f"{room}/{name}: includes {target_room}/{included}, a higher room")
            if module(included) != module(name):
                edges[module(name)].add(module(included))

    circles = find_circles(edges)
    for circle in circles:
        faults.append("circle: " + " -> ".join(circle + [circle[0]]))

    total = sum(lines.values())
    print(f"product lines: {total}")
    for rooms in ORDER:
        for room in rooms:
            share = lines[room] / total if total else 0
            mark = "  (more than a quarter)" if share > MAX_SHARE else ""
            print(f"  {room:10} {lines[room]:6}  {share:6.1%}{mark}")
            if share > MAX_SHARE:
                faults.append(f"{room}: {share:.1%} of the product's lines")
    print(f"include circles: {len(circles)}")
    for fault in faults:
        print("FAULT " + fault)
    return 1 if faults else 0


def find_circles(edges):
    """The strongly connected parts of more than one module (Tarjan), each in a
    walking order, so a circle of any length is told once."""
    index, low, on_stack, stack, parts = {}, {}, set(), [], []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(edges.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            part = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                part.append(member)
                if member == node:
                    break
            if len(part) > 1:
                parts.append(sorted(part))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return parts


if __name__ == "__main__":
    sys.exit(main())
