#!/usr/bin/env python3
"""Prints what a screen reader sees of an application's windows: one line per accessible,
"role<TAB>name<TAB>value" (value empty when the object has none). A link without a name of its
own is named by the text it covers, as a screen reader reads it. Waits up to 10 s for the
application (by name) to appear on the accessibility bus."""
import sys
import time

import pyatspi


def link_text(node):
    try:
        link = node.queryHyperlink()
        return node.parent.queryText().getText(link.startIndex, link.endIndex)
    except NotImplementedError:
        return ""


def walk(node, depth=0):
    if node is None or depth > 30:
        return
    try:
        value = str(node.queryValue().currentValue)
    except NotImplementedError:
        value = ""
    print(f"{node.getRoleName()}\t{node.name or link_text(node)}\t{value}")
    for child in node:
        walk(child, depth + 1)


def main():
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        apps = [a for a in pyatspi.Registry.getDesktop(0) if a and a.name == sys.argv[1]]
        if apps and apps[0].childCount > 0:
            for app in apps:
                walk(app)
            return 0
        time.sleep(0.2)
    print(f"no application {sys.argv[1]!r} on the accessibility bus", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
