#!/usr/bin/env python3
"""Checks the source tree's structure; exits non-zero on a breach.

  check_layers.py graph     the folders' include graph has no cycle (between top-level folders
                            and between subsystem folders such as engine/video and
                            engine/camera), and core/ stands on platform/ and strings/ alone
  check_layers.py boundary  product code outside platform/ and mux/ uses no X11, PulseAudio,
                            curl or POSIX header and no std::filesystem

Product code is every C/C++ file outside tests/, testing/ and bench/ folders.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
SOURCE_ENDINGS = (".cpp", ".h", ".c", ".inc")
TOP_FOLDERS = {"strings", "platform", "crashrep", "core", "engine", "online", "mux", "ui", "tray",
               "skin", "app"}
NOT_PRODUCT = {"tests", "testing", "bench", "build"}
QUOTED_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ANGLE_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>')
# Headers that belong to the platform layer alone.
PLATFORM_HEADERS = re.compile(r'^(X11/|pulse/|curl/|sys/|unistd\.h$|fcntl\.h$|dirent\.h$|poll\.h$|'
                              r'spawn\.h$|filesystem$)')
FILESYSTEM_USE = re.compile(r'\bstd::filesystem\b|\bnamespace\s+\w+\s*=\s*std::filesystem\b')
# The only folders core/ may use.
CORE_MAY_USE = {"core", "platform", "strings"}


def product_files():
    for folder, subfolders, files in os.walk(ROOT):
        rel = os.path.relpath(folder, ROOT)
        parts = [] if rel == "." else rel.split(os.sep)
        if parts and (parts[0] not in TOP_FOLDERS or parts[0].startswith(".")):
            subfolders[:] = []
            continue
        subfolders[:] = [s for s in subfolders if s not in NOT_PRODUCT and not s.startswith(".")]
        if not parts:
            continue
        for name in files:
            if name.endswith(SOURCE_ENDINGS):
                yield "/".join(parts + [name])


def read_lines(path):
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
        return f.readlines()


def folder_of(path, depth):
    parts = path.split("/")[:-1]
    return "/".join(parts[:depth])


def cycles(edges):
    """Strongly connected components with more than one member (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for other in sorted(edges.get(node, {})):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on_stack:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def check_graph():
    failures = []
    for depth in (1, 2):
        edges = {}
        for path in product_files():
            source = folder_of(path, depth)
            for line in read_lines(path):
                match = QUOTED_INCLUDE.match(line)
                if not match or match.group(1).split("/")[0] not in TOP_FOLDERS:
                    continue
                target = folder_of(match.group(1), depth)
                if target and target != source:
                    edges.setdefault(source, {}).setdefault(target, path + " includes " + match.group(1))
        for component in cycles(edges):
            failures.append("folder cycle: " + " <-> ".join(component))
            for a in component:
                for b, why in sorted(edges.get(a, {}).items()):
                    if b in component:
                        failures.append("  " + why)
        if depth == 1:
            for target, why in sorted(edges.get("core", {}).items()):
                if target not in CORE_MAY_USE:
                    failures.append("core/ uses " + target + "/: " + why)
    return failures


def check_boundary():
    failures = []
    for path in product_files():
        if path.split("/")[0] in ("platform", "mux"):
            continue
        for number, line in enumerate(read_lines(path), 1):
            match = ANGLE_INCLUDE.match(line)
            if match and PLATFORM_HEADERS.match(match.group(1)):
                failures.append(f"{path}:{number}: includes <{match.group(1)}>")
            elif FILESYSTEM_USE.search(line.split("//")[0]):
                failures.append(f"{path}:{number}: uses std::filesystem")
    return failures


def main():
    checks = {"graph": check_graph, "boundary": check_boundary}
    if len(sys.argv) != 2 or sys.argv[1] not in checks:
        print(__doc__)
        return 2
    failures = checks[sys.argv[1]]()
    for failure in failures:
        print(failure)
    print(f"{sys.argv[1]}: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
