#!/usr/bin/env python3
"""A minimal SQL Server for tests: speaks TDS 7.x on a loopback port, answers the
database list and BACKUP DATABASE the way SQL Server does, writes the backup file
where the server's own machine would, and logs every request as one JSON line.

  tds_peer.py [--config FILE.json] [--port N] [--database NAME ...] [--refuse NAME ...]
              [--delay SECONDS] [--mode sqlserver|rowcount|silent|silent-login]
              [--log FILE] [--drive-c DIR] [--port-file FILE] [--override FILE]

Modes: sqlserver answers like SQL Server (informational 4035 and 3014 on a backup, a
final DONE without a row count); rowcount leaves out the informational messages and
ends every statement with a DONE that carries a row count, which is what Wine's ODBC
bridge needs to report success; silent logs in and then answers nothing (not even a
cancel); silent-login never answers the pre-login."""

import sys

sys.dont_write_bytecode = True  # keep the source tree clean

import argparse
import json
import os
import select
import signal
import socket
import socketserver
import threading
import time

import tds_statements
import tds_wire as w

SERVER_NAME = "TDSPEER"
DEFAULTS = {
    "host": "127.0.0.1",
    "port": 0,
    "databases": ["master", "tempdb", "model", "msdb"],
    "refused": ["tempdb"],
    "delay": 0.0,
    "mode": "sqlserver",
    "log": None,
    "drive_c": None,
    "port_file": None,
    "override": None,
}
MODES = ("sqlserver", "rowcount", "silent", "silent-login")
OS_ERRORS = {3: "The system cannot find the path specified.", 5: "Access is denied."}


class LiveConfig:
    """The configuration, with the keys of an optional override file laid over it; the
    file is read again for every request, so a test can change the peer's behaviour
    between two statements (for a Windows test program under Wine, through Z:)."""

    def __init__(self, base):
        self.base = base

    def current(self):
        path = self.base.get("override")
        if not path or not os.path.exists(path):
            return self.base
        try:
            with open(path, encoding="utf-8") as f:
                return dict(self.base, **json.load(f))
        except (OSError, ValueError):
            return self.base


class RequestLog:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8") if path else None
        self._lock = threading.Lock()

    def write(self, entry):
        if not self._file:
            return
        line = json.dumps(dict(time=round(time.time(), 3), **entry), ensure_ascii=True)
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()


def map_windows_path(path, drive_c):
    """The host file behind a Windows path on drive C:, as Wine lays it out: folders
    matched without regard to case. None when the drive is not C: or a folder is missing."""
    if not drive_c or len(path) < 3 or path[1] != ":" or path[0].lower() != "c" or path[2] not in "\\/":
        return None
    parts = [p for p in path[3:].replace("/", "\\").split("\\") if p]
    if not parts:
        return None
    current = drive_c
    for index, part in enumerate(parts):
        try:
            entries = os.listdir(current)
        except OSError:
            return None
        match = next((e for e in entries if e == part), None) or \
            next((e for e in entries if e.casefold() == part.casefold()), None)
        last = index == len(parts) - 1
        if match is None and not last:
            return None
        current = os.path.join(current, match or part)
    return current


def backup_bytes(database, windows_path):
    """Recognisable content: a header naming the peer, the database and the path, then a
    fixed pattern so the file has some size."""
    header = "TDSPEER BACKUP\ndatabase: %s\npath: %s\n" % (database, windows_path)
    return header.encode("utf-8") + bytes(range(256)) * 16


class Session:
    """One client connection, from pre-login to close."""

    counter = 0
    counter_lock = threading.Lock()

    def __init__(self, sock, address, live_config, log):
        self.sock, self.live_config, self.log = sock, live_config, log
        self.config = live_config.current()
        with Session.counter_lock:
            Session.counter += 1
            self.number = Session.counter
        self.address = "%s:%d" % address[:2]
        self.tds_version = w.TDS72
        self.packet_size = 4096
        self.database = "master"

    def record(self, request, **fields):
        if "sql" in fields:  # the text exactly as received, for byte-for-byte checks
            fields["sql_utf16le"] = fields["sql"].encode("utf-16-le", "surrogatepass").hex()
        self.log.write(dict(conn=self.number, client=self.address, request=request, **fields))

    def send(self, payload):
        w.write_message(self.sock, w.REPLY, payload, self.packet_size)

    def run(self):
        try:
            while True:
                kind, payload, ignored = w.read_message(self.sock)
                if ignored:
                    self.record("ignored", type=kind)
                    continue
                self.dispatch(kind, payload)
        except (w.ConnectionClosed, ConnectionError, OSError):
            pass
        except Exception as error:  # a request this peer cannot read: log it, drop the client
            self.record("unreadable", error=repr(error))
        finally:
            self.record("disconnect")

    def dispatch(self, kind, payload):
        self.config = self.live_config.current()
        mode = self.config["mode"]
        if kind == w.PRELOGIN:
            options = w.parse_prelogin(payload)
            self.record("prelogin", encryption=options.get(1, b"").hex(), answer=mode != "silent-login")
            if mode != "silent-login":
                self.send(w.prelogin_reply())
        elif kind == w.LOGIN7:
            self.login(w.parse_login7(payload))
        elif kind == w.SQL_BATCH:
            self.batch(w.batch_text(payload, self.tds_version))
        elif kind == w.RPC:
            procedure, texts = w.parse_rpc(payload, self.tds_version)
            self.record("rpc", procedure=procedure, texts=texts, answer="error 2812")
            self.send(w.message(2812, 62, 16, "Could not find stored procedure '%s' on this test "
                                "server; send statements as batches." % procedure, SERVER_NAME,
                                self.tds_version) +
                      w.done(w.DONE_ERROR, tds_version=self.tds_version, kind=0xFE))
        elif kind == w.ATTENTION:
            self.record("attention", during="idle", answer=mode != "silent")
            if mode != "silent":
                self.send(w.done(w.DONE_ATTN, tds_version=self.tds_version))
        else:
            self.record("other", type=kind, bytes=len(payload))

    def login(self, login):
        self.tds_version = min(int(login["tds_version"], 16), 0x74000004)
        self.packet_size = min(max(login["packet_size"] or 4096, 512), 32767)
        database = login["database"] or "master"
        known = self.find_database(database)
        self.record("login7", **login, answer="loginack" if known else "error 4060")
        v = self.tds_version
        if not known:
            self.send(w.message(4060, 1, 11, 'Cannot open database "%s" requested by the login. '
                                'The login failed.' % database, SERVER_NAME, v) +
                      w.done(w.DONE_ERROR, tds_version=v))
            return
        self.database = known
        size = str(self.packet_size)
        self.send(w.envchange(1, known, "master") +
                  w.message(5701, 2, 0, "Changed database context to '%s'." % known, SERVER_NAME, v) +
                  w.envchange(2, "us_english", "") +
                  w.message(5703, 1, 0, "Changed language setting to us_english.", SERVER_NAME, v) +
                  w.envchange_collation() + w.envchange(4, size, size) +
                  w.loginack(v) + w.done(w.DONE_FINAL, tds_version=v))

    def find_database(self, name):
        return next((d for d in self.config["databases"] if d.casefold() == name.casefold()), None)

    def finish(self, status=w.DONE_FINAL, rowcount=0, curcmd=0):
        if self.config["mode"] == "rowcount" and not status & w.DONE_COUNT:
            status, rowcount = status | w.DONE_COUNT, max(rowcount, 1)
        return w.done(status, rowcount, self.tds_version, curcmd=curcmd)

    def batch(self, sql):
        mode = self.config["mode"]
        if mode == "silent":
            self.record("sql_batch", sql=sql, answer="silent")
            return
        if tds_statements.is_database_list(sql):
            names = list(self.config["databases"])
            self.record("sql_batch", sql=sql, answer="rows", rows=names)
            self.send(w.nvarchar_table("name", names, self.tds_version) +
                      self.finish(w.DONE_COUNT, len(names), w.CURCMD_SELECT))
            return
        backup = tds_statements.parse_backup(sql)
        if backup:
            self.backup(sql, *backup)
            return
        self.record("sql_batch", sql=sql, answer="done")
        self.send(self.finish())

    def backup(self, sql, database, path, options):
        v = self.tds_version
        known = self.find_database(database)
        refused = known and any(known.casefold() == r.casefold() for r in self.config["refused"])
        target = map_windows_path(path, self.config["drive_c"]) if known and not refused else None
        if not known:
            answer, errors = "error 911", [(911, 11, "Database '%s' does not exist. Make sure that "
                                            "the name is entered correctly." % database)]
        elif refused or target is None:
            code = 5 if refused else 3
            answer, errors = "error 3201", [(3201, 2, "Cannot open backup device '%s'. Operating system "
                                             "error %d(%s)." % (path, code, OS_ERRORS[code]))]
        else:
            answer, errors = "backup", []
        self.record("sql_batch", sql=sql, answer=answer, database=database, path=path,
                    options=options, file=target, delay=self.config["delay"] if not errors else 0)
        if errors:
            errors.append((3013, 1, "BACKUP DATABASE is terminating abnormally."))
            self.send(b"".join(w.message(n, s, 16, t, SERVER_NAME, v) for n, s, t in errors) +
                      w.done(w.DONE_ERROR, tds_version=v))
            return
        if not self.wait_unless_cancelled(self.config["delay"]):
            return
        with open(target, "wb" if "init" in options else "ab") as f:
            f.write(backup_bytes(known, path))
        pages = 330 + len(known)
        info = b""
        if self.config["mode"] != "rowcount":
            info = (w.message(4035, 1, 0, "Processed %d pages for database '%s', file '%s' on file 1."
                              % (pages, known, known), SERVER_NAME, v) +
                    w.message(4035, 1, 0, "Processed 2 pages for database '%s', file '%slog' on file 1."
                              % (known, known), SERVER_NAME, v) +
                    w.message(3014, 1, 0, "BACKUP DATABASE successfully processed %d pages in 0.051 "
                              "seconds (53.212 MB/sec)." % (pages + 2), SERVER_NAME, v))
        self.send(info + self.finish())

    def wait_unless_cancelled(self, seconds):
        """Waits out the statement's run time; a cancel ends it at once with the
        acknowledging DONE. False when the statement was cancelled or the client left."""
        deadline = time.monotonic() + seconds
        while (left := deadline - time.monotonic()) > 0:
            readable, _, _ = select.select([self.sock], [], [], left)
            if not readable:
                continue
            kind, _, _ = w.read_message(self.sock)
            self.record("attention" if kind == w.ATTENTION else "other", during="backup", type=kind)
            if kind == w.ATTENTION:
                self.send(w.done(w.DONE_ATTN, tds_version=self.tds_version))
                return False
        return True


def load_config(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--config", help="JSON file with any of the keys below")
    parser.add_argument("--host")
    parser.add_argument("--port", type=int, help="0 picks a free port (see --port-file)")
    parser.add_argument("--database", dest="databases", action="append")
    parser.add_argument("--refuse", dest="refused", action="append")
    parser.add_argument("--delay", type=float, help="seconds a backup takes")
    parser.add_argument("--mode", choices=MODES)
    parser.add_argument("--log", help="JSON-lines request log")
    parser.add_argument("--drive-c", dest="drive_c", help="folder that is drive C: (Wine's drive_c)")
    parser.add_argument("--port-file", dest="port_file", help="written with the port once listening")
    parser.add_argument("--override", help="JSON file read for every request; its keys replace these")
    args = parser.parse_args(argv)
    config = dict(DEFAULTS)
    if args.config:
        with open(args.config, encoding="utf-8") as f:
            config.update(json.load(f))
    config.update({k: v for k, v in vars(args).items() if v is not None and k != "config"})
    if config["drive_c"]:
        config["drive_c"] = os.path.abspath(config["drive_c"])
    if config["mode"] not in MODES:
        parser.error("unknown mode %r" % config["mode"])
    return config


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start(config):
    """A listening server for config; the caller runs serve_forever."""
    log = RequestLog(config["log"])
    live = LiveConfig(config)

    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            Session(self.request, self.client_address, live, log).run()

    server = Server((config["host"], config["port"]), Handler)
    port = server.server_address[1]
    log.write(dict(request="listen", port=port, mode=config["mode"], databases=config["databases"],
                   refused=config["refused"], delay=config["delay"]))
    if config["port_file"]:
        temporary = config["port_file"] + ".tmp"
        with open(temporary, "w") as f:
            f.write("%d\n" % port)
        os.replace(temporary, config["port_file"])
    return server


def main(argv):
    config = load_config(argv)
    server = start(config)
    print("tds_peer listening on %s:%d (%s)" % (config["host"], server.server_address[1],
                                                config["mode"]), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main(sys.argv[1:])
