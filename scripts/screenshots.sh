#!/usr/bin/env bash
# Takes the README's pictures from the real program: builds Vimbrel.exe,
# starts it in a Wine desktop on a virtual X server with three elements in its
# folder (a text file, a command script and a shortcut), and saves
#   docs/images/tray.png          the notification area with their icons
#   docs/images/main-menu.png     the main icon's menu (a left click)
#   docs/images/element-menu.png  an element's menu (a right click)
# Rerun it whenever the icons or the menus change; never edit the pictures by
# hand. It drives the desktop as the end-to-end test does (tests/e2e), and
# leaves the PNGs unchanged when nothing on screen has changed.
#
# Usage: scripts/screenshots.sh [IMAGES]   (docs/images by default)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
images=$(realpath -m "${1:-$ROOT/docs/images}")
cd "$ROOT"

install_packages
preset=$(runnable_preset)
build "$preset" Vimbrel tray_probe
bits=64
[ "$preset" = mingw-i686 ] && bits=32
boot_prefix "$ROOT/build/$preset/wineprefix" "win$bits"
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
start_xvfb 97
mkdir -p "$images"

PYTHONDONTWRITEBYTECODE=1 python3 - "$ROOT/build/$preset" "$(wine_loader)" "$images" <<'EOF'
import os
import subprocess
import sys
import types

sys.path.insert(0, "tests/e2e")
from run_e2e import Desktop, wait_for  # noqa: E402

build, wine, images = sys.argv[1:]
SIZE = "1024x768"
# What a user might keep there; the shortcut is made by Windows Script Host below.
FILES = {"Заметки.txt": "Купить хлеб\n", "Сборка.cmd": "@echo off\ncmake --build build\n"}
LINK = ("Блокнот.lnk", r"C:\windows\system32\notepad.exe")
MARGIN = 6


def screen():
    # Raw pixels: PNG bytes of two equal screens may differ.
    return subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout


def settled():
    # Menus open and icons draw step by step: the screen is taken once two looks in a row agree.
    shots = [screen()]
    wait_for(lambda: shots.append(screen()) or shots[-1] == shots[-2], 10)
    return shots[-1]


def convert(*arguments, shot=b""):
    return subprocess.run(["convert", "-size", SIZE, "-depth", "8", *arguments], input=shot, capture_output=True,
                          check=True).stdout.decode()


# The top left corner of where a screen differs from the idle one saved before.
def changed(shot):
    box = convert("rgb:-", "(", "-size", SIZE, "-depth", "8", f"rgb:{work}/idle.rgb", ")", "-compose",
                  "difference", "-composite", "-format", "%@", "info:", shot=shot)
    left, top = box.split("+")[1:]
    return int(left), int(top)


def save(shot, left, top, name):
    # No time chunks, so that an unchanged picture stays the same file.
    convert("rgb:-", "-crop", f"{1024 - left}x{768 - top}+{left}+{top}", "+repage", "-strip",
            "-define", "png:exclude-chunks=date,time", os.path.join(images, name), shot=shot)
    print("Saved", os.path.join(images, name))


work = os.path.join(build, "screenshots")
d = Desktop(types.SimpleNamespace(exe=os.path.join(build, "Vimbrel.exe"), prefix=os.path.join(build, "wineprefix"),
                                  probe=os.path.join(build, "tests", "e2e", "tray_probe.exe"), work=work, wine=wine))
try:
    d.start()
    os.makedirs(d.elements)
    for name, text in FILES.items():
        with open(os.path.join(d.elements, name), "w", encoding="utf-8", newline="\r\n") as file:
            file.write(text)
    with open(os.path.join(work, "link.js"), "w") as script:
        script.write("var link = WScript.CreateObject('WScript.Shell').CreateShortcut(WScript.Arguments(0));\n"
                     "link.TargetPath = WScript.Arguments(1);\nlink.Save();\n")
    d.wine("wscript", "Z:" + os.path.abspath(work).replace("/", "\\") + "\\link.js", d.appdata + "\\" + LINK[0], LINK[1])
    if not d.running() or not wait_for(lambda: len(d.icons()) == 1 + len(FILES) + 1, 20):
        sys.exit(f"The icons did not all come: {sorted(d.icons())}")
    d.xdotool("mousemove", "500", "300")
    idle = settled()
    with open(os.path.join(work, "idle.rgb"), "wb") as file:
        file.write(idle)
    # The row from its leftmost icon; icons are about 20 pixels apart and the taskbar 20 high at the bottom.
    row = min(x for _, x, _ in d.icons().values()) - 12
    save(idle, row, 768 - 20, "tray.png")
    for name, tooltip, button in [("main-menu.png", "Vimbrel", 1), ("element-menu.png", "Заметки.txt", 3)]:
        d.click(tooltip, button)
        if not wait_for(lambda: d.shown("#32768"), 5):
            sys.exit(f"No menu for {tooltip}")
        shot = settled()
        left, top = changed(shot)
        save(shot, min(left, row) - MARGIN, top - MARGIN, name)
        # A click beside an open menu closes it.
        d.xdotool("mousemove", "300", "300", "click", "1", "mousemove", "500", "300")
        if not wait_for(lambda: not d.shown("#32768"), 5):
            sys.exit("The menu did not close")
        settled()
finally:
    d.stop()
EOF
