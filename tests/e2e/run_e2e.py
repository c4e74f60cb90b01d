#!/usr/bin/env python3
"""End-to-end test: the real Vimbrel.exe in a Wine desktop with a taskbar, driven as a user would."""

# A copy of a booted Wine prefix and a Wine desktop named "shell" on the X
# display the test command provides; the desktop's taskbar has a notification
# area. xdotool clicks; tray_probe.exe, on the same desktop, reports what is
# there. One line per check, then the number failed. Each scenario starts the
# program if it is not running, so each stands on its own.

import argparse
import getpass
import os
import shutil
import subprocess
import sys
import time

# The main menu's items as the keyboard reaches them, separators skipped.
MAIN_MENU = ["Элементы", "Создать ярлык...", "Открыть каталог", "Обновить", "Anti-Hide", "Anti-Hide в терминальной сессии",
             "Запускать с Windows", "Показывать значки на панели задач", "Справка", "Выход"]


# Asks until the condition holds or the deadline passes; answers its last answer.
def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while not (answer := condition()) and time.monotonic() < deadline:
        time.sleep(0.1)
    return answer


class Desktop:
    def __init__(self, args):
        self.args, self.work, self.failed = args, os.path.abspath(args.work), 0
        self.prefix = os.path.join(self.work, "prefix")
        self.appdata = rf"C:\users\{getpass.getuser()}\AppData\Roaming\Quenwald\Vimbrel"
        self.elements = os.path.join(self.prefix, "drive_c", self.appdata[3:].replace("\\", "/"))
        self.exe = "Z:" + os.path.abspath(args.exe).replace("/", "\\")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        XDG_DATA_HOME=os.path.join(self.work, "xdg"))

    def start(self):
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.copytree(self.args.prefix, self.prefix, symlinks=True)
        # The desktop closes with its last program: the probe holds it open.
        self.launch(self.args.probe, "hold", "900")
        if not wait_for(lambda: self.shown("Shell_TrayWnd"), 60):
            raise RuntimeError("no Wine desktop with a taskbar")

    # Ends every Wine process of the prefix, and with them what launch() started.
    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        shutil.rmtree(self.prefix, ignore_errors=True)

    def launch(self, *command):
        subprocess.Popen([self.args.wine, "explorer", "/desktop=shell,1024x768", *command], env=self.env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wine(self, *command, timeout=60):
        return subprocess.run([self.args.wine, *command], env=self.env, capture_output=True, timeout=timeout)

    def probe(self, *command):
        # One started while the desktop comes up may hang: it answers nothing.
        try:
            lines = self.wine(self.args.probe, "--desktop", "shell", *command, timeout=15).stdout.decode().splitlines()
        except subprocess.TimeoutExpired:
            return []
        return [line.split("\t") for line in lines[:-1]] if lines[-1:] == ["end"] else []

    # Tooltip: (the icon's tooltip window, x, y); the window stays while the icon is not added again.
    def icons(self):
        return {line[4]: (line[1], int(line[2]), int(line[3])) for line in self.probe("icons") if line[0] == "icon"}

    # The visible top-level windows of a class.
    def shown(self, window_class):
        return [w for w in self.probe("windows") if w[4] == "1" and w[1] == window_class]

    # (pid, priority class) of the running Vimbrel.exe, or None.
    def program(self):
        return next(((int(w[2]), int(w[3])) for w in self.probe("windows") if w[1] == "Quenwald.Vimbrel.Main"), None)

    def running(self):
        if not self.program():
            self.launch(self.exe)
        return wait_for(lambda: "Vimbrel" in self.icons(), 20)

    # Into the elements folder, or wherever `folder` (a Unix path) says.
    def write(self, *names, content="Vimbrel", folder=None):
        for name in names:
            with open(os.path.join(folder or self.elements, name), "w", newline="\r\n") as file:
                file.write(content + "\n")

    def click(self, tooltip, button, times=1):
        icon = self.icons().get(tooltip, (0, 0, 0))
        self.xdotool("mousemove", str(icon[1]), str(icon[2]), "click", "--repeat", str(times), "--delay", "150",
                     str(button), "mousemove", "500", "300")

    # With no window manager, X keys go to the window under the pointer.
    def type_into(self, window, *keys):
        self.xdotool("mousemove", window[6], window[7], *keys)

    # Opens an icon's menu and picks an item with the keyboard.
    def menu(self, tooltip, button, *keys):
        self.click(tooltip, button)
        wait_for(lambda: self.shown("#32768"), 5)
        self.probe("keys", *keys)

    def main_menu(self, item, *then):
        self.menu("Vimbrel", 1, *["down"] * (MAIN_MENU.index(item) + 1), *(then or ["return"]))

    def drive_c(self, name):
        return os.path.join(self.prefix, "drive_c", name)

    def xdotool(self, *command):
        subprocess.run(["xdotool", *command], env=self.env)

    def check(self, condition, what, detail=""):
        self.failed += not condition
        print(("ok - " if condition else "not ok - ") + what + ("" if condition else f" ({detail})"), flush=True)


def start(d):
    d.check(d.running(), "start: the main icon appears with the tooltip \"Vimbrel\"")
    balloon = wait_for(lambda: next((line[1] for line in d.probe("icons") if line[0] == "balloon"), None), 8)
    d.check(balloon and f"\"{d.appdata}\"" in balloon, "start: an empty folder shows the balloon", balloon)
    first = d.program()
    d.check(d.wine("explorer", "/desktop=shell,1024x768", d.exe, timeout=10).returncode == 0 and
            wait_for(lambda: d.shown("#32768"), 5) and (d.program() or [0])[0] == first[0],
            "start: a second copy ends at once, and the first shows its menu", first)
    d.probe("keys", "escape")


def click(d):
    d.running()
    d.write("marker.cmd", content="@echo %CD%>> C:\\marker.txt")
    wait_for(lambda: "marker.cmd" in d.icons(), 5)
    d.click("marker.cmd", 1, times=2)
    started = lambda: open(d.drive_c("marker.txt")).read().split() if os.path.exists(d.drive_c("marker.txt")) else []
    wait_for(started, 10) and wait_for(lambda: len(started()) > 1, 5)  # a second start would come by then
    d.check(started() == [d.appdata], "click: a double click opens the element once, in its own folder", started())


def hotkey(d):
    d.running()
    d.write("hot.cmd", content="@echo hot> C:\\hot.txt", folder=d.drive_c(""))
    d.probe("link", d.appdata + "\\hot.lnk", "C:\\hot.cmd", str(0x600 + ord("H")))  # Ctrl+Alt+H
    wait_for(lambda: "hot" in d.icons(), 10)
    # Its key is registered a moment after its icon comes, once the shortcut is read.
    pressed = any(d.xdotool("mousemove", "500", "300", "key", "ctrl+alt+h") or
                  wait_for(lambda: os.path.exists(d.drive_c("hot.txt")), 2) for _ in range(5))
    d.check(pressed, "hotkey: a shortcut's own key opens it")


def shortcut(d):
    d.running()
    d.write("target.cmd", content="@exit", folder=d.drive_c(""))
    d.main_menu("Создать ярлык...")
    dialog = wait_for(lambda: d.shown("#32770"), 10)
    d.type_into(dialog[0], "type", "--delay", "50", "C:\\target.cmd")
    d.type_into(dialog[0], "key", "Return")
    box = wait_for(lambda: [w for w in d.shown("#32770") if w[5] == "Oskerin - Vimbrel"], 10)
    d.type_into(box[0], "key", "Return")  # the name offered: the file's own
    link = d.appdata + "\\target.cmd.LNK"
    d.check(wait_for(lambda: d.probe("link", link) == [["link", "C:\\target.cmd", "C:\\"]], 10) and
            wait_for(lambda: "target.cmd" in d.icons(), 10),
            "shortcut: made through the real dialogs, to the file chosen, starting in its folder", d.probe("link", link))


def restart(d):
    d.running()
    first = d.program()
    d.probe("endsession")
    d.check(first and wait_for(lambda: d.program() != first, 10) and not d.icons() and d.running(),
            "restart: the Restart Manager's close ends the program and takes its icons away; it starts again")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--exe", "--probe", "--prefix", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--only", nargs="*", help="scenarios to run; all by default")
    d = Desktop(parser.parse_args())
    try:
        d.start()
        for scenario in (start, click, hotkey, shortcut, restart):
            if d.args.only is None or scenario.__name__ in d.args.only:
                try:
                    scenario(d)
                except (OSError, subprocess.SubprocessError, TypeError, IndexError) as error:
                    d.check(False, scenario.__name__, f"broke off: {error!r}")
                d.xdotool("key", "Escape")  # whatever a failed step left open
    except RuntimeError as error:
        d.check(False, "the test desktop", error)
    finally:
        d.stop()
    print(f"{d.failed} failed")
    return 1 if d.failed else 0


if __name__ == "__main__":
    sys.exit(main())
