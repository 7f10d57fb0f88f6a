#!/usr/bin/env python3
"""End to end under Wine + Xvfb: the promotion window of the real Tavrix.exe.

What it shows: once the program has started, its promotion window exists, hidden, 366 x 208
with no frame, in the bottom-right corner of the work area (under Xvfb without a task bar the
work area is the whole screen); it is owned by the application window, which is hidden, so
the program has no task-bar button; its "X" lies at 310, 8 (19 x 17), and the browser fills
the window (that "X" lies on top of it is a hit test in tests/win32/promotion_window_test).
Without the browser control (atl.dll disabled for the program) the failure is shown once in
the error box, the program runs on without a promotion window and still has no task-bar
button. The hourly showing is not waited for here (the simulated platform's tests run that
timeline); Wine has no HTML engine, so the page would stay blank anyway.

  promotion_test.py --program Tavrix.exe --driver tavrix_e2e_driver.exe --out DIR

Runs inside tools/with-wine-session (it needs its display and prefix).
"""
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from app_test import Session, check, end_to_end, wait_until  # noqa: E402

WS_CAPTION, WS_THICKFRAME, WS_POPUP = 0xC00000, 0x40000, 0x80000000
SCREEN = (1920, 1080)  # tools/with-wine-session's Xvfb


def promotion_window(args, template, work):
    print("== the promotion window after start-up", flush=True)
    s = Session("promotion", template, work, args.driver)
    try:
        program = s.start(s.install(args.program, r"C:\Tavrix"))
        if not check(bool(s.driver("find", "TfrmMain", 15000)), "the program has started"):
            return
        found = wait_until(lambda: s.driver("find-any", "TfrmGG"), 10)
        if not check(bool(found) and len(found) == 1, "it has one promotion window", found):
            return
        window = found[0]
        check(not window["visible"], "hidden")
        style = window["style"] & 0xFFFFFFFF
        check(style & (WS_CAPTION | WS_THICKFRAME | WS_POPUP) == WS_POPUP, "without a frame",
              hex(style))
        left, top, right, bottom = window["rect"]
        check((right - left, bottom - top) == (366, 208), "366 x 208", window["rect"])
        check((right, bottom) == SCREEN, "in the bottom-right corner of the work area",
              window["rect"])

        application = s.driver("find-any", "TavrixApplication")
        check(bool(application) and window["owner"] == application[0]["hwnd"],
              "owned by the application window", (window["owner"], application))
        check(bool(application) and not application[0]["visible"],
              "which is hidden: no task-bar button")

        controls = s.driver("controls", window["hwnd"]) or []
        direct = [c for c in controls if c["parent"] == window["hwnd"]]
        buttons = [c for c in direct if c["class"].lower() == "button"]
        hosts = [c for c in direct if c["class"] == "AtlAxWin"]
        if check(len(buttons) == 1 and len(hosts) == 1, "an X button and the browser's host",
                 [(c["class"], c["text"]) for c in direct]):
            x, host = buttons[0], hosts[0]
            check(x["text"] == "X", 'the button reads "X"', x["text"])
            check(x["rect"] == [310, 8, 329, 25], "at 310, 8, 19 x 17", x["rect"])
            check(host["rect"] == [0, 0, 366, 208], "the browser fills the window", host["rect"])
        check(program.poll() is None, "the program runs on")
    finally:
        s.close()


def without_browser(args, template, work):
    print("== without the browser control (atl.dll missing)", flush=True)
    s = Session("no-browser", template, work, args.driver)
    try:
        overrides = s.env.get("WINEDLLOVERRIDES", "")
        s.env["WINEDLLOVERRIDES"] = (overrides + ";" if overrides else "") + "atl="
        program = s.start(s.install(args.program, r"C:\Tavrix"))
        s.env["WINEDLLOVERRIDES"] = overrides  # the driver's own start
        box = s.driver("box", "Velmora", 15000)
        if not check(box is not None, "an error box captioned Velmora"):
            return
        check(box["text"].startswith("atl.dll") and box["text"].endswith("."),
              "names atl.dll", box["text"])
        main = s.driver("find-any", "TfrmMain")
        check(bool(main) and not main[0]["enabled"], "the main window is disabled while it is open")
        s.driver("post", box["hwnd"], 0x111, 1, 0)  # WM_COMMAND IDOK
        s.driver("gone", box["hwnd"], 5000)
        check(s.driver("box", "Velmora", 2000) is None, "shown once")
        check(s.driver("find-any", "TfrmGG") == [], "no promotion window is left")
        application = s.driver("find-any", "TavrixApplication")
        check(bool(application) and not application[0]["visible"],
              "the application window is hidden: no task-bar button")
        check(bool(main) and wait_until(lambda: s.driver("window", main[0]["hwnd"])["enabled"], 5),
              "the main window is enabled again")
        check(program.poll() is None, "the program runs on")
    finally:
        s.close()


def main():
    def cases(args, template, work):
        promotion_window(args, template, work)
        without_browser(args, template, work)

    end_to_end("promotion-e2e.", cases)


if __name__ == "__main__":
    main()
