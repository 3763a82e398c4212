#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a folder under src/ includes a header from a folder it must not.

The layers point one way (docs/architecture.md):
  model <- store <- prompter <- prompter_view <- prompter_window, prompter <- main_window,
  model <- import <- main_window, main_window <- remote (the network remote), app on top, ui
  and platform as leaves. model, store and prompter use QtCore alone; import uses QtCore and
  QtGui, no widgets.
"""
import pathlib
import re
import sys

# What each folder may include besides itself.
ALLOWED = {
    "model": set(),
    "platform": set(),
    "ui": set(),
    "store": {"model"},
    "import": {"model"},
    "prompter": {"model", "store", "platform"},
    "prompter_view": {"model", "store", "prompter", "platform", "ui"},
    "prompter_window": {"model", "store", "prompter", "prompter_view", "platform", "ui"},
    "main_window": {"model", "store", "prompter", "import", "platform", "ui"},
    "remote": {"model", "store", "prompter", "main_window", "platform", "ui"},
    "app": {"model", "store", "prompter", "prompter_view", "prompter_window", "main_window",
            "import", "remote", "platform", "ui"},
}
CORE_ONLY = {"model", "store", "prompter"}
# Readers run off the GUI thread: QtGui's text document is fine there, widgets are not.
NO_WIDGETS = {"import"}
GUI_MODULES = ("QtGui", "QtWidgets", "QtOpenGL", "QtOpenGLWidgets")
QT_INCLUDE = pathlib.Path("/usr/include/x86_64-linux-gnu/qt6")

LOCAL = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"', re.M)
SYSTEM = re.compile(r"^\s*#\s*include\s+<([^>]+)>", re.M)


def qt_module(header):
    """QtGui for <QColor> or <QtGui/QColor>, None for anything that is not a Qt header."""
    if "/" in header:
        module = header.split("/", 1)[0]
        return module if module.startswith("Qt") else None
    if not header.startswith("Q"):
        return None
    for module in GUI_MODULES + ("QtCore",):
        if (QT_INCLUDE / module / header).exists():
            return module
    return None


def check(src):
    faults = []
    for folder in sorted(p for p in src.iterdir() if p.is_dir()):
        name = folder.name
        if name not in ALLOWED:
            faults.append(f"{folder}: a folder the layer table does not know; add it")
            continue
        for path in sorted(folder.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            text = path.read_text(encoding="utf-8")
            for target in LOCAL.findall(text):
                if target != name and target not in ALLOWED[name]:
                    faults.append(f"{path}: {name}/ includes {target}/")
            if name in CORE_ONLY:
                for header in SYSTEM.findall(text):
                    if qt_module(header) in GUI_MODULES:
                        faults.append(f"{path}: {name}/ is QtCore-only but includes <{header}>")
            if name in NO_WIDGETS:
                for header in SYSTEM.findall(text):
                    if qt_module(header) in ("QtWidgets", "QtOpenGLWidgets"):
                        faults.append(f"{path}: {name}/ uses no widgets but includes <{header}>")
    return faults


def main():
    root = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2]
    faults = check(root / "src")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layers")
        return 1
    print("layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
