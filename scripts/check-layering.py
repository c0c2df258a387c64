#!/usr/bin/env python3
"""Checks that every #include "..." in src/ runs down the layering.

Each folder may include its own files and those of the folders listed for it;
anything else (an include up the layering, or between siblings) is reported and
the script exits 1. Only platform/win32 includes the Windows SDK headers.

    scripts/check-layering.py [SRC]      check SRC (default: the project's src/)
    scripts/check-layering.py --self-test
"""
import os
import re
import sys
import tempfile

# Bottom to top. Our components stand on the native files, which stand on the
# Win32 file steps; support, retrieval and app see the platform and the
# components only through the interfaces (platform/*.h), so they build natively
# without them.
ALLOWED = {
    "platform": [],
    "platform/win32": ["platform"],
    "components/files": ["platform", "platform/win32"],
    "components/unpack": ["platform", "components/files"],
    "components/settings": ["platform", "components/files"],
    "support": ["platform"],
    "retrieval": ["platform", "support"],
    "app": ["platform", "support", "retrieval"],
    "program": ["platform", "platform/win32", "components/files", "components/unpack",
                "components/settings", "support", "retrieval", "app"],
}
SDK_HEADERS = {"windows.h", "commctrl.h", "shellapi.h", "wininet.h", "shlobj.h",
               "restartmanager.h", "knownfolders.h", "winreg.h"}
SDK_FOLDERS = ("platform/win32",)
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ANGLED = re.compile(r'^\s*#\s*include\s+<([^>]+)>')


def folder_of(relative):
    """The layering folder a path under src/ belongs to (its resources with it)."""
    parts = relative.split("/")[:-1]
    for depth in (2, 1):
        candidate = "/".join(parts[:depth])
        if candidate in ALLOWED:
            return candidate
    return "/".join(parts)


def violations(src):
    found = []
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            here = folder_of(relative)
            if here not in ALLOWED:
                found.append(f"{relative}: folder {here} has no place in the layering")
                continue
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    quoted = QUOTED.match(line)
                    if quoted and "/" in quoted.group(1):
                        there = folder_of(quoted.group(1))
                        if there != here and there not in ALLOWED[here]:
                            found.append(f"{relative}:{number}: {here} includes {there} "
                                         f"(\"{quoted.group(1)}\")")
                    angled = ANGLED.match(line)
                    if (angled and angled.group(1).lower() in SDK_HEADERS and
                            not here.startswith(SDK_FOLDERS)):
                        found.append(f"{relative}:{number}: <{angled.group(1)}> outside "
                                     "platform/win32")
    return found


def self_test():
    """The check must catch an include up, one between siblings and a stray SDK header."""
    with tempfile.TemporaryDirectory() as src:
        files = {
            "platform/Good.h": '#pragma once\n',
            "app/Up.cpp": '#include "platform/Good.h"\n#include "program/Main.h"\n',
            "components/unpack/Side.cpp": '#include "components/settings/Doc.h"\n',
            "support/Sdk.cpp": '#include <windows.h>\n',
            "retrieval/Fine.cpp": '#include "support/basRegistry.h"\n',
        }
        for relative, text in files.items():
            os.makedirs(os.path.join(src, os.path.dirname(relative)), exist_ok=True)
            with open(os.path.join(src, relative), "w", encoding="utf-8") as out:
                out.write(text)
        found = violations(src)
    expected = ["app/Up.cpp:2: app includes program", "components/unpack/Side.cpp:1: "
                "components/unpack includes components/settings", "support/Sdk.cpp:1: <windows.h>"]
    missing = [e for e in expected if not any(f.startswith(e) for f in found)]
    if missing or len(found) != len(expected):
        print("self-test failed; reported:", *found, sep="\n  ")
        return 1
    print("self-test: the three planted violations are reported, nothing else")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    found = violations(src)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layering")
        return 1
    print("every include runs down the layering")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
