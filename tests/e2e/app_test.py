#!/usr/bin/env python3
"""End to end under Wine + Xvfb: the real Tavrix.exe, started from its folder in a fresh copy
of the session's prefix (one per group of cases, each with a wineserver of its own) and
driven from outside by tests/e2e/driver (run with Wine in the same prefix).

What it shows: the program starts, logs its start and registers its start-up value; its
window shows every control where the layout table puts it, with its text, and hides after a
second; a second start shows the notice and ends; closing hides; a double click on the
notification-area icon shows the window; minimising brings the task-bar button; the
end-of-session query is answered yes; the icon's menu asks before it ends the process.
A screenshot of the main window is kept in the output folder.

  app_test.py --program Tavrix.exe --driver tavrix_e2e_driver.exe --out DIR

Runs inside tools/with-wine-session (it needs its display and prefix).
"""
import argparse
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

WINESERVER = "/usr/lib/wine/wineserver"
WINE_FONTS = "/usr/share/wine/fonts"
RUN_KEY = r"HKLM\SOFTWARE\Microsoft\windows\CurrentVersion\Run"

# Window messages and commands the driver posts.
WM_CLOSE, WM_QUERYENDSESSION, WM_COMMAND, WM_SYSCOMMAND, WM_CHAR = 0x10, 0x11, 0x111, 0x112, 0x102
SC_MINIMIZE, SC_CLOSE, SC_RESTORE = 0xF020, 0xF060, 0xF120
WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK = 0x205, 0x203, 0x206, 0x209
IDOK, IDYES, IDNO = 1, 6, 7
WS_TABSTOP, WS_DISABLED = 0x10000, 0x8000000

failures = []


def check(condition, what, detail=""):
    print(("  ok   " if condition else "  FAIL ") + what + ("" if condition else f": {detail}"),
          flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_until(condition, timeout=10.0, step=0.1):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


class Session:
    """A copy of the session's prefix with a wineserver of its own."""

    def __init__(self, name, template, work, driver):
        self.name = name
        self.prefix = os.path.join(work, name, "prefix")
        self.driver_path = driver
        os.makedirs(os.path.dirname(self.prefix))
        subprocess.run(["cp", "-a", template, self.prefix], check=True)
        self._forget_start_up_value()
        self.env = dict(os.environ, WINEPREFIX=self.prefix)
        self._add_fonts()
        subprocess.run([WINESERVER, "-p10"], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        # Wine's services start detached from our pipes, before any program needs them.
        self.wine("wineboot")
        self._import_font_settings()

    def _add_fonts(self):
        # Wine's own Tahoma (the forms' font) and Marlett (the title bar's buttons) are read
        # from the Windows font folder.
        fonts = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
        for name in ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf"):
            source = os.path.join(WINE_FONTS, name)
            if os.path.exists(source):
                shutil.copy(source, fonts)

    def _import_font_settings(self):
        # The program's fonts, by their Chinese and English names, and the dialogs' SimSun
        # stand for WenQuanYi Micro Hei: outlines without the coarse bitmaps that WenQuanYi
        # Zen Hei (the session prefix's choice) shows at 14 pixels. Smoothed edges keep small
        # Chinese characters legible in the screenshot.
        settings = os.path.join(os.path.dirname(self.prefix), "fonts.reg")
        mono, proportional = "WenQuanYi Micro Hei Mono", "WenQuanYi Micro Hei"
        replacements = {"新宋体": mono, "NSimSun": mono, "宋体": proportional,
                        "SimSun": proportional, "微软雅黑": proportional,
                        "Microsoft YaHei": proportional, "Microsoft YaHei UI": proportional}
        with open(settings, "w", encoding="utf-16") as reg:
            reg.write("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n")
            for name, face in replacements.items():
                reg.write(f'"{name}"="{face}"\r\n')
            reg.write("\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
                      '"FontSmoothing"="2"\r\n'
                      '"FontSmoothingType"=dword:00000001\r\n')
        self.wine("reg", "import", "Z:" + settings.replace("/", "\\"))

    def _forget_start_up_value(self):
        # Offline, before the wineserver starts: other tests of the session may have left it.
        path = os.path.join(self.prefix, "system.reg")
        lines, section, kept = open(path, encoding="latin-1").read().split("\n"), "", []
        for line in lines:
            if line.startswith("["):
                section = line.split("]")[0].lower()
            if (section == r"[software\\microsoft\\windows\\currentversion\\run" and
                    line.lower().startswith('"tavrix"=')):
                continue
            kept.append(line)
        open(path, "w", encoding="latin-1").write("\n".join(kept))

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(os.path.dirname(self.prefix), ignore_errors=True)

    def wine(self, *args):
        return subprocess.run([os.environ["WINELOADER"], *args], env=self.env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode

    def unix_path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[3:].replace("\\", "/")
        return os.path.join(self.prefix, f"drive_{drive}", rest)

    def install(self, program, folder):
        """A fresh folder holding only the program."""
        shutil.rmtree(self.unix_path(folder), ignore_errors=True)
        os.makedirs(self.unix_path(folder))
        shutil.copy(program, os.path.join(self.unix_path(folder), "Tavrix.exe"))
        return folder + "\\Tavrix.exe"

    def start(self, exe):
        return subprocess.Popen([os.environ["WINELOADER"], exe], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def driver(self, *args):
        """Runs one driver command; its JSON answer (None when it found nothing)."""
        # Its answer goes through a file: a Wine process it happens to start (the desktop's
        # explorer) would inherit a pipe and hold it open for as long as it runs.
        with tempfile.TemporaryFile() as out:
            done = subprocess.run([os.environ["WINELOADER"], self.driver_path, *map(str, args)],
                                  env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.DEVNULL, timeout=60)
            if done.returncode == 2:
                raise RuntimeError(f"driver {args}: bad command")
            out.seek(0)
            text = out.read().decode("utf-8").strip().splitlines()
        return json.loads(text[-1]) if text else None

    def started_and_shown(self):
        """Waits for a started program's window to hide itself, then shows it again from
        the notification-area icon; its handle, or None when no window came."""
        shown = self.driver("find", "TfrmMain", 15000)
        if not check(bool(shown), "the program starts"):
            return None
        main = shown[0]["hwnd"]
        wait_until(lambda: not self.visible(main), 10)
        self.driver("tray", WM_LBUTTONDBLCLK)
        check(wait_until(lambda: self.visible(main), 5), "the window is shown from the icon")
        return main

    def window(self, hwnd):
        return self.driver("window", hwnd)

    def visible(self, hwnd):
        found = self.window(hwnd)
        return bool(found and found["visible"])

    def reg_value(self, key, name):
        export = os.path.join(os.path.dirname(self.prefix), "export.reg")
        if os.path.exists(export):
            os.remove(export)
        if self.wine("reg", "export", key, "Z:" + export.replace("/", "\\"), "/y") != 0:
            return None
        text = open(export, encoding="utf-16").read()
        for line in text.splitlines():
            m = re.match(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"$', line)
            if m and m[1].lower() == name.lower():
                return re.sub(r"\\(.)", r"\1", m[2])
        return None

    def log_lines(self, folder):
        """Today's activity log of the program in `folder` (GBK), messages without times."""
        name = datetime.date.today().isoformat() + ".txt"
        path = os.path.join(self.unix_path(folder), "log", name)
        if not os.path.exists(path):
            return []
        lines = open(path, "rb").read().decode("gbk").split("\r\n")
        messages = []
        for line in lines:
            if line:
                m = re.match(r"^\d{2}:\d{2}:\d{2} (.*)$", line)
                messages.append(m[1] if m else "<bad line> " + line)
        return messages


def real_click(control, count=1):
    """Real mouse clicks through X (xdotool) in the middle of a control, `count` in a row as
    quickly as a user's double click. The driver's BM_CLICK is no stand-in: Wine's BM_CLICK
    presses a button even while its window is disabled."""
    left, top, right, bottom = control["screen"]
    subprocess.run(["xdotool", "mousemove", "--sync", str((left + right) // 2),
                    str((top + bottom) // 2), "click", "--repeat", str(count), "--delay", "80",
                    "1"], check=True, stdin=subprocess.DEVNULL)


def screenshot(rect, path):
    left, top, right, bottom = rect
    subprocess.run(["import", "-window", "root", "-crop",
                    f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path], check=True)


# --- the checks --------------------------------------------------------------------------

def check_controls(session, main, layout, screenshot_path):
    """Every control of the table where it puts it (at the window's DPI), with its text."""
    window = session.window(main)
    client = window["client"]
    scale = client[2] / layout["clientWidth"]
    check(abs(client[3] - round(layout["clientHeight"] * scale)) <= 0,
          f"client area {client[2]} x {client[3]} is the table's 414 x 374 at the DPI",
          str(client))
    controls = {c["id"]: c for c in session.driver("controls", main)}
    by_name = {design["name"]: design for design in layout["controls"]}
    for design in layout["controls"]:
        name = design["name"]
        real = controls.get(design["id"])
        if not check(real is not None, f"{name} exists", "no window with its id"):
            continue
        parent_ok = (real["parent"] == main if not design["parent"]
                     else real["parent"] == controls[by_name[design["parent"]]["id"]]["hwnd"])
        check(parent_ok, f"{name} lies in {design['parent'] or 'the window'}")
        left, top, right, bottom = real["rect"]
        expected = [round(design["left"] * scale), round(design["top"] * scale),
                    round((design["left"] + design["width"]) * scale),
                    round((design["top"] + design["height"]) * scale)]
        if design["alignClient"]:
            check([left, top] == [0, 0] and right == client[2] and bottom == client[3],
                  f"{name} fills the client area", str(real["rect"]))
        elif design["autoSize"]:
            check([left, top] == expected[:2] and right > left and bottom > top,
                  f"{name} at {design['left']},{design['top']}, sized by its text", str(real["rect"]))
        else:
            check(real["rect"] == expected,
                  f"{name} at {design['left']},{design['top']} size {design['width']} x {design['height']}",
                  f"{real['rect']} instead of {expected}")
        kind = design["kind"]
        if kind in ("Label", "Button", "CheckBox"):
            check(real["text"] == design["text"], f"{name} reads {design['text']}", real["text"])
        if kind in ("ComboBox", "DropDownList"):
            check(real["items"] == design["items"], f"{name} lists {design['items']}", real["items"])
        if design["password"]:
            check(real.get("passwordChar") == ord("*"), f"{name} shows '*' for each character")
        if design["defaultButton"]:
            check(not real["enabled"] and real["style"] & 0xF == 1,
                  f"{name} is the default button and disabled")
        check(bool(real["style"] & WS_TABSTOP) == (design["tab"] >= 0),
              f"{name} {'takes' if design['tab'] >= 0 else 'takes no'} focus")

    # Tab order is the order of the focusable controls among the group box's children.
    group = controls[by_name["grp1"]["id"]]["hwnd"]
    ids = {c["id"]: name for name, c in ((s["name"], s) for s in layout["controls"])}
    in_z_order = [ids[c["id"]] for c in session.driver("controls", main)
                  if c["parent"] == group and c["style"] & WS_TABSTOP and c["id"] in ids]
    by_tab = [s["name"] for s in sorted(layout["controls"], key=lambda s: s["tab"]) if s["tab"] >= 0]
    check(in_z_order == by_tab, "tab order as the table numbers it", f"{in_z_order}")

    screenshot(window["rect"], screenshot_path)
    check(os.path.getsize(screenshot_path) > 0, f"screenshot kept in {screenshot_path}")


def lifetime(args, template, work, layout):
    print("== start-up and lifetime (C:\\Tavrix)", flush=True)
    s = Session("lifetime", template, work, args.driver)
    try:
        folder = r"C:\Tavrix"
        exe = s.install(args.program, folder)
        first = s.start(exe)
        shown = s.driver("find", "TfrmMain", 15000)
        if not check(bool(shown), "the main window is shown at start"):
            return
        main = shown[0]["hwnd"]
        check(shown[0]["title"] == "Velmora V1.2 - 【Hemlow软件】",
              "caption Velmora V1.2 - 【Hemlow软件】", shown[0]["title"])
        check(wait_until(lambda: not s.visible(main), 10), "and hides itself after a second")
        check(first.poll() is None, "the program stays in the notification area")
        expected_log = ["程序启动。", "增加开机自启动成功。"]
        check(wait_until(lambda: s.log_lines(folder) == expected_log, 5), f"log {expected_log}",
              s.log_lines(folder))
        check(s.reg_value(RUN_KEY, "Tavrix") == r"C:\Tavrix\Tavrix.exe",
              r"start-up value Tavrix = C:\Tavrix\Tavrix.exe", s.reg_value(RUN_KEY, "Tavrix"))
        application = s.driver("find-any", "TavrixApplication")[0]
        check(not application["visible"], "no task-bar button after start-up")

        print("-- a second start", flush=True)
        second = s.start(exe)
        box = s.driver("box", "提示", 15000)
        if check(box is not None, "the second start shows a box captioned 提示"):
            check(box["text"] == "程序已经在运行中，请不要重复启动！",
                  "text 程序已经在运行中，请不要重复启动！", box["text"])
            check([b["id"] for b in box["buttons"]] == [IDOK], "with a single OK button",
                  box["buttons"])
            check(box["owner"] == 0, "and no owner window")
            check(len(s.driver("find-any", "TfrmMain")) == 1, "the second start makes no window")
            s.driver("post", box["hwnd"], WM_COMMAND, IDOK, 0)
        try:
            code = second.wait(15)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "and then ends with exit code 0", code)
        check(first.poll() is None and s.window(main) is not None, "the first instance runs on")
        check(s.log_lines(folder) == expected_log, "the second start writes no log line",
              s.log_lines(folder))

        print("-- notification-area icon, closing, end of session, minimising", flush=True)
        for button, message in (("left", WM_LBUTTONDBLCLK), ("middle", WM_MBUTTONDBLCLK),
                                ("right", WM_RBUTTONDBLCLK)):
            s.driver("tray", message)
            check(wait_until(lambda: s.visible(main), 5), f"a {button} double click shows the window")
            s.driver("post", main, WM_CLOSE, 0, 0)
            check(wait_until(lambda: not s.visible(main), 5), "WM_CLOSE hides it again")
        check(first.poll() is None, "closing leaves the program running")
        s.driver("tray", WM_LBUTTONDBLCLK)
        wait_until(lambda: s.visible(main), 5)
        check(not s.window(application["hwnd"])["visible"],
              "showing the window again brings no task-bar button")
        check_controls(s, main, layout, os.path.join(args.out, "main_window.png"))

        s.driver("post", main, WM_SYSCOMMAND, SC_CLOSE, 0)
        check(wait_until(lambda: not s.visible(main), 5), "the close button (SC_CLOSE) hides it")
        s.driver("tray", WM_LBUTTONDBLCLK)
        wait_until(lambda: s.visible(main), 5)
        check(s.driver("send", main, WM_QUERYENDSESSION, 0, 0) == 1,
              "the end-of-session query is answered yes")
        check(s.driver("send", application["hwnd"], WM_QUERYENDSESSION, 0, 0) == 1,
              "also by the application window")
        check(s.visible(main) and first.poll() is None, "and changes nothing else")

        s.driver("post", main, WM_SYSCOMMAND, SC_MINIMIZE, 0)
        minimized = wait_until(lambda: (lambda w: w if w["visible"] and w["iconic"] else None)(
            s.window(application["hwnd"])), 5)
        check(bool(minimized), "minimising shows the application window minimised")
        check(not s.visible(main), "and the main window disappears")
        s.driver("post", application["hwnd"], WM_SYSCOMMAND, SC_RESTORE, 0)
        check(wait_until(lambda: s.visible(main), 5), "restoring the program shows the main window")
        s.driver("post", main, WM_CLOSE, 0, 0)
        wait_until(lambda: not s.visible(main), 5)
        check(not s.window(application["hwnd"])["visible"],
              "hidden again, the task-bar button goes with it")

        print("-- exit from the icon's menu", flush=True)
        for answer in (IDNO, IDYES):
            s.driver("tray", WM_RBUTTONUP)
            menu = s.driver("menu", 10000)
            if not check(menu is not None, "the right button's release opens the menu"):
                return
            # Wine keeps a menu's items to its process; the adapter tests read the caption.
            if menu["items"]:
                check(menu["items"] == ["退出(&X)"], "its one item 退出(&X)", menu["items"])
            s.driver("post", menu["hwnd"], WM_CHAR, ord("x"), 0)  # the item's mnemonic
            box = s.driver("box", "警告", 10000)
            if not check(box is not None and box["text"] == "确定要停止并退出吗",
                         "which asks 确定要停止并退出吗 (警告)", box):
                return
            check(sorted(b["id"] for b in box["buttons"]) == [IDYES, IDNO], "with Yes and No")
            s.driver("post", box["hwnd"], WM_COMMAND, answer, 0)
            if answer == IDNO:
                s.driver("gone", box["hwnd"], 5000)
                time.sleep(0.5)
                check(first.poll() is None and s.log_lines(folder) == expected_log,
                      "No changes nothing", s.log_lines(folder))
        try:
            code = first.wait(15)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "Yes ends the process with exit code 0", code)
        check(s.log_lines(folder) == expected_log + ["用户退出程序。"], "after logging 用户退出程序。",
              s.log_lines(folder))
        check(not s.driver("find-any", "TavrixTrayIcon"), "the icon's window is gone")
        check(s.reg_value(RUN_KEY, "Tavrix") == r"C:\Tavrix\Tavrix.exe",
              "the start-up value stays")
    finally:
        s.close()


def start_up_settings(args, template, work):
    print("== start-up with settings (a folder with a blank)", flush=True)
    s = Session("settings", template, work, args.driver)
    try:
        folder = r"C:\Velmora 备份"
        exe = s.install(args.program, folder)
        config = os.path.join(s.unix_path(folder), "config.ini")

        def run_and_exit(process):
            s.driver("tray", WM_RBUTTONUP)
            menu = s.driver("menu", 10000)
            if menu:
                s.driver("post", menu["hwnd"], WM_CHAR, ord("x"), 0)
                box = s.driver("box", "警告", 10000)
                if box:
                    s.driver("post", box["hwnd"], WM_COMMAND, IDYES, 0)
            try:
                return process.wait(15)
            except subprocess.TimeoutExpired:
                process.kill()
                return None

        # Start-up registration off: removed, then written twice; the box ends checked.
        open(config, "w").write("[CONFIG]\r\nBACKUP_AUTOSTART=0\r\nBACKUP_TIME=24\r\n")
        process = s.start(exe)
        shown = s.driver("find", "TfrmMain", 15000)
        check(bool(shown), "the window is shown")
        removed = "已经删除开机自启动项：SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run"
        expected = [removed, "程序启动。", "增加开机自启动成功。", "增加开机自启动成功。"]
        check(wait_until(lambda: s.log_lines(folder) == expected, 5),
              "BACKUP_AUTOSTART=0 logs the removal, the start and two registrations",
              s.log_lines(folder))
        check(s.reg_value(RUN_KEY, "Tavrix") == f'"{folder}\\Tavrix.exe"',
              "the start-up value is quoted for a folder with a blank",
              s.reg_value(RUN_KEY, "Tavrix"))
        if shown:
            controls = {c["text"]: c for c in s.driver("controls", shown[0]["hwnd"])}
            check(controls.get("启动时开启", {}).get("check") == 1, "启动时开启 ends checked")
        check(run_and_exit(process) == 0, "exit")

        # An hours value that is not a number: the error box, then the rest of start-up.
        open(config, "w").write("[CONFIG]\r\nBACKUP_TIME=abc\r\n")
        os.remove(os.path.join(s.unix_path(folder), "log",
                               datetime.date.today().isoformat() + ".txt"))
        process = s.start(exe)
        box = s.driver("box", "Velmora", 15000)
        if check(box is not None, "a bad BACKUP_TIME shows an error box captioned Velmora"):
            check(box["text"] == "'abc' is not a valid integer value.",
                  "'abc' is not a valid integer value.", box["text"])
            time.sleep(1.5)  # Timer1 runs out while the box is open
            s.driver("post", box["hwnd"], WM_COMMAND, IDOK, 0)
        main = s.driver("find", "TfrmMain", 10000)
        check(wait_until(lambda: s.log_lines(folder) == ["程序启动。", "增加开机自启动成功。"], 5),
              "start-up goes on: start logged and registered", s.log_lines(folder))
        time.sleep(1.5)
        check(bool(main) and s.visible(main[0]["hwnd"]),
              "the window shown after the box stays until the user closes it")
        check(run_and_exit(process) == 0, "exit")
    finally:
        s.close()


def read_layout(driver):
    """The main window's layout table, as the driver reports it."""
    with tempfile.TemporaryFile() as out:
        subprocess.run([os.environ["WINELOADER"], driver, "layout"],
                       stdin=subprocess.DEVNULL, stdout=out, check=True, timeout=60)
        out.seek(0)
        return json.loads(out.read().decode("utf-8"))


def finish(passed="end-to-end test passed"):
    """Exits 1 when a check failed."""
    if failures:
        print(f"{len(failures)} check(s) failed", flush=True)
        sys.exit(1)
    print(passed, flush=True)


def end_to_end(work_prefix, run):
    """What every end-to-end script of this folder does around its cases: the arguments
    --program, --driver and --out, the session's environment, a work folder beside the
    session's prefix (removed afterwards); run(args, template, work) runs the cases."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    for name in ("DISPLAY", "WINEPREFIX", "WINELOADER"):
        if not os.environ.get(name):
            sys.exit(f"{name} is not set: run this test inside tools/with-wine-session")
    os.makedirs(args.out, exist_ok=True)
    template = os.environ["WINEPREFIX"]
    work = tempfile.mkdtemp(prefix=work_prefix, dir=os.path.dirname(template))
    try:
        run(args, template, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    finish()


def main():
    def cases(args, template, work):
        layout = read_layout(args.driver)
        lifetime(args, template, work, layout)
        start_up_settings(args, template, work)

    end_to_end("app-e2e.", cases)


if __name__ == "__main__":
    main()
