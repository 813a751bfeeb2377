"""PgBouncer in front of the test cluster, as offices of many desks run it:
transaction pooling, SCRAM from the client, listening on a free loopback port.
Started and stopped here, by its process, as the server's account.

The updater's role logs in to the pooler with the SCRAM secret the server
stores for it (copied into the pooler's auth_file), so the pooler can log in
to the server on the client's behalf. A second user, `pooler`, may read the
pooler's admin console (SHOW POOLS, SHOW STATS).

Fixture: `pgbouncer` (session).
"""

import shutil
import socket
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from pg_harness import DATABASE, SERVER_ACCOUNT, USER, sql_literal
from ports import free_port

ADMIN_USER = "pooler"
ADMIN_PASSWORD = "pooler-secret"


class PgBouncer:
    def __init__(self, cluster, workdir, pool_size=20, max_client_conn=1000):
        self.cluster = cluster
        self.dir = Path(workdir)
        self.pool_size = pool_size
        self.max_client_conn = max_client_conn
        self.log = self.dir / "pgbouncer.log"
        self.port = None
        self.process = None

    def _config(self):
        return (
            "[databases]\n"
            f"{DATABASE} = host=127.0.0.1 port={self.cluster.port} dbname={DATABASE}\n"
            "[pgbouncer]\n"
            f"listen_addr = 127.0.0.1\nlisten_port = {self.port}\nunix_socket_dir =\n"
            f"auth_type = scram-sha-256\nauth_file = {self.dir / 'userlist.txt'}\n"
            f"admin_users = {ADMIN_USER}\nstats_users = {ADMIN_USER}\n"
            f"pool_mode = transaction\ndefault_pool_size = {self.pool_size}\n"
            f"max_client_conn = {self.max_client_conn}\n"
            f"logfile = {self.log}\n")

    def start(self):
        self.dir.mkdir(parents=True, exist_ok=True)
        secret = self.cluster.sql(f"SELECT rolpassword FROM pg_authid WHERE rolname = {sql_literal(USER)}",
                                  database="postgres").strip()
        (self.dir / "userlist.txt").write_text(f'"{USER}" "{secret}"\n"{ADMIN_USER}" "{ADMIN_PASSWORD}"\n')
        self.port = free_port()
        (self.dir / "pgbouncer.ini").write_text(self._config())
        self.log.touch()
        if self.cluster._as_server:
            for path in [self.dir, *self.dir.iterdir()]:
                shutil.chown(path, SERVER_ACCOUNT, SERVER_ACCOUNT)
        self.process = subprocess.Popen(
            ["pgbouncer", "-q", str(self.dir / "pgbouncer.ini")], stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
            **self.cluster._as_server)
        end = time.monotonic() + 15
        while not self._listening():
            if self.process.poll() is not None or time.monotonic() > end:
                self.stop()
                raise RuntimeError(f"pgbouncer did not start:\n{self.log.read_text()}")
            time.sleep(0.05)
        return self

    def _listening(self):
        with socket.socket() as probe:
            return probe.connect_ex(("127.0.0.1", self.port)) == 0

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()  # SIGTERM: immediate shutdown
            self.process.wait(timeout=15)

    def show(self, what):
        """An admin console listing (e.g. "POOLS") as one dict per row."""
        done = subprocess.run(
            [self.cluster.bin / "psql", "-X", "-A", "-F", "\t", "-P", "footer=off", "-h", "127.0.0.1",
             "-p", str(self.port), "-U", ADMIN_USER, "-d", "pgbouncer", "-c", f"SHOW {what}"],
            env={"PGPASSWORD": ADMIN_PASSWORD, "PATH": "/usr/bin:/bin"}, stdin=subprocess.DEVNULL,
            capture_output=True, text=True, check=True, timeout=30)
        header, *rows = done.stdout.splitlines()
        return [dict(zip(header.split("\t"), row.split("\t"))) for row in rows]

    def pool(self):
        """The pool of the updater's database and role."""
        return next(row for row in self.show("POOLS") if row["database"] == DATABASE and row["user"] == USER)


@pytest.fixture(scope="session")
def pgbouncer(pg_cluster):
    workdir = tempfile.mkdtemp(prefix="e2e-pgbouncer-")
    pooler = PgBouncer(pg_cluster, workdir)
    try:
        yield pooler.start()
    finally:
        pooler.stop()
        shutil.rmtree(workdir, ignore_errors=True)
