#!/usr/bin/env python3
"""Runs a command in a Wine prefix of its own where the program's exact SQLOLEDB
connection strings reach the TDS test peer through Wine's real ADO:

  ADO (msado15) -> "SQLOLEDB"/"SQLOLEDB.1", registered as aliases of Wine's MSDASQL
  -> Wine's odbc32 -> unixODBC data source "(local)" -> FreeTDS -> tds_peer.py

FreeTDS logs in with GSSAPI because Wine passes no user name, so a throw-away Kerberos
realm runs beside the peer. Everything started here is stopped when the command ends.

  wine_harness.py [--wine-dir DIR] [--mode MODE] [--delay S] [--database NAME ...]
                  [--refuse NAME ...] [--connect-timeout S] [--query-timeout S]
                  [--timeout S] [--no-wine] [--removable LETTER=FOLDER [--label TEXT]]
                  -- COMMAND [ARGS...]

The command sees TDS_HARNESS=1 and:
  TDS_PEER_PORT, TDS_PEER_LOG (the peer's JSON-lines request log),
  TDS_PEER_OVERRIDE (a JSON file whose keys override the peer's configuration for the
  next request), TDS_PEER_CONNECT_TIMEOUT / TDS_PEER_QUERY_TIMEOUT (FreeTDS's bounds),
  TAVRIX_WINE_DIR (this harness's Wine folder), and the ODBC, FreeTDS and Kerberos
  variables. Without --no-wine the command runs inside tools/with-wine-session."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True

import freetds_clients  # noqa: E402
from kerberos_realm import KerberosRealm  # noqa: E402
from peer_process import HERE, PeerProcess  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
MSDASQL_CLSID = "{C8B522CB-5CF3-11CE-ADE5-00AA0044773D}"
DATA_SOURCE = "(local)"
FREETDS_SERVER = "tavrix_peer"
DATABASES = ["master", "tempdb", "model", "msdb", "备份库", "we\"ird'name"]


def registry_file(path, removable_letter=None):
    """A .reg file naming MSDASQL's class for both provider names the program uses, and
    making the removable drive's letter a floppy (Wine's removable type)."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for name in ("SQLOLEDB", "SQLOLEDB.1"):
        lines += ["[HKEY_LOCAL_MACHINE\\Software\\Classes\\%s]" % name, '@="%s"' % name, "",
                  "[HKEY_LOCAL_MACHINE\\Software\\Classes\\%s\\CLSID]" % name, '@="%s"' % MSDASQL_CLSID, ""]
    if removable_letter:
        lines += ["[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]", '"%s:"="floppy"' % removable_letter, ""]
    with open(path, "w", encoding="utf-16") as f:
        f.write("\r\n".join(lines) + "\r\n")


def forget_start_up_value(prefix, name="Tavrix"):
    """Drops the program's HKLM Run value from the prefix, offline, before the session's
    server starts: the session's wineboot would otherwise start the program left registered
    by an earlier run, and that instance would hold the program's mutex."""
    path = os.path.join(prefix, "system.reg")
    if not os.path.exists(path):
        return
    with open(path, encoding="latin-1") as f:
        lines = f.read().split("\n")
    section, kept = "", []
    for line in lines:
        if line.startswith("["):
            section = line.split("]")[0].lower()
        if (section == r"[software\\microsoft\\windows\\currentversion\\run" and
                line.lower().startswith('"%s"=' % name.lower())):
            continue
        kept.append(line)
    if len(kept) != len(lines):
        with open(path, "w", encoding="latin-1") as f:
            f.write("\n".join(kept))


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wine-dir", default=os.environ.get("TDS_HARNESS_WINE_DIR",
                                                             os.path.join(ROOT, "build", "tds-wine")))
    parser.add_argument("--mode", default="rowcount", help="the peer's mode (default rowcount)")
    parser.add_argument("--delay", type=float, default=0.0)
    parser.add_argument("--database", dest="databases", action="append")
    parser.add_argument("--refuse", dest="refused", action="append")
    parser.add_argument("--connect-timeout", type=int, default=5)
    parser.add_argument("--query-timeout", type=int, default=5)
    parser.add_argument("--timeout", type=float, default=600, help="seconds the command may run")
    parser.add_argument("--no-wine", action="store_true", help="run the command without a Wine session")
    parser.add_argument("--removable", metavar="LETTER=FOLDER",
                        help="make drive LETTER a removable drive showing FOLDER (e.g. e=/tmp/usb)")
    parser.add_argument("--label", help="volume label of the removable drive (.windows-label)")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    if args.command[:1] == ["--"]:
        args.command = args.command[1:]
    if not args.command:
        parser.error("no command given")
    if args.removable and not re.fullmatch(r"[a-yA-Y]=/.+", args.removable):
        parser.error("--removable wants LETTER=/absolute/folder")
    return args


def run_bounded(command, env, timeout):
    """The command's exit code; a command still running at timeout is stopped with its
    process group and reported as 124."""
    process = subprocess.Popen(command, env=env, start_new_session=True)
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        print("wine_harness: command still running after %.0f s, stopping it" % timeout, file=sys.stderr)
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
        return 124


def main(argv):
    args = parse_args(argv)
    started = time.monotonic()
    wine_dir = os.path.abspath(args.wine_dir)
    work = os.path.join(wine_dir, "harness")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    drive_c = os.path.join(wine_dir, "prefix", "drive_c")
    override = os.path.join(work, "peer-override.json")

    peer = PeerProcess(os.path.join(work, "peer"), mode=args.mode, delay=args.delay,
                       databases=args.databases or DATABASES, refused=args.refused or ["tempdb"],
                       drive_c=drive_c, override=override)
    realm = None
    try:
        peer.start()
        realm = KerberosRealm(os.path.join(work, "krb5"), ["MSSQLSvc/127.0.0.1:%d" % peer.port]).start()
        freetds_conf = os.path.join(work, "freetds.conf")
        freetds_clients.write_freetds_conf(freetds_conf, peer.port, args.connect_timeout,
                                           args.query_timeout, server=FREETDS_SERVER)
        freetds_clients.write_odbc_ini(work, DATA_SOURCE, freetds_server=FREETDS_SERVER)
        env = freetds_clients.odbc_environment(work, freetds_conf)
        env.update(realm.env)
        env.pop("WINEPREFIX", None)  # the session below derives it from TAVRIX_WINE_DIR
        env.update(TDS_HARNESS="1", TAVRIX_WINE_DIR=wine_dir, TDS_PEER_PORT=str(peer.port),
                   TDS_PEER_LOG=peer.log_path, TDS_PEER_OVERRIDE=override,
                   TDS_PEER_CONNECT_TIMEOUT=str(args.connect_timeout),
                   TDS_PEER_QUERY_TIMEOUT=str(args.query_timeout))
        command = args.command
        if not args.no_wine:
            letter = None
            if args.removable:
                letter, folder = args.removable.lower().split("=", 1)
                os.makedirs(folder, exist_ok=True)
                if args.label is not None:
                    with open(os.path.join(folder, ".windows-label"), "w", encoding="utf-8") as f:
                        f.write(args.label + "\n")
                env["TDS_HARNESS_REMOVABLE"] = "%s=%s" % (letter, os.path.abspath(folder))
            forget_start_up_value(os.path.join(wine_dir, "prefix"))
            env["TDS_HARNESS_REG"] = os.path.join(work, "harness.reg")
            registry_file(env["TDS_HARNESS_REG"], letter)
            command = [os.path.join(ROOT, "tools", "with-wine-session"),
                       os.path.join(HERE, "inside_wine_session.sh")] + command
        print("wine_harness: peer on 127.0.0.1:%d (%s), realm ready after %.1f s"
              % (peer.port, args.mode, time.monotonic() - started), flush=True)
        code = run_bounded(command, env, args.timeout)
    finally:
        if realm:
            realm.stop()
        peer.stop()
    print("wine_harness: %d requests reached the peer; command exit %d after %.1f s"
          % (len(peer.requests()) - 1, code, time.monotonic() - started), flush=True)
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
