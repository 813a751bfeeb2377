"""A throw-away PostgreSQL cluster for the tests: one per session, on a free
loopback port, password (SCRAM) authentication, no SSL, and every statement
logged so a test can tell whether the release query ran.

Fixtures: `pg_cluster` (session), `catalogue` (the release catalogue, empty
at the start of each test) and `release_dir` (a program directory with the
libpq DLLs and a Config.ini that points at the cluster).
"""

import base64
import hashlib
import hmac
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

from ports import free_port
from tolvar_config import write_config

DATABASE = "vortan"
USER = "ravik"
PASSWORD = "ravik-secret"
# The server runs as this account; initdb refuses to run as root.
SERVER_ACCOUNT = "postgres"


def _bin_dir():
    found = sorted(Path("/usr/lib/postgresql").glob("*/bin/initdb"),
                   key=lambda p: int(p.parent.parent.name))
    if not found:
        raise RuntimeError("no PostgreSQL server: run scripts/bootstrap")
    return found[-1].parent


def scram_verifier(password, iterations=4096):
    """The stored form of a password, computed here so that any bytes (not
    only what SQL text can carry) can be a password."""
    salt = os.urandom(16)
    salted = hashlib.pbkdf2_hmac("sha256", password, salt, iterations)
    client_key = hmac.new(salted, b"Client Key", hashlib.sha256).digest()
    server_key = hmac.new(salted, b"Server Key", hashlib.sha256).digest()
    b64 = lambda b: base64.b64encode(b).decode()
    return (f"SCRAM-SHA-256${iterations}:{b64(salt)}"
            f"${b64(hashlib.sha256(client_key).digest())}:{b64(server_key)}")


def sql_literal(text):
    return "'" + text.replace("'", "''") + "'"


class Cluster:
    def __init__(self, workdir):
        self.workdir = Path(workdir)
        self.data = self.workdir / "data"
        self.sockets = self.workdir / "sockets"
        self.log = self.workdir / "server.log"
        self.bin = _bin_dir()
        self.port = None
        self._as_server = {}
        if os.geteuid() == 0:
            self._as_server = {"user": SERVER_ACCOUNT, "group": SERVER_ACCOUNT, "extra_groups": []}

    def _run(self, args, **kwargs):
        return subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              check=True, timeout=120, **self._as_server, **kwargs)

    def start(self):
        self.sockets.mkdir()
        self.log.touch()
        if self._as_server:
            for path in (self.workdir, self.sockets, self.log):
                shutil.chown(path, SERVER_ACCOUNT, SERVER_ACCOUNT)
        self._run([self.bin / "initdb", "-D", self.data, "-U", "postgres", "-E", "UTF8",
                   "--no-locale", "--auth-local=trust", "--auth-host=scram-sha-256"])
        self.port = free_port()
        with open(self.data / "postgresql.conf", "a") as conf:
            conf.write(f"listen_addresses = '127.0.0.1'\nport = {self.port}\n"
                       f"unix_socket_directories = '{self.sockets}'\nssl = off\n"
                       "log_statement = 'all'\nlc_messages = 'C'\nfsync = off\n")
        self._run([self.bin / "pg_ctl", "-D", self.data, "-l", self.log, "-w", "start"])
        self.sql(f"CREATE ROLE {USER} LOGIN PASSWORD {sql_literal(PASSWORD)}", database="postgres")
        self.sql(f"CREATE DATABASE {DATABASE}", database="postgres")

    def stop(self):
        if self.port is not None:
            self._run([self.bin / "pg_ctl", "-D", self.data, "-m", "immediate", "-w", "stop"])

    def sql(self, text, database=DATABASE):
        """Runs SQL as the superuser over the Unix socket; returns psql's unaligned output."""
        done = self._run([self.bin / "psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                          "-h", self.sockets, "-p", str(self.port), "-U", "postgres",
                          "-d", database, "-c", text])
        return done.stdout

    def set_password(self, role, password):
        """Sets `role`'s password to the bytes `password`, creating the role if needed."""
        verifier = sql_literal(scram_verifier(password))
        self.sql(f"DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = {sql_literal(role)}) "
                 f"THEN CREATE ROLE \"{role}\" LOGIN; END IF; END$$; "
                 f"ALTER ROLE \"{role}\" PASSWORD {verifier}", database="postgres")

    def log_offset(self):
        return self.log.stat().st_size

    def log_since(self, offset):
        with open(self.log, "rb") as log:
            log.seek(offset)
            return log.read().decode("utf-8", "replace")

    def statements_since(self, offset):
        """The statements the server logged after `offset`, in order."""
        return re.findall(r"LOG:  statement: (.*)", self.log_since(offset))


class Catalogue:
    """The release catalogue vazudevizu.tbversaoferramenta."""

    def __init__(self, cluster):
        self.cluster = cluster

    def create(self, nrversao_type="integer"):
        self.cluster.sql(
            "DROP SCHEMA IF EXISTS vazudevizu CASCADE; CREATE SCHEMA vazudevizu; "
            "CREATE TABLE vazudevizu.tbversaoferramenta (idversao serial PRIMARY KEY, "
            f"idferramenta integer NOT NULL, nrversao {nrversao_type}, dsobservacao text); "
            f"GRANT USAGE ON SCHEMA vazudevizu TO PUBLIC; "
            f"GRANT SELECT ON vazudevizu.tbversaoferramenta TO PUBLIC")

    def set_rows(self, rows):
        """Replaces the rows by (idferramenta, nrversao) pairs; None is NULL."""
        values = ", ".join(f"({tool}, {'NULL' if number is None else number})" for tool, number in rows)
        text = "TRUNCATE vazudevizu.tbversaoferramenta"
        if values:
            text += f"; INSERT INTO vazudevizu.tbversaoferramenta (idferramenta, nrversao) VALUES {values}"
        self.cluster.sql(text)

    def drop(self):
        self.cluster.sql("DROP SCHEMA vazudevizu CASCADE")


def install_libpq(build, directory):
    """Puts the Windows client library and the DLLs it needs next to the exe."""
    for dll in build.libpq_dlls:
        shutil.copy2(dll, directory / dll.name)


@pytest.fixture(scope="session")
def pg_cluster():
    workdir = tempfile.mkdtemp(prefix="e2e-pg-")
    cluster = Cluster(workdir)
    try:
        cluster.start()
        yield cluster
    finally:
        cluster.stop()
        shutil.rmtree(workdir, ignore_errors=True)


@pytest.fixture
def catalogue(pg_cluster):
    catalogue = Catalogue(pg_cluster)
    catalogue.create()
    return catalogue


@pytest.fixture
def release_dir(build, program_dir, pg_cluster):
    """A program directory with libpq and a Config.ini for the cluster.
    Call it with keyword arguments of write_config to change the file."""
    install_libpq(build, program_dir)

    def configure(**values):
        settings = {"host": "127.0.0.1", "port": pg_cluster.port, "database": DATABASE,
                    "user": USER, "password": PASSWORD, "versao": 1, **values}
        write_config(program_dir, **settings)
        return program_dir

    return configure
