#!/usr/bin/env python3
"""End to end under Wine + Xvfb: the Test and Save buttons of the real Tavrix.exe.

Wine has no SQL Server provider, so every backup fails at the database step here; the test
drives what shows without a server: the volume-label refusal and its messages, "测试失败!"
when the backup cannot be made, Save staying disabled, and Enter doing nothing while Save
is disabled. Prefix drive E: is removable and labelled 备份U盘 (cmake/wine-env).

  test_and_save_test.py --program Tavrix.exe --driver tavrix_e2e_driver.exe --out DIR

Runs inside tools/with-wine-session.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import app_test as e2e  # noqa: E402  (the shared session and driver helpers)
from app_test import check, wait_until  # noqa: E402

BM_CLICK, WM_KEYDOWN, VK_RETURN = 0x00F5, 0x0100, 0x0D
SCREEN_WIDTH, SCREEN_HEIGHT = 1920, 1080


def press(s, control):
    s.driver("post", control["hwnd"], BM_CLICK, 0, 0)


def answer_box(s, expected_text):
    """The next box captioned Velmora: its text checked, centred on the screen, one OK."""
    box = s.driver("box", "Velmora", 20000)
    if not check(box is not None, f"a box captioned Velmora says {expected_text}"):
        return False
    check(box["text"] == expected_text, f"its text is {expected_text}", box["text"])
    check([b["id"] for b in box["buttons"]] == [e2e.IDOK], "with a single OK button",
          box["buttons"])
    window = s.window(box["hwnd"])
    if window:
        left, top, right, bottom = window["rect"]
        centre = ((left + right) // 2, (top + bottom) // 2)
        check(abs(centre[0] - SCREEN_WIDTH // 2) <= 2 and abs(centre[1] - SCREEN_HEIGHT // 2) <= 2,
              "centred on the screen", str(window["rect"]))
    s.driver("post", box["hwnd"], e2e.WM_COMMAND, e2e.IDOK, 0)
    s.driver("gone", box["hwnd"], 5000)
    return True


def own_removable_drive(s, work):
    """Points the session's E: at a folder of its own (removable, labelled 备份U盘), so what
    a test makes there cannot meet another test's drive."""
    folder = os.path.join(work, "drive-e")
    os.makedirs(folder)
    with open(os.path.join(folder, ".windows-label"), "w", encoding="utf-8") as label:
        label.write("备份U盘")
    link = os.path.join(s.prefix, "dosdevices", "e:")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(folder, link)
    return folder


def no_box_for(s, seconds):
    return s.driver("box", "Velmora", int(seconds * 1000)) is None


def test_and_save(args, template, work, layout):
    print("== Test and Save without a database server", flush=True)
    s = e2e.Session("test-and-save", template, work, args.driver)
    try:
        drive_e = own_removable_drive(s, work)
        folder = r"C:\Tavrix"
        exe = s.install(args.program, folder)
        config = os.path.join(s.unix_path(folder), "config.ini")
        # USB preferred, a label required that E: (备份U盘) does not carry.
        settings = ("[CONFIG]\r\nBACKUP_USB=1\r\nMUSTLABEL=1\r\nLABEL=财务U盘\r\n"
                    "BACKUP_ALLDB=1\r\n").encode("gbk")
        open(config, "wb").write(settings)
        process = s.start(exe)
        main = s.started_and_shown()
        if not main:
            return

        ids = {design["name"]: design["id"] for design in layout["controls"]}

        def controls():
            return {c["id"]: c for c in s.driver("controls", main)}

        now = controls()
        test, save = now[ids["btn4"]], now[ids["btn3"]]
        check(not save["enabled"], "保存 is disabled before any test")
        started = s.log_lines(folder)

        print("-- a label that does not match", flush=True)
        press(s, test)
        answer_box(s, "选了备份到指定标签的u盘，但未找到，备份失败。")
        answer_box(s, "测试失败!")
        check(not controls()[ids["btn3"]]["enabled"], "保存 stays disabled")
        check(os.listdir(drive_e) == [".windows-label"], "nothing was made on E:",
              str(os.listdir(drive_e)))
        check(not os.path.exists(s.unix_path(r"C:\tempbak")),
              "no backup was attempted (c:\\tempbak not made)")
        check(s.log_lines(folder) == started, "nothing is logged", s.log_lines(folder))

        print("-- no label required: the backup itself fails (no SQL Server under Wine)",
              flush=True)
        press(s, controls()[ids["chkMustLabel"]])
        check(wait_until(lambda: controls()[ids["chkMustLabel"]]["check"] == 0, 5),
              "只备份到指定卷标 unchecked")
        press(s, test)
        answer_box(s, "测试失败!")
        check(no_box_for(s, 1.5), "and no other message")
        check(os.path.isdir(s.unix_path(r"C:\tempbak")), "the folders were made first")
        e_backup = os.path.join(drive_e, "BACKUP")
        check(os.path.isdir(e_backup) and not os.listdir(e_backup),
              "E:\\BACKUP exists and holds no backup", str(os.listdir(e_backup))
              if os.path.isdir(e_backup) else "missing")
        check(not controls()[ids["btn3"]]["enabled"], "保存 stays disabled")
        check(s.log_lines(folder) == started, "a failed test logs nothing", s.log_lines(folder))

        print("-- Enter while 保存 is disabled", flush=True)
        before = open(config, "rb").read()
        for name in ("edtDB", "edtLabel", "chkALLDB"):
            s.driver("post", controls()[ids[name]]["hwnd"], WM_KEYDOWN, VK_RETURN, 0)
        check(no_box_for(s, 2), "Enter in an edit box or on a check box shows nothing")
        check(open(config, "rb").read() == before, "and config.ini is unchanged")
        check(s.log_lines(folder) == started, "and nothing is logged")
        check(process.poll() is None, "the program runs on")
    finally:
        s.close()


def main():
    e2e.end_to_end("test-save-e2e.", lambda args, template, work: test_and_save(
        args, template, work, e2e.read_layout(args.driver)))


if __name__ == "__main__":
    main()
