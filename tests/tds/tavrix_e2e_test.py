#!/usr/bin/env python3
"""End to end through Wine's real ADO: the real Tavrix.exe backs up to the TDS test peer.

  Tavrix.exe -> msado15 -> "SQLOLEDB.1" (alias of MSDASQL) -> odbc32 -> unixODBC "(local)"
  -> FreeTDS (Kerberos) -> tds_peer.py, which writes the backup into the prefix's drive C:

Runs inside tests/tds/wine_harness.py (peer mode rowcount, a removable E: labelled 备份U盘),
directly in the harness's prefix: the peer writes the server's file into that prefix's C:.

1. Test and Save: with E: labelled 备份U盘 and a label required, Test backs master up to
   E:\\BACKUP; the boxes, the log line, the file with the peer's bytes, c:\\tempbak left empty
   and the one statement the peer received are checked; then Save writes config.ini.
2. Impatient real clicks (xdotool): a double click on Test while the peer takes 1.5 s for
   the backup sends one statement and shows one series of notices, the main window
   disabled while a notice is open and enabled after; a second click on Save behind its
   notice saves nothing more.
3. A start with BACKUP_STARTBACKUP=1 and one database (备份库, to the local folder
   C:\\Tavrix\\本地备份): the peer holds the backup for a while, and the main window must
   not be visible until the backup has finished and its log line is written.
3. Two tests whose hand-overs fail (every name master<stamp>.bak of the coming minutes is
   already taken on E:\\BACKUP): each keeps its backup in c:\\tempbak, the second deletes the
   first's, so exactly one backup of master stays there; the files on E: are never touched.

  wine_harness.py --removable e=FOLDER --label 备份U盘 -- tavrix_e2e_test.py \\
      --program Tavrix.exe --driver tavrix_e2e_driver.exe
"""
import argparse
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))
import app_test as e2e  # noqa: E402  (the shared driver helpers)
import test_and_save_test as buttons  # noqa: E402  (pressing buttons, answering boxes)
from app_test import check, wait_until  # noqa: E402

FOLDER = r"C:\Tavrix"
TEMP_FOLDER = r"c:\tempbak"
LABEL = "备份U盘"
STAMP = r"(\d{12})"
# The peer holds the start-up backup this long, so a window shown too early is seen.
START_UP_DELAY = 3.0
EXIT_WAIT = 15  # seconds the program may take to end after Yes
# The peer takes this long for the impatient user's backup: the second click of a double
# click comes while the first one's backup runs.
BACKUP_DELAY = 1.5
TEST_NOTICES = ["检测到u盘和标签正确，备份成功", "测试成功！"]
SAVE_NOTICE = "保存成功！设置在软件重启后生效。"
SAVE_LINES = ["备份时间改成：6", "配置修改成功保存成功！设置在软件重启后生效。"]
SAVED_KEYS = {
    "BACKUP_PASS": "******", "BACKUP_ALLDB": "1", "BACKUP_ISW": "1", "BACKUP_TIME": "6",
    "BACKUP_LIST": "master", "BACKUP_PATH": r"E:\BACKUP", "BACKUP_AUTOSTART": "1",
    "BACKUP_USB": "1", "BACKUP_STARTBACKUP": "0", "MUSTLABEL": "1", "LABEL": LABEL,
    "DELETE_BACKUP_FILE": "1",
}


class HarnessSession(e2e.Session):
    """The harness's own prefix and wineserver (no copy: the peer writes into this C:)."""

    def __init__(self, driver):
        self.name = "harness"
        self.prefix = os.environ["WINEPREFIX"]
        self.driver_path = driver
        self.env = dict(os.environ)

    def close(self):
        pass  # the harness's session stops its wineserver


class Peer:
    """The peer's request log (JSON lines) and its override file."""

    def __init__(self):
        self.log = os.environ["TDS_PEER_LOG"]
        self.override = os.environ["TDS_PEER_OVERRIDE"]

    def requests(self):
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def batches_since(self, start):
        return [r for r in self.requests()[start:] if r["request"] == "sql_batch"]

    def set(self, **keys):
        with open(self.override, "w", encoding="utf-8") as f:
            json.dump(keys, f)

    def reset(self):
        if os.path.exists(self.override):
            os.remove(self.override)


def write_config(path, lines):
    """config.ini as UTF-16LE with its mark, which Wine's profile functions keep on writing."""
    text = "[CONFIG]\r\n" + "".join(line + "\r\n" for line in lines)
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def read_config(path):
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        return None, data
    lines = [line for line in data[2:].decode("utf-16-le").split("\r\n") if line]
    return lines, data


def stamp_in_run(stamp, started, ended):
    moment = datetime.datetime.strptime(stamp, "%y%m%d%H%M%S")
    return started - datetime.timedelta(seconds=2) <= moment <= ended + datetime.timedelta(seconds=2)


def exit_from_tray(s, process):
    s.driver("tray", e2e.WM_RBUTTONUP)
    menu = s.driver("menu", 10000)
    if check(menu is not None, "the icon's menu opens"):
        s.driver("post", menu["hwnd"], e2e.WM_CHAR, ord("x"), 0)
        box = s.driver("box", "警告", 10000)
        if check(box is not None, "exit asks 确定要停止并退出吗"):
            s.driver("post", box["hwnd"], e2e.WM_COMMAND, e2e.IDYES, 0)
    clock = time.monotonic()
    try:
        code = process.wait(EXIT_WAIT)
    except subprocess.TimeoutExpired:
        process.kill()
        code = None
    print(f"  (exit took {time.monotonic() - clock:.1f} s)", flush=True)
    check(code == 0, "Yes ends the program with exit code 0", code)


def fresh_folders(s):
    for folder in (FOLDER, TEMP_FOLDER):
        shutil.rmtree(s.unix_path(folder), ignore_errors=True)


STICK_CONFIG = ["BACKUP_USB=1", "MUSTLABEL=1", "LABEL=" + LABEL]


def install_with_config(s, program, lines):
    """Installs the program into FOLDER with a config.ini of these lines; its Windows path."""
    exe = s.install(program, FOLDER)
    write_config(os.path.join(s.unix_path(FOLDER), "config.ini"), lines)
    return exe


def control_ids(layout):
    return {design["name"]: design["id"] for design in layout["controls"]}


def test_and_save(s, peer, drive_e, layout, program):
    print("== Test backs master up to E: through Wine's ADO, then Save", flush=True)
    fresh_folders(s)
    check(s.driver("find-any", "TavrixTrayIcon") == [], "no instance of the program is running")
    check(sorted(os.listdir(drive_e)) == [".windows-label"],
          "E: is a folder of this run holding only its label", str(os.listdir(drive_e)))
    exe = install_with_config(s, program, STICK_CONFIG)
    config = os.path.join(s.unix_path(FOLDER), "config.ini")
    first_request = len(peer.requests())

    process = s.start(exe)
    main = s.started_and_shown()
    if not main:
        return
    ids = control_ids(layout)

    def control(name):
        return {c["id"]: c for c in s.driver("controls", main)}[ids[name]]

    check(not control("btn3")["enabled"], "保存 is disabled before the test")
    started = datetime.datetime.now().replace(microsecond=0)
    clock = time.monotonic()
    buttons.press(s, control("btn4"))
    buttons.answer_box(s, "检测到u盘和标签正确，备份成功")
    test_seconds = time.monotonic() - clock
    buttons.answer_box(s, "测试成功！")
    ended = datetime.datetime.now()
    print(f"  (the backup through Wine's ADO took {test_seconds:.1f} s to its box)", flush=True)

    log = s.log_lines(FOLDER)
    line = next((m for m in log if m.startswith("数据库备份成功")), "")
    found = re.fullmatch(r"数据库备份成功: E:\\BACKUP\\master" + STAMP + r"\.bak", line)
    if not check(bool(found), r"log 数据库备份成功: E:\BACKUP\master<stamp>.bak", log):
        return
    stamp = found[1]
    check(stamp_in_run(stamp, started, ended), "the stamp is the time of the test", stamp)
    name = f"master{stamp}.bak"
    on_e = os.path.join(drive_e, "BACKUP", name)
    check(sorted(os.listdir(os.path.join(drive_e, "BACKUP"))) == [name],
          f"E:\\BACKUP holds {name} alone", str(os.listdir(os.path.join(drive_e, "BACKUP"))))
    temp_path = TEMP_FOLDER + "\\" + name
    header = f"TDSPEER BACKUP\ndatabase: master\npath: {temp_path}\n".encode()
    content = open(on_e, "rb").read() if os.path.exists(on_e) else b""
    check(content.startswith(header) and len(content) > len(header),
          "the file on E: holds the server's bytes", content[:80])
    check(os.listdir(s.unix_path(TEMP_FOLDER)) == [], "nothing is left in c:\\tempbak",
          str(os.listdir(s.unix_path(TEMP_FOLDER))))

    statement = f"BACKUP DATABASE \"master\" TO DISK ='{temp_path}' with init"
    batches = peer.batches_since(first_request)
    check([b["sql"] for b in batches] == [statement],
          f"the peer received exactly {statement}", [b["sql"] for b in batches])
    if batches:
        check(batches[0]["sql_utf16le"] == statement.encode("utf-16-le").hex(),
              "byte for byte (UTF-16LE)")
        check(batches[0]["answer"] == "backup", "and backed up", batches[0]["answer"])
    logins = [r for r in peer.requests()[first_request:] if r["request"] == "login7"]
    check(len(logins) == 1 and logins[0]["integrated_security"] and not logins[0]["user"]
          and logins[0]["database"] == "master",
          "one integrated-security login (Kerberos, no user name) on master", logins)

    print("-- Save", flush=True)
    save = control("btn3")
    check(save["enabled"], "保存 is enabled by the successful test")
    before = log
    buttons.press(s, save)
    buttons.answer_box(s, "保存成功！设置在软件重启后生效。")
    lines, data = read_config(config)
    if check(lines is not None, "config.ini stays UTF-16LE", data[:16]):
        check(lines[0] == "[CONFIG]", "in section CONFIG", lines[:1])
        saved = dict(line.split("=", 1) for line in lines[1:] if "=" in line)
        check(len(lines) == 13 and saved == SAVED_KEYS,
              "the twelve keys with the window's values", lines)
        check("OEM" not in saved, "OEM is not written")
    check(wait_until(lambda: s.log_lines(FOLDER) == before + [
        "备份时间改成：6", "配置修改成功保存成功！设置在软件重启后生效。"], 5),
        "log 备份时间改成：6, 配置修改成功保存成功！设置在软件重启后生效。", s.log_lines(FOLDER))
    check(wait_until(lambda: not control("btn3")["enabled"], 5), "保存 is disabled again")
    check(peer.batches_since(first_request) == batches, "Save sends nothing to the server")

    exit_from_tray(s, process)
    check(s.log_lines(FOLDER)[-1:] == ["用户退出程序。"], "exit logged", s.log_lines(FOLDER))


def impatient_clicks(s, peer, drive_e, layout, program):
    print("== Real clicks: a double click on 测试, a second click on 保存 behind its notice",
          flush=True)
    fresh_folders(s)
    shutil.rmtree(os.path.join(drive_e, "BACKUP"), ignore_errors=True)
    check(s.driver("find-any", "TavrixTrayIcon") == [], "no instance is left running")
    exe = install_with_config(s, program, STICK_CONFIG)
    first_request = len(peer.requests())
    process = s.start(exe)
    try:
        clicks_and_notices(s, peer, layout, process, first_request)
    finally:
        if process.poll() is None:  # a failed check left it running: the next case starts it
            process.kill()
            process.wait()


def clicks_and_notices(s, peer, layout, process, first_request):
    main = s.started_and_shown()
    if not main:
        return
    # Clear of the boxes, which are centred on the screen: a click meant for a button of the
    # window must not land on a box.
    s.driver("move", main, 0, 0)
    ids = control_ids(layout)

    def control(name):
        return {c["id"]: c for c in s.driver("controls", main)}[ids[name]]

    def enabled():
        return s.window(main)["enabled"]

    def boxes():
        return s.driver("find", "#32770", 0, "Velmora")

    def answer(box):
        s.driver("post", box["hwnd"], e2e.WM_COMMAND, e2e.IDOK, 0)
        s.driver("gone", box["hwnd"], 5000)

    check(enabled(), "the main window takes input before")
    peer.set(delay=BACKUP_DELAY)
    try:
        e2e.real_click(control("btn4"), 2)
        for text in TEST_NOTICES:
            box = s.driver("box", "Velmora", 20000)
            if not check(box is not None and box["text"] == text, f"the notice {text}", box):
                break
            # A click queued behind the box would be handed out by the box's own loop now.
            time.sleep(0.5)
            check(not enabled(), f"while {text} is open the main window is disabled")
            check(len(boxes()) == 1, "one box at a time", boxes())
            answer(box)
        check(wait_until(enabled, 5), "after the last notice the main window is enabled again")
        check(buttons.no_box_for(s, 2 * BACKUP_DELAY + 1), "and no other notice follows")
    finally:
        peer.reset()
    batches = [b["sql"] for b in peer.batches_since(first_request)]
    check(len(batches) == 1 and batches[0].startswith('BACKUP DATABASE "master"'),
          "the double click sent exactly one BACKUP statement", batches)
    successes = [m for m in s.log_lines(FOLDER) if m.startswith("数据库备份成功")]
    check(len(successes) == 1, "and made one backup", successes)

    save = control("btn3")
    if not check(save["enabled"], "保存 is enabled by the test"):
        return
    before = s.log_lines(FOLDER)
    e2e.real_click(save)
    box = s.driver("box", "Velmora", 10000)
    if check(box is not None and box["text"] == SAVE_NOTICE, f"the notice {SAVE_NOTICE}", box):
        check(not enabled(), "while it is open the main window is disabled")
        e2e.real_click(control("btn3"))
        time.sleep(1)
        check(len(boxes()) == 1, "a second click on 保存 behind the notice shows nothing", boxes())
        check(s.log_lines(FOLDER) == before, "nor saves: the notice is still open",
              s.log_lines(FOLDER))
        answer(box)
    check(wait_until(lambda: s.log_lines(FOLDER) == before + SAVE_LINES, 5),
          "one pair of save lines", s.log_lines(FOLDER))
    check(buttons.no_box_for(s, 2) and s.log_lines(FOLDER) == before + SAVE_LINES,
          "and nothing after it", s.log_lines(FOLDER))
    check(wait_until(lambda: not control("btn3")["enabled"], 5), "保存 is disabled again")
    check(enabled(), "the main window is enabled again")
    exit_from_tray(s, process)


def backup_at_start(s, peer, program):
    print("== BACKUP_STARTBACKUP=1: one database backed up before the window shows", flush=True)
    fresh_folders(s)
    check(s.driver("find-any", "TavrixTrayIcon") == [], "no instance is left running")
    database, local = "备份库", FOLDER + "\\本地备份"
    exe = install_with_config(s, program, ["BACKUP_STARTBACKUP=1", "BACKUP_ALLDB=0",
                                           "BACKUP_LIST=" + database, "BACKUP_USB=0",
                                           "BACKUP_PATH=" + local])
    first_request = len(peer.requests())

    def backup_done():  # the server's file, its copy or the job's log line is there
        return any(os.listdir(path) for path in (s.unix_path(TEMP_FOLDER), s.unix_path(local))
                   if os.path.isdir(path)) or any("数据库备份成功" in m for m in s.log_lines(FOLDER))

    peer.set(delay=START_UP_DELAY)
    started = datetime.datetime.now().replace(microsecond=0)
    try:
        process = s.start(exe)
        held = wait_until(lambda: peer.batches_since(first_request), 20, 0.05)
        if not check(bool(held), "the peer receives a statement at start"):
            return
        # The peer holds its answer for START_UP_DELAY seconds: meanwhile the main window may
        # not be visible, nor the promotion window exist (it is made right after the main
        # window is shown). A look counts only when the backup was still unanswered after it.
        looks, seen = 0, []
        while not backup_done() and not seen:
            windows = s.driver("find", "TfrmMain", 0) + s.driver("find-any", "TfrmGG", 0)
            if backup_done():
                break
            looks, seen = looks + 1, windows
        check(looks > 0, "the windows were looked at while the server held the backup",
              f"only after its answer: START_UP_DELAY ({START_UP_DELAY} s) is too short here")
        check(not seen, "while the server holds the backup, the main window is not shown", seen)
        # Timer1's second has run out by then, so the window hides at the first message it
        # handles: the promotion window is what shows that it was shown.
        shown = s.driver("find-any", "TfrmGG", 20000)
        log = s.log_lines(FOLDER)
    finally:
        peer.reset()
    check(bool(shown), "the main window is shown once the backup is done (then the promotion "
          "window is made)")
    statement_at = held[0]["time"]
    check(time.time() >= statement_at + START_UP_DELAY,
          f"no earlier than the server's answer ({START_UP_DELAY:.0f} s after the statement)")
    line = log[2] if len(log) == 3 else ""
    found = re.fullmatch(r"数据库备份成功: " + re.escape(local + "\\" + database) + STAMP + r"\.bak",
                         line)
    check(log[:2] == ["程序启动。", "增加开机自启动成功。"] and bool(found),
          f"by then the log holds the start lines and 数据库备份成功: {local}\\{database}<stamp>.bak",
          log)
    if not found:
        return
    stamp = found[1]
    check(stamp_in_run(stamp, started, datetime.datetime.now()), "stamped at the start", stamp)
    name = f"{database}{stamp}.bak"
    # A file name outside ASCII goes into a Unicode literal.
    literal = "N'" if any(ord(c) > 0x7F for c in name) else "'"
    statement = (f"BACKUP DATABASE \"{database}\" TO DISK ={literal}{TEMP_FOLDER}\\{name}' "
                 "with init")
    check([b["sql"] for b in held] == [statement], f"the peer received {statement}",
          [b["sql"] for b in held])
    landed = os.path.join(s.unix_path(local), name)
    content = open(landed, "rb").read() if os.path.exists(landed) else b""
    check(content.startswith(f"TDSPEER BACKUP\ndatabase: {database}\n".encode()),
          f"the file landed in {local} with the server's bytes", content[:60])
    check(os.listdir(s.unix_path(TEMP_FOLDER)) == [], "nothing is left in c:\\tempbak")
    main = s.driver("find-any", "TfrmMain", 0)
    check(bool(main) and wait_until(lambda: not s.visible(main[0]["hwnd"]), 10),
          "the main window is hidden again: its second ran out during the backup")
    check([b["sql"] for b in peer.batches_since(first_request)] == [statement],
          "and nothing more reaches the server")
    exit_from_tray(s, process)


def failed_hand_overs(s, peer, drive_e, layout, program):
    print("== Two failed hand-overs leave one backup of master in c:\\tempbak, E: untouched",
          flush=True)
    fresh_folders(s)
    check(s.driver("find-any", "TavrixTrayIcon") == [], "no instance is left running")
    backup = os.path.join(drive_e, "BACKUP")
    os.makedirs(backup, exist_ok=True)
    now = datetime.datetime.now().replace(microsecond=0)
    for second in range(-5, 600):
        stamp = (now + datetime.timedelta(seconds=second)).strftime("%y%m%d%H%M%S")
        with open(os.path.join(backup, f"master{stamp}.bak"), "wb") as f:
            f.write(f"earlier backup {stamp}\n".encode())

    def snapshot():
        return {name: (open(os.path.join(backup, name), "rb").read(),
                       os.stat(os.path.join(backup, name)).st_mtime_ns)
                for name in os.listdir(backup)}

    before = snapshot()
    exe = install_with_config(s, program, STICK_CONFIG)
    first_request = len(peer.requests())
    process = s.start(exe)
    main = s.started_and_shown()
    if not main:
        return
    ids = control_ids(layout)
    test = {c["id"]: c for c in s.driver("controls", main)}[ids["btn4"]]
    for attempt in range(2):
        if attempt:
            time.sleep(1.1)  # a stamp of its own
        buttons.press(s, test)
        buttons.answer_box(s, "测试失败!")

    log = s.log_lines(FOLDER)
    kept = [re.fullmatch(r"数据库备份复制失败，临时备份文件保留在: c:\\tempbak\\master" + STAMP +
                         r"\.bak", m) for m in log]
    stamps = [k[1] for k in kept if k]
    if not check(len(stamps) == 2 and stamps[0] < stamps[1],
                 "two copy-failure lines, each naming its kept backup", log):
        exit_from_tray(s, process)
        return
    first, second = (f"master{stamp}.bak" for stamp in stamps)
    deleted = [m for m in log if m.startswith("已删除较早的临时备份文件")]
    check(deleted == [f"已删除较早的临时备份文件: c:\\tempbak\\{first}"],
          "the second test deleted the first's kept backup and logged it", deleted)
    second_line = f"数据库备份复制失败，临时备份文件保留在: c:\\tempbak\\{second}"
    check(bool(deleted) and log.index(deleted[0]) == log.index(second_line) + 1,
          "right after the second copy-failure line", log)
    temp = s.unix_path(TEMP_FOLDER)
    check(sorted(os.listdir(temp)) == [second], f"c:\\tempbak holds {second} alone",
          sorted(os.listdir(temp)))
    content = open(os.path.join(temp, second), "rb").read() if os.path.exists(
        os.path.join(temp, second)) else b""
    check(content.startswith(b"TDSPEER BACKUP\ndatabase: master\n"), "with the server's bytes",
          content[:40])
    check(not any(m.startswith("数据库备份成功") for m in log), "no success line", log)
    after = snapshot()
    check(after == before, f"the {len(before)} files on E:\\BACKUP are untouched, none added",
          sorted(set(after) ^ set(before))[:5])
    batches = [b["sql"] for b in peer.batches_since(first_request)]
    check(len(batches) == 2 and all(b.startswith('BACKUP DATABASE "master"') for b in batches),
          "the server backed master up twice", batches)
    exit_from_tray(s, process)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--driver", required=True)
    args = parser.parse_args()
    for name in ("DISPLAY", "WINEPREFIX", "WINELOADER", "TDS_PEER_LOG", "TDS_HARNESS_REMOVABLE"):
        if not os.environ.get(name):
            sys.exit(f"{name} is not set: run this inside tests/tds/wine_harness.py --removable")
    letter, drive_e = os.environ["TDS_HARNESS_REMOVABLE"].split("=", 1)
    if letter != "e":
        sys.exit("the removable drive must be E:")
    s, peer = HarnessSession(args.driver), Peer()
    layout = e2e.read_layout(args.driver)
    clock = time.monotonic()
    test_and_save(s, peer, drive_e, layout, args.program)
    print(f"  ({time.monotonic() - clock:.1f} s)", flush=True)
    clock = time.monotonic()
    impatient_clicks(s, peer, drive_e, layout, args.program)
    print(f"  ({time.monotonic() - clock:.1f} s)", flush=True)
    clock = time.monotonic()
    backup_at_start(s, peer, args.program)
    print(f"  ({time.monotonic() - clock:.1f} s)", flush=True)
    clock = time.monotonic()
    failed_hand_overs(s, peer, drive_e, layout, args.program)
    print(f"  ({time.monotonic() - clock:.1f} s)", flush=True)
    e2e.finish("end-to-end test through Wine's ADO passed")


if __name__ == "__main__":
    main()
