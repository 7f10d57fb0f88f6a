"""A throw-away MIT Kerberos realm on loopback: its own KDC database, a client principal
with a ticket in a private cache, and the service principal of the test peer, so that
FreeTDS can log in with GSSAPI when no user name is given (as Wine's ODBC bridge does
for integrated security). The peer accepts the ticket unchecked."""

import os
import socket
import subprocess
import time

REALM = "TAVRIX.TEST"
CLIENT = "tavrix"


def free_port():
    """A port that is free for both TCP and UDP on loopback right now."""
    for _ in range(50):
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as tcp:
            tcp.bind(("127.0.0.1", 0))
            port = tcp.getsockname()[1]
            with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as udp:
                try:
                    udp.bind(("127.0.0.1", port))
                except OSError:
                    continue
            return port
    raise RuntimeError("no free port for the KDC")


def _sbin(name):
    for folder in ("/usr/sbin", "/usr/bin", "/sbin"):
        if os.path.exists(os.path.join(folder, name)):
            return os.path.join(folder, name)
    raise RuntimeError("%s is missing (Debian packages krb5-kdc, krb5-admin-server, krb5-user)" % name)


class KerberosRealm:
    def __init__(self, folder, service_principals):
        self.folder = folder
        self.service_principals = list(service_principals)
        self.kdc = None
        self.port = None
        self.env = {
            "KRB5_CONFIG": os.path.join(folder, "krb5.conf"),
            "KRB5_KDC_PROFILE": os.path.join(folder, "kdc.conf"),
            "KRB5CCNAME": "FILE:" + os.path.join(folder, "ccache"),
        }

    def _run(self, *command, timeout=30):
        done = subprocess.run(command, env=dict(os.environ, **self.env), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
        if done.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(command), done.stdout.decode(errors="replace")))

    def _write_profiles(self):
        f = self.folder
        with open(self.env["KRB5_CONFIG"], "w") as out:
            out.write(
                "[libdefaults]\n default_realm = %(realm)s\n dns_lookup_kdc = false\n"
                " dns_lookup_realm = false\n dns_canonicalize_hostname = false\n rdns = false\n"
                " udp_preference_limit = 1\n\n"
                "[realms]\n %(realm)s = {\n  kdc = 127.0.0.1:%(port)d\n }\n\n"
                "[domain_realm]\n 127.0.0.1 = %(realm)s\n" % dict(realm=REALM, port=self.port))
        with open(self.env["KRB5_KDC_PROFILE"], "w") as out:
            out.write(
                "[kdcdefaults]\n kdc_ports = %(port)d\n kdc_tcp_ports = %(port)d\n\n"
                "[realms]\n %(realm)s = {\n  database_name = %(f)s/principal\n"
                "  key_stash_file = %(f)s/stash\n  acl_file = %(f)s/kadm5.acl\n }\n\n"
                "[logging]\n kdc = FILE:%(f)s/kdc.log\n" % dict(realm=REALM, port=self.port, f=f))
        with open(os.path.join(f, "kadm5.acl"), "w") as out:
            out.write("")

    def start(self, timeout=10):
        os.makedirs(self.folder, exist_ok=True)
        self.port = free_port()
        self._write_profiles()
        self._run(_sbin("kdb5_util"), "-r", REALM, "create", "-s", "-P", "throw-away-master-key")
        kadmin = _sbin("kadmin.local")
        keytab = os.path.join(self.folder, "client.keytab")
        for principal in [CLIENT] + self.service_principals:
            self._run(kadmin, "-r", REALM, "-q", "addprinc -randkey %s@%s" % (principal, REALM))
        self._run(kadmin, "-r", REALM, "-q", "ktadd -k %s %s@%s" % (keytab, CLIENT, REALM))
        self.output = open(os.path.join(self.folder, "krb5kdc.out"), "w")
        self.kdc = subprocess.Popen([_sbin("krb5kdc"), "-n", "-r", REALM], env=dict(os.environ, **self.env),
                                    stdin=subprocess.DEVNULL, stdout=self.output, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + timeout
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                if self.kdc.poll() is not None or time.monotonic() > deadline:
                    self.stop()
                    raise RuntimeError("krb5kdc did not start; see %s" % self.output.name)
                time.sleep(0.05)
        self._run(_sbin("kinit"), "-k", "-t", keytab, "%s@%s" % (CLIENT, REALM))
        return self

    def stop(self):
        if self.kdc and self.kdc.poll() is None:
            self.kdc.terminate()
            try:
                self.kdc.wait(5)
            except subprocess.TimeoutExpired:
                self.kdc.kill()
                self.kdc.wait(5)
        if self.kdc:
            self.output.close()
        self.kdc = None
