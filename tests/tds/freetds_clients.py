"""FreeTDS's own clients against the peer: tsql (the TDS library directly) and isql
(unixODBC over FreeTDS's ODBC driver), both bounded by timeouts."""

import glob
import os
import subprocess


def odbc_driver():
    found = sorted(glob.glob("/usr/lib/*/odbc/libtdsodbc.so")) or sorted(glob.glob("/usr/lib/*/libtdsodbc.so"))
    if not found:
        raise RuntimeError("FreeTDS's ODBC driver (Debian package tdsodbc) is not installed")
    return found[0]


def write_freetds_conf(path, port, connect_timeout=3, query_timeout=5, server="peer"):
    """A freetds.conf whose timeouts bound every wait: connect timeout for the login,
    timeout for each reply."""
    with open(path, "w") as f:
        f.write("[global]\n\ttds version = 7.4\n\tconnect timeout = %d\n\ttimeout = %d\n"
                "[%s]\n\thost = 127.0.0.1\n\tport = %d\n" % (connect_timeout, query_timeout, server, port))


def write_odbc_ini(folder, dsn, server=None, port=None, freetds_server=None, database="master"):
    """odbc.ini with one data source and odbcinst.ini naming the FreeTDS driver; the data
    source reaches the server either by host and port or through a freetds.conf entry."""
    with open(os.path.join(folder, "odbcinst.ini"), "w") as f:
        f.write("[FreeTDS]\nDescription = FreeTDS\nDriver = %s\n" % odbc_driver())
    lines = ["[%s]" % dsn, "Driver = FreeTDS"]
    if freetds_server:
        lines.append("Servername = %s" % freetds_server)
    else:
        lines += ["Server = %s" % server, "Port = %d" % port, "TDS_Version = 7.4"]
    lines.append("Database = %s" % database)
    with open(os.path.join(folder, "odbc.ini"), "w") as f:
        f.write("\n".join(lines) + "\n")


def odbc_environment(folder, freetds_conf):
    return dict(os.environ, ODBCINI=os.path.join(folder, "odbc.ini"), ODBCSYSINI=folder,
                FREETDSCONF=freetds_conf)


def run(command, stdin_text, env=None, timeout=20):
    """(exit code, stdout + stderr); a client still running at timeout is killed and
    reported with exit code None."""
    try:
        done = subprocess.run(command, input=stdin_text.encode("utf-8"), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, env=env, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired as expired:
        return None, (expired.stdout or b"").decode("utf-8", "replace")


def tsql(port, statements, user="sa", password="pw", env=None, timeout=20):
    """Each statement as its own batch ("go" after each) over tsql -H/-p."""
    script = "".join(s + "\ngo\n" for s in statements) + "bye\n"
    return run(["tsql", "-H", "127.0.0.1", "-p", str(port), "-U", user, "-P", password], script,
               env=dict(env or os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8"), timeout=timeout)


def isql(dsn, statements, env, user="sa", password="pw", timeout=20, stop_on_error=True):
    """Each statement through SQLExecDirect (-e), one per line, on one connection; -b
    stops at the first failure."""
    command = ["isql", "-v", "-e"] + (["-b"] if stop_on_error else []) + [dsn]
    command += [user, password] if user else []
    return run(command, "".join(s + "\n" for s in statements), env=env, timeout=timeout)
