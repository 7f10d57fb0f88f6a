#!/usr/bin/env python3
"""The TDS test peer against FreeTDS's own clients: rows of the database list, backups
that succeed and fail, cancels, the row-count mode and silent servers. Every client
call is bounded by a timeout; the run ends with a one-line summary."""

import os
import shutil
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import freetds_clients as clients  # noqa: E402
import tds_peer  # noqa: E402
import tds_statements  # noqa: E402
from peer_process import PeerProcess  # noqa: E402


def backup_statement(database, path):
    """The statement as the program sends it, with " and ' doubled."""
    return "BACKUP DATABASE \"%s\" TO DISK ='%s' with init" % (database.replace('"', '""'),
                                                               path.replace("'", "''"))


class StatementTest(unittest.TestCase):
    def test_backup_statements(self):
        cases = [
            ("BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\master1.bak' with init",
             ("master", "c:\\tempbak\\master1.bak", ["init"])),
            ("backup database [my]]db] to disk = N'c:\\x.bak'", ("my]db", "c:\\x.bak", [])),
            ("BACKUP DATABASE msdb TO DISK='c:\\a b\\m.bak' WITH INIT, COMPRESSION\r\n",
             ("msdb", "c:\\a b\\m.bak", ["init", "compression"])),
            (backup_statement('a"b\'c', "c:\\tempbak\\a\"b'c1.bak"),
             ('a"b\'c', "c:\\tempbak\\a\"b'c1.bak", ["init"])),
        ]
        for sql, expected in cases:
            with self.subTest(sql=sql):
                self.assertEqual(tds_statements.parse_backup(sql), expected)
        for sql in ["BACKUP LOG master TO DISK='x'", "BACKUP DATABASE \"a\"b\" TO DISK ='x' with init",
                    "BACKUP DATABASE master TO DISK ='x'' with init", "select 1"]:
            with self.subTest(sql=sql):
                self.assertIsNone(tds_statements.parse_backup(sql))

    def test_database_list(self):
        for sql in ["select name from sysdatabases", "select name from sysdatabases\r\n",
                    "SELECT  name\nFROM master.dbo.sysdatabases;"]:
            self.assertTrue(tds_statements.is_database_list(sql), sql)
        for sql in ["select name from sys.databases", "select name, dbid from sysdatabases"]:
            self.assertFalse(tds_statements.is_database_list(sql), sql)

    def test_windows_paths_map_onto_drive_c(self):
        root = tempfile.mkdtemp(prefix="tdspeer-map-")
        self.addCleanup(shutil.rmtree, root)
        os.makedirs(os.path.join(root, "tempbak"))
        cases = [("c:\\tempbak\\m.bak", os.path.join(root, "tempbak", "m.bak")),
                 ("C:\\TEMPBAK\\m.bak", os.path.join(root, "tempbak", "m.bak")),
                 ("c:/tempbak/备份.bak", os.path.join(root, "tempbak", "备份.bak")),
                 ("c:\\missing\\m.bak", None), ("d:\\tempbak\\m.bak", None), ("m.bak", None)]
        for path, expected in cases:
            self.assertEqual(tds_peer.map_windows_path(path, root), expected, path)


class PeerTest(unittest.TestCase):
    """Each test starts its own peer over a fresh drive C: with c:\\tempbak."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tdspeer-test-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.drive_c = os.path.join(self.dir, "drive_c")
        os.makedirs(os.path.join(self.drive_c, "tempbak"))

    def peer(self, **config):
        config.setdefault("drive_c", self.drive_c)
        peer = PeerProcess(os.path.join(self.dir, "peer"), **config).start()
        self.addCleanup(peer.stop)
        return peer

    def odbc(self, peer, connect_timeout=3, query_timeout=5, database="master"):
        conf = os.path.join(self.dir, "freetds.conf")
        clients.write_freetds_conf(conf, peer.port, connect_timeout, query_timeout)
        clients.write_odbc_ini(self.dir, "peer", freetds_server="peer", database=database)
        return clients.odbc_environment(self.dir, conf)

    def backups(self):
        return sorted(os.listdir(os.path.join(self.drive_c, "tempbak")))

    def test_database_list_returns_the_configured_rows_in_order(self):
        names = ["master", "tempdb", "备份库", 'we"ird', "model"]
        peer = self.peer(databases=names)
        code, out = clients.tsql(peer.port, ["select name from sysdatabases"])
        self.assertEqual(code, 0, out)
        lines = out.splitlines()
        header = next(i for i, line in enumerate(lines) if line.rstrip().endswith("name"))
        self.assertEqual([line.strip() for line in lines[header + 1:header + 1 + len(names)]], names)
        self.assertIn("(%d rows affected)" % len(names), out)
        [batch] = peer.requests("sql_batch")
        self.assertEqual(batch["sql"], "select name from sysdatabases\n")
        self.assertEqual(batch["rows"], names)

    def test_sql_login_is_recorded(self):
        peer = self.peer()
        code, out = clients.tsql(peer.port, ["select 1"], user="sa", password="p;w'd\"")
        self.assertEqual(code, 0, out)
        [login] = peer.requests("login7")
        self.assertEqual((login["user"], login["password"], login["integrated_security"]),
                         ("sa", "p;w'd\"", False))
        self.assertEqual(login["tds_version"], "0x74000004")

    def test_backup_writes_the_file_where_the_server_would(self):
        cases = [("master", "c:\\tempbak\\master240102030405.bak", "master240102030405.bak"),
                 ("Master", "C:\\TempBak\\Master1.bak", "Master1.bak"),
                 ('q"uo\'te', "c:\\tempbak\\q\"uo'te1.bak", "q\"uo'te1.bak"),
                 ("备份库", "c:\\tempbak\\备份库1.bak", "备份库1.bak")]
        peer = self.peer(databases=["master", 'q"uo\'te', "备份库"])
        statements = [backup_statement(db, path) for db, path, _ in cases]
        code, out = clients.tsql(peer.port, statements + statements[:1])  # the first twice: init
        self.assertEqual(code, 0, out)
        self.assertEqual(out.count("Msg 3014"), len(cases) + 1, out)
        self.assertEqual(out.count("Msg 4035"), 2 * (len(cases) + 1))
        self.assertNotIn("Msg 3013", out)
        self.assertEqual(self.backups(), sorted(name for _, _, name in cases))
        for (db, path, name), sql, request in zip(cases, statements, peer.requests("sql_batch")):
            self.assertEqual(request["sql"], sql + "\n")
            self.assertEqual(request["sql_utf16le"], (sql + "\n").encode("utf-16-le").hex())
            self.assertEqual((request["answer"], request["database"], request["path"]), ("backup", db, path))
            with open(os.path.join(self.drive_c, "tempbak", name), "rb") as f:
                content = f.read()
            known = next(d for d in peer.config["databases"] if d.lower() == db.lower())
            self.assertEqual(content, tds_peer.backup_bytes(known, path))

    def test_refused_unknown_and_unwritable_backups_fail_like_sql_server(self):
        cases = [("nosuch", "c:\\tempbak\\nosuch1.bak", ["Msg 911 ", "Msg 3013 "]),
                 ("tempdb", "c:\\tempbak\\tempdb1.bak", ["Msg 3201 ", "error 5(Access is denied.)", "Msg 3013 "]),
                 ("master", "c:\\missing\\master1.bak", ["Msg 3201 ", "error 3(", "Msg 3013 "]),
                 ("master", "d:\\tempbak\\master1.bak", ["Msg 3201 ", "Msg 3013 "])]
        peer = self.peer(databases=["master", "tempdb"], refused=["tempdb"])
        for db, path, expected in cases:
            with self.subTest(database=db, path=path):
                code, out = clients.tsql(peer.port, [backup_statement(db, path)])
                for text in expected:
                    self.assertIn(text, out)
                self.assertIn("severity 16", out)
                self.assertNotIn("Msg 3014", out)
        self.assertEqual(self.backups(), [])
        self.assertEqual([r["answer"] for r in peer.requests("sql_batch")],
                         ["error 911", "error 3201", "error 3201", "error 3201"])

    def test_odbc_reports_info_or_success_by_mode(self):
        cases = [("sqlserver", "SQLRowCount returns -1"), ("rowcount", "SQLRowCount returns 1")]
        for mode, expected in cases:
            with self.subTest(mode=mode):
                peer = self.peer(mode=mode)
                code, out = clients.isql("peer", [backup_statement("master", "c:\\tempbak\\m.bak")],
                                         self.odbc(peer))
                self.assertNotIn("[ISQL]ERROR", out)
                self.assertIn(expected, out)
                self.assertEqual("Processed" in out, mode == "sqlserver", out)
                self.assertEqual("SQL_SUCCESS_WITH_INFO" in out, mode == "sqlserver", out)
                peer.stop()
        self.assertEqual(self.backups(), ["m.bak"])

    def test_cancel_stops_a_running_backup_and_keeps_the_connection(self):
        peer = self.peer(delay=30, databases=["master", "after_cancel"])
        started = time.monotonic()
        code, out = clients.isql("peer", [backup_statement("master", "c:\\tempbak\\m.bak"),
                                          "select name from sysdatabases"],
                                 self.odbc(peer, query_timeout=1), timeout=20, stop_on_error=False)
        elapsed = time.monotonic() - started
        self.assertIsNotNone(code, "isql hung")
        self.assertIn("Timeout expired", out)
        self.assertLess(elapsed, 10)
        # the acknowledged cancel leaves the connection usable for the next statement
        self.assertIn("after_cancel", out)
        self.assertEqual(len({r["conn"] for r in peer.requests("sql_batch")}), 1)
        [attention] = peer.requests("attention")
        self.assertEqual(attention["during"], "backup")
        self.assertEqual(self.backups(), [])

    def test_silent_servers_are_bounded_by_the_client_timeouts(self):
        cases = [("silent", dict(query_timeout=1), ["sql_batch", "attention"]),
                 ("silent-login", dict(connect_timeout=1), ["prelogin"])]
        for mode, timeouts, logged in cases:
            with self.subTest(mode=mode):
                peer = self.peer(mode=mode)
                started = time.monotonic()
                code, out = clients.isql("peer", ["select name from sysdatabases"],
                                         self.odbc(peer, **timeouts), timeout=30)
                elapsed = time.monotonic() - started
                self.assertIsNotNone(code, "isql hung")
                self.assertIn("[ISQL]ERROR", out)  # isql exits 0 after a failed statement
                self.assertLess(elapsed, 15)
                for kind in logged:
                    self.assertTrue(peer.requests(kind), kind)
                peer.stop()

    def test_override_file_changes_the_next_request(self):
        override = os.path.join(self.dir, "override.json")
        peer = self.peer(databases=["master"], override=override)
        with open(override, "w") as f:
            f.write('{"databases": ["master", "later"], "refused": ["master"]}')
        code, out = clients.tsql(peer.port, ["select name from sysdatabases",
                                             backup_statement("master", "c:\\tempbak\\m.bak")])
        self.assertIn("later", out)
        self.assertIn("Msg 3201 ", out)
        os.remove(override)
        code, out = clients.tsql(peer.port, ["select name from sysdatabases"])
        self.assertNotIn("later", out)

    def test_login_to_an_unknown_database_is_refused(self):
        peer = self.peer()
        code, out = clients.isql("peer", ["select 1"], self.odbc(peer, database="nosuch"))
        self.assertIn("[ISQL]ERROR: Could not SQLConnect", out)
        self.assertIn('Cannot open database "nosuch"', out)

    def test_prepared_statements_are_refused_not_left_hanging(self):
        peer = self.peer()
        command = ["isql", "-v", "-b", "peer", "sa", "pw"]  # without -e: SQLPrepare/SQLExecute
        code, out = clients.run(command, "select name from sysdatabases\n", env=self.odbc(peer))
        self.assertIsNotNone(code)
        self.assertIn("send statements as batches", out)
        [rpc] = peer.requests("rpc")
        self.assertEqual((rpc["procedure"], rpc["texts"][-1]), ("sp_prepexec", "select name from sysdatabases"))


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2, testRunner=unittest.TextTestRunner(
        verbosity=2, stream=sys.stdout)).result
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    print("tds_peer: %d passed, %d failed, %d skipped" % (result.testsRun - failed - skipped, failed, skipped))
    sys.exit(1 if failed or not result.testsRun else 0)
