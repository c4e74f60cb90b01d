#!/usr/bin/env python3
"""End-to-end test: the real Vimbrel.exe in a Wine desktop with a taskbar.

A fresh copy of a booted Wine prefix, a virtual X server, a Wine desktop named
"shell" (which has a taskbar with a notification area); the program is driven
with xdotool as a user would, and tray_probe.exe, run on the same desktop,
reports what is there. One line per check, "ok - ..." or "not ok - ...", then
"N passed, M failed"; the exit status is 1 when anything failed.
"""

import argparse
import getpass
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

APP_TITLE = "Oskerin - Vimbrel"
MAIN_CLASS = "Quenwald.Vimbrel.Main"
SETTINGS_KEY = r"HKCU\Software\Quenwald\Vimbrel"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
APP_GUID = "{6F1C2B7E-3A94-4D5B-9E08-B2C47A1D5E63}"
HINT_FOLDER = "Добавляйте ярлыки и файлы сюда"
NO_ELEMENTS = ("Нет ни одного элемента для вывода в трэй. Вы можете добавлять файлы или ярлыки "
               "в каталог \"{}\", тогда их иконки появятся здесь.")
SHORTCUT_PROMPT = ("Введите имя файла для ярлыка. Этот ярлык будет помещён в каталог с остальными "
                   "ярлыками, и будет выведен в трей как и все остальные. Расширение .LNK дописывать "
                   "не нужно.")
DESKTOP = "shell"
SCREEN = "1024x768"

# The menus as the user should see them: "-" a separator, "*" checked,
# "!" the default item (bold), ">" opens a submenu.
MAIN_MENU = ["Создать ярлык...", "-", "Открыть каталог", "Обновить", "-", "Anti-Hide",
             "Anti-Hide в терминальной сессии", "Запускать с Windows", "-", ">Справка", "-", "Выход"]
ELEMENT_MENU = ["!Открыть", "-", "Удалить", "-", "Свойства"]


class ProbeError(Exception):
    pass


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, condition, what, detail=""):
        if condition:
            self.passed += 1
            print(f"ok - {what}", flush=True)
        else:
            self.failed += 1
            print(f"not ok - {what}" + (f" ({detail})" if detail else ""), flush=True)
        return condition


def wait_for(predicate, timeout, interval=0.2):
    """Calls predicate until it answers something true or time runs out.
    Answers (value, seconds taken); the value is the last answer."""
    start = time.monotonic()
    while True:
        value = predicate()
        elapsed = time.monotonic() - start
        if value or elapsed >= timeout:
            return value, elapsed
        time.sleep(interval)


class TrayWatch:
    """A probe that reports the icons' tooltips at each change, read on a
    thread of its own so each change is timed as it arrives."""

    def __init__(self, desktop, seconds=15):
        self.process = subprocess.Popen(
            [desktop.args.wine, desktop.args.probe, "--desktop", DESKTOP, "watch-tray", str(seconds * 1000)],
            env=desktop.env, cwd=desktop.work, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.changes = []  # (time, sorted tooltips)
        self.ready = threading.Event()
        self.lock = threading.Lock()
        threading.Thread(target=self.read, daemon=True).start()
        if not self.ready.wait(20):
            self.stop()
            raise ProbeError("the tray watch did not start")

    def read(self):
        for raw in self.process.stdout:
            fields = raw.decode("utf-8", "replace").rstrip("\r\n").split("\t")
            if fields[0] == "ready":
                self.ready.set()
            elif fields[0] == "icons":
                with self.lock:
                    self.changes.append((time.monotonic(), fields[1:]))

    def seconds_until(self, predicate, since, timeout):
        """Seconds from `since` to the first state that satisfies predicate:
        the state then, or one reported later. None if none does in time."""
        def first():
            with self.lock:
                earlier = [i for i, (at, _) in enumerate(self.changes) if at <= since]
                start = earlier[-1] if earlier else 0
                return next((at for at, tooltips in self.changes[start:] if predicate(tooltips)), None)
        at, _ = wait_for(first, timeout, 0.05)
        return None if at is None else round(max(0.0, at - since), 2)

    def last(self):
        with self.lock:
            return self.changes[-1][1] if self.changes else None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def windows_path(unix_path):
    # Wine's drive Z: is the Unix root.
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def read_hint_file(path):
    """The lines of a Desktop.INI, split at CR LF: UTF-16 when it starts with
    a byte-order mark, else the Russian ANSI code page. None if missing."""
    if not os.path.exists(path):
        return None
    content = open(path, "rb").read()
    text = content[2:].decode("utf-16-le") if content[:2] == b"\xff\xfe" else content.decode("cp1251")
    return text.split("\r\n")


class Desktop:
    """The X server, the Wine prefix and the desktop; everything started here
    is ended in stop(), by process id and by ending this prefix's wineserver."""

    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        self.prefix = os.path.join(self.work, "prefix")
        self.shots = args.shots
        self.xvfb = None
        self.launchers = []
        self.env = None
        self.user = getpass.getuser()
        self.elements = os.path.join(self.prefix, "drive_c", "users", self.user, "AppData", "Roaming",
                                     "Quenwald", "Vimbrel")
        self.elements_windows = rf"C:\users\{self.user}\AppData\Roaming\Quenwald\Vimbrel"
        self.trash = os.path.join(self.work, "xdg-data", "Trash", "files")
        self.exe_windows = windows_path(args.exe)

    def boot_prefix(self):
        """Boots the prefix to copy, once, if nobody has yet."""
        if os.path.exists(os.path.join(self.args.prefix, "system.reg")):
            return
        env = dict(os.environ, WINEPREFIX=os.path.abspath(self.args.prefix), WINEARCH=self.args.arch,
                   WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run([self.args.wine, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=180)
        subprocess.run(["wineserver", "-w"], env=env, timeout=60)
        if not os.path.exists(os.path.join(self.args.prefix, "system.reg")):
            raise ProbeError(f"could not boot a Wine prefix in {self.args.prefix}")

    def start(self):
        if os.path.exists(self.work):
            shutil.rmtree(self.work)
        os.makedirs(self.work)
        self.boot_prefix()
        # A copy of the booted prefix is much faster than booting one, and
        # keeps this run's registry and files away from every other run.
        subprocess.run(["cp", "-a", "--reflink=auto", self.args.prefix, self.prefix], check=True)
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        XDG_DATA_HOME=os.path.join(self.work, "xdg-data"))
        self.env["DISPLAY"] = ":" + self.start_xvfb()
        # The desktop lives as long as the probe holding it, not as long as
        # the program, which is ended and started again.
        self.launch([self.args.probe, "hold", "900"])
        time.sleep(1)
        taskbar, _ = wait_for(lambda: self.windows("Shell_TrayWnd"), 60, 0.5)
        if not taskbar:
            raise ProbeError("the Wine desktop with a taskbar did not come up")

    def start_xvfb(self):
        if self.args.display:
            number = self.args.display
            self.xvfb = subprocess.Popen(["Xvfb", ":" + number, "-screen", "0", SCREEN + "x24", "-nolisten",
                                          "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            socket = f"/tmp/.X11-unix/X{number}"
            if not wait_for(lambda: os.path.exists(socket), 10, 0.1)[0]:
                raise ProbeError(f"Xvfb did not start on :{number}")
            return number
        # Let the server pick a free display, so parallel runs never collide.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN + "x24",
                                      "-nolisten", "tcp"], pass_fds=[write_end],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        if not number:
            raise ProbeError("Xvfb did not start")
        return number

    def stop(self):
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, timeout=20)
            except subprocess.TimeoutExpired:
                pass
        for process in self.launchers + [self.xvfb]:
            if process and process.poll() is None:
                process.kill()
            if process:
                process.wait()
        # The copy is as big as the prefix; what else the run made stays.
        shutil.rmtree(self.prefix, ignore_errors=True)

    def launch(self, command):
        """Starts a Windows program on the test's desktop; it joins the desktop
        when started with the same explorer command line."""
        process = subprocess.Popen([self.args.wine, "explorer", f"/desktop={DESKTOP},{SCREEN}"] + command,
                                   env=self.env, cwd=self.work, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.launchers.append(process)

    def wine(self, *command, timeout=30):
        return subprocess.run([self.args.wine] + list(command), env=self.env, cwd=self.work,
                              capture_output=True, timeout=timeout)

    def probe(self, *command):
        """Runs the probe on the desktop; answers its lines split at tabs."""
        for attempt in range(3):
            # A probe started while the desktop is still coming up can fail
            # to join it, or hang: try again.
            try:
                result = self.wine(self.args.probe, "--desktop", DESKTOP, *command, timeout=15)
            except subprocess.TimeoutExpired:
                error = "no answer within 15 s"
                continue
            lines = result.stdout.decode("utf-8", "replace").splitlines()
            if result.returncode == 0 and lines and lines[-1] == "end":
                return [line.split("\t") for line in lines[:-1]]
            error = result.stderr.decode("utf-8", "replace").strip()
            time.sleep(0.3 * (attempt + 1))
        raise ProbeError(f"probe {' '.join(command)} failed: {error}")

    # What the probe sees.

    def icons(self):
        return [(int(l), int(t), int(r), int(b), text)
                for kind, l, t, r, b, text in (line for line in self.probe("tray") if line[0] == "icon")]

    def tooltips(self):
        return [icon[4] for icon in self.icons()]

    def balloon(self):
        for line in self.probe("tray"):
            if line[0] == "balloon":
                return line[1], line[2]
        return None

    def windows(self, classes):
        found = []
        for line in self.probe("windows", classes):
            if line[0] == "window":
                found.append({"hwnd": line[1], "class": line[2], "pid": int(line[3]),
                              "rect": tuple(int(v) for v in line[4:8]), "title": line[8], "children": []})
            elif line[0] == "child" and found:
                found[-1]["children"].append({"class": line[2], "id": int(line[3]), "text": line[4]})
        return found

    def processes(self, name="Vimbrel.exe"):
        return [(int(line[1]), int(line[2], 16)) for line in self.probe("process", name) if line[0] == "process"]

    def open_menu(self):
        lines = self.probe("menu")
        return tuple(int(v) for v in lines[0][2:6]) if lines else None

    # What the user does.

    def xdotool(self, *command):
        subprocess.run(["xdotool"] + list(command), env=self.env, check=True)

    def click(self, icon, button):
        left, top, right, bottom = icon[:4]
        self.xdotool("mousemove", str((left + right) // 2), str((top + bottom) // 2), "click", str(button))
        # The pointer resting on the icon would put its tooltip over the menu.
        self.xdotool("mousemove", "500", "300")

    def screenshot(self, name):
        if not self.shots:
            return
        os.makedirs(self.shots, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(self.shots, name + ".png")], env=self.env)

    def reg_value(self, key, name):
        """The value's data as reg.exe prints it, or None when it is missing."""
        result = self.wine("reg", "query", key, "/v", name)
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            line = line.strip()
            if line.startswith(name + " "):
                _type, _, data = line[len(name):].strip().partition(" ")
                return data.strip()
        return None


class VimbrelTest:
    def __init__(self, desktop, results):
        self.d = desktop
        self.r = results
        self.references = {}
        self.unstartable = False

    # Helpers.

    def element_tooltips(self):
        return sorted(t for t in self.d.tooltips() if t != "Vimbrel")

    def main_icon(self):
        return next((icon for icon in self.d.icons() if icon[4] == "Vimbrel"), None)

    def icon_named(self, text):
        return next((icon for icon in self.d.icons() if icon[4] == text), None)

    def start_program(self):
        if self.unstartable:
            return None
        self.d.launch([self.d.exe_windows])
        main, _ = wait_for(self.main_icon, 20, 0.3)
        # One start that shows no icon is enough to know; waiting again in
        # every later scenario would only stretch a failing run.
        self.unstartable = main is None
        return main

    def ensure_running(self):
        if self.d.processes() and self.main_icon():
            return True
        return bool(self.start_program())

    def reference(self, items):
        wanted = "|".join(items)
        if wanted not in self.references:
            path = os.path.join(self.d.work, f"menu{len(self.references)}.bmp")
            lines = self.d.probe("render-menu", wanted, windows_path(path))
            self.references[wanted] = (path, [tuple(int(v) for v in line[2:6]) for line in lines
                                            if line[0] == "item"])
        return self.references[wanted][0]

    def main_menu(self, anti_hide, autorun=False):
        items = list(MAIN_MENU)
        if anti_hide:
            items[items.index("Anti-Hide")] = "*Anti-Hide"
        if autorun:
            items[items.index("Запускать с Windows")] = "*Запускать с Windows"
        return items

    def open_popup(self, icon, button):
        self.d.click(icon, button)
        menu, _ = wait_for(self.d.open_menu, 5)
        if menu:
            time.sleep(0.4)  # let it finish drawing
        return menu

    def compare_menu(self, items, save_name=None):
        save = [windows_path(os.path.join(self.d.work, save_name + ".bmp"))] if save_name else []
        lines = self.d.probe("compare-menu", self.reference(items), *save)
        return lines[0][1:] if lines else ["no answer"]

    def choose(self, items, caption):
        """Picks an item of the open menu with the keyboard: the first Down
        lights the first item, separators are skipped."""
        plain = [item.lstrip("*!>") for item in items if item != "-"]
        self.d.probe("menukeys", *(["down"] * (plain.index(caption) + 1)), "return")

    def main_menu_command(self, caption):
        main = self.main_icon()
        if not main or not self.open_popup(main, 1):
            return False
        self.choose(MAIN_MENU, caption)
        return True

    def close_menu(self):
        if self.d.open_menu():
            self.d.probe("menukeys", "escape")
            wait_for(lambda: not self.d.open_menu(), 3)

    def dialog(self, title=None, pid=None):
        for window in self.d.windows("#32770"):
            if (title is None or window["title"] == title) and (pid is None or window["pid"] == pid):
                return window
        return None

    def file_in(self, folder, name):
        return os.path.exists(os.path.join(folder, name))

    # Scenarios.

    def scenario_start(self):
        # Before the program runs, so the probe's own menus disturb nothing.
        self.reference(self.main_menu(True))
        self.reference(self.main_menu(False))
        self.reference(self.main_menu(True, autorun=True))
        self.reference(ELEMENT_MENU)

        main = self.start_program()
        self.r.check(main is not None, "start: the main icon appears with the tooltip \"Vimbrel\"",
                     f"icons: {self.d.tooltips()}")
        self.r.check(os.path.isdir(self.d.elements), "start: the elements folder exists in AppData",
                     self.d.elements)
        expected = NO_ELEMENTS.format(self.d.elements_windows)
        balloon, _ = wait_for(self.d.balloon, 8, 0.5)
        self.d.screenshot("balloon")
        self.r.check(balloon is not None and balloon[1] == expected,
                     "start: an empty folder shows the balloon with the folder's path", f"balloon: {balloon}")
        self.r.check(balloon is not None and balloon[0] == APP_TITLE,
                     f"start: the balloon's title is \"{APP_TITLE}\"", f"balloon: {balloon}")

        first = self.d.processes()
        answer = self.d.probe("run", "5000", self.d.exe_windows)
        self.r.check(answer == [["exit", "0"]], "start: a second instance ends within 5 s with exit code 0",
                     f"answer: {answer}")
        self.r.check(first and self.d.processes() == first, "start: the first instance keeps running",
                     f"before: {first}, after: {self.d.processes()}")
        self.r.check(len(first) == 1 and first[0][1] == 0x40, "start: the program runs in the idle priority class",
                     f"processes (pid, class): {first}")

        menu = self.open_popup(main, 1) if main else None
        self.d.screenshot("main-menu")
        answer = self.compare_menu(self.main_menu(True), "main-menu-shown") if menu else ["no menu"]
        self.r.check(answer == ["match", "0"],
                     "start: a click on the main icon shows the main menu, Anti-Hide checked",
                     f"compared with the expected menu: {answer}")
        during = self.d.processes()
        self.close_menu()
        after, _ = wait_for(lambda: [p for p in self.d.processes() if p[1] == 0x40], 3)
        self.r.check(menu and [p[1] for p in during] == [0x20] and after,
                     "start: normal priority while the menu is open, idle again once it closed",
                     f"while open: {during}, after: {self.d.processes()}")

    def scenario_element_row(self):
        os.makedirs(self.d.elements, exist_ok=True)
        staging = os.path.join(self.d.prefix, "drive_c", "staging")
        os.makedirs(staging)
        with open(os.path.join(staging, "Readme.txt"), "w") as readme:
            readme.write("Vimbrel end-to-end test\r\n")
        self.d.probe("shortcut", r"C:\staging\Блокнот.lnk", r"C:\windows\notepad.exe")
        with open(os.path.join(staging, "Site.URL"), "w", newline="") as url:
            url.write("[InternetShortcut]\r\nURL=http://example.com/\r\n")
        expected = ["Readme.txt", "Site", "Vimbrel", "Блокнот"]
        watch = TrayWatch(self.d)
        try:
            copied = time.monotonic()
            for name in ("Readme.txt", "Блокнот.lnk", "Site.URL"):
                shutil.copy(os.path.join(staging, name), self.d.elements)
            seconds = watch.seconds_until(lambda tooltips: tooltips == expected, copied, 4)
            self.r.check(seconds is not None and seconds <= 2.0,
                         "element row: three files become three icons within 2 s",
                         f"after {seconds} s, icons: {watch.last()}")
            self.d.screenshot("tray-with-elements")

            removed = time.monotonic()
            os.remove(os.path.join(self.d.elements, "Site.URL"))
            # A rebuild takes every element away before adding them again:
            # only the settled row counts.
            remaining = ["Readme.txt", "Vimbrel", "Блокнот"]
            seconds = watch.seconds_until(lambda tooltips: tooltips == remaining, removed, 4)
            self.r.check(seconds is not None and seconds <= 2.0,
                         "element row: a removed file's icon goes within 2 s",
                         f"after {seconds} s, icons: {watch.last()}")
        finally:
            watch.stop()

    def scenario_left_click(self):
        marker = os.path.join(self.d.prefix, "drive_c", "marker.txt")
        with open(os.path.join(self.d.elements, "marker.cmd"), "w", newline="") as script:
            script.write("@echo clicked> C:\\marker.txt\r\n")
        icon, _ = wait_for(lambda: self.icon_named("marker.cmd"), 4)
        if icon:
            self.d.click(icon, 1)
        launched, seconds = wait_for(lambda: os.path.exists(marker), 10, 0.2)
        self.r.check(launched, "clicks: a left click on an element opens it (the .cmd wrote its marker)",
                     "no icon for marker.cmd" if not icon else f"no marker after {seconds:.1f} s")
        if launched:
            os.remove(marker)
            self.d.click(icon, 2)
            launched, seconds = wait_for(lambda: os.path.exists(marker), 10, 0.2)
            self.r.check(launched, "clicks: a middle click opens it as well", f"no marker after {seconds:.1f} s")
        self.r.check(self.ensure_running() and self.d.processes()[0][1] == 0x40,
                     "clicks: back in the idle priority class after the click", f"{self.d.processes()}")

    def scenario_delete(self):
        icon = self.icon_named("Readme.txt")
        menu = self.open_popup(icon, 3) if icon else None
        self.d.screenshot("element-menu")
        answer = self.compare_menu(ELEMENT_MENU, "element-menu-shown") if menu else ["no menu"]
        self.r.check(answer == ["match", "0"],
                     "clicks: a right click shows the element menu with \"Открыть\" in bold",
                     f"compared with the expected menu: {answer}")
        if not menu:
            return
        self.choose(ELEMENT_MENU, "Удалить")
        confirm, _ = wait_for(lambda: self.dialog(), 5)
        self.d.screenshot("delete-confirmation")
        self.r.check(confirm is not None, "clicks: \"Удалить\" asks the shell's confirmation",
                     "no dialog appeared")
        if not confirm:
            return
        watch = TrayWatch(self.d)
        try:
            self.d.xdotool("key", "Return")
            left, _ = wait_for(lambda: not self.file_in(self.d.elements, "Readme.txt"), 5, 0.02)
            deleted = time.monotonic()
            trashed = left and self.file_in(self.d.trash, "Readme.txt")
            self.r.check(trashed, "clicks: the confirmed file moves to the trash",
                         f"in folder: {os.listdir(self.d.elements)}, trash: "
                         f"{os.listdir(self.d.trash) if os.path.isdir(self.d.trash) else 'none'}")
            seconds = watch.seconds_until(lambda tooltips: "Readme.txt" not in tooltips and "Блокнот" in tooltips,
                                          deleted, 4)
            self.r.check(left and seconds is not None and seconds <= 2.0,
                         "clicks: the deleted element's icon goes within 2 s",
                         f"after {seconds} s, icons: {watch.last()}")
        finally:
            watch.stop()

    def scenario_properties(self):
        pid = self.d.processes()[0][0] if self.d.processes() else None
        icon = self.icon_named("Блокнот")
        if not icon or not self.open_popup(icon, 3):
            return self.r.check(False, "clicks: \"Свойства\" asks the shell for the properties", "no menu")
        self.choose(ELEMENT_MENU, "Свойства")
        # Wine has no Properties sheet for files: it shows an error box of its
        # own, in the program's process, and waits for an answer.
        shown, _ = wait_for(lambda: [w for w in self.d.windows("*") if w["pid"] == pid], 5)
        self.r.check(bool(shown), "clicks: \"Свойства\" asks the shell for the properties",
                     "no window of the program appeared")
        if shown:
            self.d.xdotool("key", "Return")
        settled, _ = wait_for(lambda: [p for p in self.d.processes() if p[1] == 0x40]
                              and not [w for w in self.d.windows("*") if w["pid"] == pid], 5, 0.3)
        self.r.check(settled, "clicks: after \"Свойства\" the program runs on, in the idle class",
                     f"processes: {self.d.processes()}")

    def scenario_create_shortcut(self):
        if not self.main_menu_command("Создать ярлык..."):
            return self.r.check(False, "clicks: \"Создать ярлык...\" opens the file dialog", "no main menu")
        chooser, _ = wait_for(lambda: self.dialog(), 8)
        self.r.check(chooser is not None, "clicks: \"Создать ярлык...\" opens the file dialog", "no dialog")
        if not chooser:
            return
        time.sleep(0.5)
        self.d.xdotool("type", "--delay", "20", r"C:\windows\notepad.exe")
        self.d.xdotool("key", "Return")
        prompt, _ = wait_for(lambda: self.dialog(APP_TITLE), 8)
        texts = [child["text"] for child in prompt["children"]] if prompt else []
        self.r.check(prompt is not None and SHORTCUT_PROMPT in texts and "notepad.exe" in texts,
                     "clicks: the name prompt shows its text with the file's name preset", f"texts: {texts}")
        if not prompt:
            return
        watch = TrayWatch(self.d)
        try:
            self.d.xdotool("key", "Return")
            made, _ = wait_for(lambda: self.file_in(self.d.elements, "notepad.exe.LNK"), 5, 0.02)
            written = time.monotonic()
            self.r.check(made, "clicks: the shortcut \"notepad.exe.LNK\" is written to the folder",
                         f"folder: {os.listdir(self.d.elements)}")
            seconds = watch.seconds_until(lambda tooltips: "notepad.exe" in tooltips, written, 4)
            self.r.check(made and seconds is not None and seconds <= 2.0,
                         "clicks: the new shortcut's icon appears within 2 s",
                         f"after {seconds} s, icons: {watch.last()}")
        finally:
            watch.stop()

    def scenario_open_folder(self):
        before = self.element_tooltips()
        if not self.main_menu_command("Открыть каталог"):
            return self.r.check(False, "clicks: \"Открыть каталог\" opens the folder", "no main menu")
        window, _ = wait_for(lambda: [w for w in self.d.windows("ExplorerWClass,CabinetWClass")
                                      if w["title"] == "Vimbrel"], 10, 0.5)
        self.r.check(bool(window), "clicks: \"Открыть каталог\" opens an Explorer window for the folder",
                     f"windows: {[w['title'] for w in self.d.windows('ExplorerWClass,CabinetWClass')]}")
        hint = os.path.join(self.d.elements, HINT_FOLDER, "Desktop.INI")
        lines = read_hint_file(hint)
        expected = ["[.ShellClassInfo]", f"IconFile      = {self.d.exe_windows}", "IconIndex     = -70",
                    "ConfirmFileOp = 0",
                    "InfoTip       = В этом каталоге хранятся ярлыки и файлы, которые будут выводиться в трее.",
                    ""]
        self.r.check(lines is not None and [line.lower() for line in lines] == [e.lower() for e in expected],
                     "clicks: the hint folder is made, its Desktop.INI names the program's icon",
                     f"{hint}: {lines}")
        time.sleep(1.5)
        self.r.check(self.element_tooltips() == before, "clicks: the hint folder does not become an element",
                     f"before: {before}, after: {self.element_tooltips()}")
        if window:
            self.d.probe("close", "ExplorerWClass")

    def scenario_autorun(self):
        expected = f"\"{self.d.exe_windows}\""
        if not self.main_menu_command("Запускать с Windows"):
            return self.r.check(False, "clicks: \"Запускать с Windows\" registers the program", "no main menu")
        value, _ = wait_for(lambda: self.d.reg_value(RUN_KEY, APP_GUID), 5, 0.3)
        self.r.check(value is not None and value.lower() == expected.lower(),
                     "clicks: \"Запускать с Windows\" registers the quoted program path", f"value: {value!r}")
        main = self.main_icon()
        menu = self.open_popup(main, 3) if main else None
        answer = self.compare_menu(self.main_menu(True, autorun=True)) if menu else ["no menu"]
        self.r.check(answer == ["match", "0"],
                     "clicks: a right click on the main icon shows the main menu, \"Запускать с Windows\" checked",
                     f"compared with the expected menu: {answer}")
        if not menu:
            return
        self.choose(MAIN_MENU, "Запускать с Windows")
        removed, _ = wait_for(lambda: self.d.reg_value(RUN_KEY, APP_GUID) is None, 5, 0.3)
        self.r.check(removed, "clicks: \"Запускать с Windows\" chosen again removes the registration",
                     f"value: {self.d.reg_value(RUN_KEY, APP_GUID)!r}")

    def scenario_about(self):
        pid = self.d.processes()[0][0] if self.d.processes() else None
        main = self.main_icon()
        if not main or not self.open_popup(main, 1):
            return self.r.check(False, "clicks: \"О программе...\" shows the about box", "no main menu")
        plain = [item.lstrip("*!>") for item in MAIN_MENU if item != "-"]
        self.d.probe("menukeys", *(["down"] * (plain.index("Справка") + 1)), "right", "return")
        about, _ = wait_for(lambda: [w for w in self.d.windows("*") if w["pid"] == pid], 5)
        self.d.screenshot("about")
        self.r.check(bool(about), "clicks: \"О программе...\" shows the about box",
                     "no window of the program appeared")
        if about:
            self.d.xdotool("key", "Escape")
            closed, _ = wait_for(lambda: not [w for w in self.d.windows("*") if w["pid"] == pid], 5)
            self.r.check(closed, "clicks: the about box closes with Escape", f"still open: {about[0]['title']}")

    def scenario_exit(self):
        if not self.main_menu_command("Anti-Hide"):
            return self.r.check(False, "clicks: \"Anti-Hide\" toggled", "no main menu")
        time.sleep(0.3)
        if not self.main_menu_command("Выход"):
            return self.r.check(False, "clicks: \"Выход\" ends the program", "no main menu")
        ended, _ = wait_for(lambda: not self.d.processes(), 5, 0.3)
        self.r.check(ended, "clicks: \"Выход\" ends the program", f"processes: {self.d.processes()}")
        left = self.d.tooltips()
        self.r.check(not left, "clicks: no icon is left in the notification area after \"Выход\"", f"{left}")
        stored = self.d.reg_value(SETTINGS_KEY, "Anti-Hide")
        self.r.check(stored == "0x0", "clicks: the toggled Anti-Hide (off) is stored at exit", f"{stored!r}")

        main = self.start_program()
        menu = self.open_popup(main, 1) if main else None
        answer = self.compare_menu(self.main_menu(False)) if menu else ["no menu"]
        self.r.check(answer == ["match", "0"], "clicks: after a restart Anti-Hide is shown unchecked",
                     f"compared with the expected menu: {answer}")
        self.close_menu()

    def scenario_taskbar_restart(self):
        if not self.ensure_running():
            return self.r.check(False, "taskbar restart", "the program is not running")
        before = sorted(self.d.tooltips())
        self.d.probe("remove-icons", MAIN_CLASS, str(len(before) + 5))
        emptied, _ = wait_for(lambda: not self.d.tooltips(), 3)
        self.r.check(emptied and len(before) >= 3,
                     "taskbar restart: the program's icons are taken out of the notification area",
                     f"before: {before}, after: {self.d.tooltips()}")
        self.d.probe("taskbar-created")
        back, seconds = wait_for(lambda: sorted(self.d.tooltips()) == before, 6, 0.3)
        self.r.check(back, "taskbar restart: \"TaskbarCreated\" brings every icon back",
                     f"after {seconds:.1f} s: {sorted(self.d.tooltips())}, expected {before}")

    def scenario_end_from_outside(self):
        if not self.ensure_running():
            return self.r.check(False, "ending from outside", "the program is not running")
        for name in ("Anti-Hide", "Enable Anti-Hide on TS"):
            self.d.wine("reg", "delete", SETTINGS_KEY, "/v", name, "/f")
        deleted = [self.d.reg_value(SETTINGS_KEY, name) for name in ("Anti-Hide", "Enable Anti-Hide on TS")]
        # taskkill without /f asks the program's windows to close; run on the
        # desktop, so it sees them.
        answer = self.d.probe("run", "10000", "taskkill.exe", "/im", "Vimbrel.exe")
        ended, _ = wait_for(lambda: not self.d.processes(), 8, 0.3)
        self.r.check(ended, "ending from outside: taskkill without /f ends the program",
                     f"taskkill: {answer}, processes: {self.d.processes()}")
        stored = [self.d.reg_value(SETTINGS_KEY, name) for name in ("Anti-Hide", "Enable Anti-Hide on TS")]
        self.r.check(deleted == [None, None] and stored == ["0x0", "0x0"],
                     "ending from outside: both options are stored again",
                     f"after deleting: {deleted}, after the end: {stored}")
        left = self.d.tooltips()
        self.r.check(not left, "ending from outside: no icon is left behind", f"{left}")

    def run(self):
        for scenario in (self.scenario_start, self.scenario_element_row, self.scenario_left_click,
                         self.scenario_delete, self.scenario_properties, self.scenario_create_shortcut,
                         self.scenario_open_folder, self.scenario_autorun, self.scenario_about,
                         self.scenario_exit, self.scenario_taskbar_restart, self.scenario_end_from_outside):
            try:
                scenario()
            except (ProbeError, subprocess.SubprocessError, OSError) as error:
                self.r.check(False, scenario.__name__.replace("scenario_", "").replace("_", " "),
                             f"broke off: {error}")
            # Whatever a failed step left open must not block the next one.
            try:
                self.close_menu()
            except ProbeError:
                pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="Vimbrel.exe")
    parser.add_argument("--probe", required=True, help="tray_probe.exe")
    parser.add_argument("--prefix", required=True, help="a booted Wine prefix, copied for the run")
    parser.add_argument("--work", required=True, help="a folder for this run, emptied first")
    parser.add_argument("--wine", default="wine", help="the Wine loader that runs these programs")
    parser.add_argument("--arch", default="win64", choices=["win32", "win64"],
                        help="the kind of prefix to boot when --prefix is not booted yet")
    parser.add_argument("--display", help="X display number; by default Xvfb picks a free one")
    parser.add_argument("--shots", help="save screenshots into this folder")
    args = parser.parse_args()
    for path in (args.exe, args.probe):
        if not os.path.exists(path):
            print(f"not found: {path}", file=sys.stderr)
            return 2
    for tool in ("Xvfb", "xdotool", "wineserver", args.wine):
        if not shutil.which(tool):
            print(f"not installed: {tool}", file=sys.stderr)
            return 2

    # A run stopped from outside still ends what it started.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(1))
    results = Results()
    started = time.monotonic()
    desktop = Desktop(args)
    try:
        desktop.start()
        VimbrelTest(desktop, results).run()
    except (ProbeError, subprocess.SubprocessError, OSError) as error:
        results.check(False, "the test desktop", str(error))
    finally:
        desktop.stop()
    print(f"# {time.monotonic() - started:.0f} s")
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
