"""The release package: its database scripts tried on the test cluster (the
role reads the release catalogue and nothing else; the index serves the
release query without changing its answer), and TolvarUpdate.exe run from the
unpacked package with nothing but the package's DLLs beside it."""

import json
import os
import subprocess
import time
import zipfile
from pathlib import Path

import pytest

from pg_harness import DATABASE
from tolvar_config import write_config
from tolvar_constants import NO_UPDATE, RELEASE_QUERY, RELEASE_STATEMENT

REPO = Path(__file__).resolve().parents[2]
ROLE_SCRIPT = REPO / "packaging" / "sql" / "tolvarupdate-role.sql"
INDEX_SCRIPT = REPO / "packaging" / "sql" / "catalogue-index.sql"
ROLE = "tolvarupdate"
ROLE_PASSWORD = "senha d'atualizacao"  # the quote tests the script's quoting


def run_script(cluster, script, **variables):
    """Runs a packaged script with psql as the superuser, as the notes say."""
    settings = [arg for name, value in variables.items() for arg in ("-v", f"{name}={value}")]
    return subprocess.run(
        [cluster.bin / "psql", "-X", "-q", "-h", cluster.sockets, "-p", str(cluster.port),
         "-U", "postgres", "-d", DATABASE, *settings, "-f", script],
        stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True, timeout=60)


def as_role(cluster, sql, password=ROLE_PASSWORD):
    """Runs `sql` as the updater's role over TCP with its password, as the updater connects."""
    return subprocess.run(
        [cluster.bin / "psql", "-X", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", "127.0.0.1",
         "-p", str(cluster.port), "-U", ROLE, "-d", DATABASE, "-c", sql],
        env={**os.environ, "PGPASSWORD": password}, stdin=subprocess.DEVNULL,
        capture_output=True, text=True, timeout=60)


@pytest.fixture
def role(pg_cluster, catalogue):
    """The catalogue readable only through grants of the role script, next to
    tables the role must not reach."""
    pg_cluster.sql("REVOKE ALL ON vazudevizu.tbversaoferramenta FROM PUBLIC; "
                   "REVOKE ALL ON SCHEMA vazudevizu FROM PUBLIC; "
                   "CREATE TABLE vazudevizu.tbferramenta (idferramenta integer, dsferramenta text); "
                   "CREATE TABLE public.tbsegredo (dssegredo text); "
                   "INSERT INTO public.tbsegredo VALUES ('segredo')")
    catalogue.set_rows([(11, 3), (11, 7), (12, 99)])
    run_script(pg_cluster, ROLE_SCRIPT, password=ROLE_PASSWORD)
    yield catalogue
    pg_cluster.sql(f"DROP TABLE IF EXISTS public.tbsegredo, public.tbnova; "
                   f"DROP OWNED BY {ROLE}; DROP ROLE {ROLE}")


def test_role_reads_the_newest_release(pg_cluster, role):
    done = as_role(pg_cluster, RELEASE_QUERY)
    assert done.returncode == 0, done.stderr
    _, tool, number, _ = done.stdout.strip().split("|")
    assert (tool, number) == ("11", "7")


@pytest.mark.parametrize("statement, refusal", [
    ("INSERT INTO vazudevizu.tbversaoferramenta (idferramenta, nrversao) VALUES (11, 8)", "permission denied"),
    ("UPDATE vazudevizu.tbversaoferramenta SET nrversao = 8", "permission denied"),
    ("DELETE FROM vazudevizu.tbversaoferramenta", "permission denied"),
    ("TRUNCATE vazudevizu.tbversaoferramenta", "permission denied"),
    ("CREATE INDEX ON vazudevizu.tbversaoferramenta (nrversao)", "must be owner"),
    ("SELECT * FROM vazudevizu.tbferramenta", "permission denied"),
    ("SELECT * FROM public.tbsegredo", "permission denied"),
    ("CREATE TABLE vazudevizu.tbnova (x integer)", "permission denied"),
    ("CREATE TABLE public.tbnova (x integer)", "permission denied"),
    ("CREATE DATABASE outra", "permission denied"),
    ("CREATE ROLE outro", "permission denied"),
])
def test_role_can_do_nothing_else(pg_cluster, role, statement, refusal):
    done = as_role(pg_cluster, statement)
    assert done.returncode != 0 and refusal in done.stderr, done.stderr
    assert pg_cluster.sql("SELECT count(*), max(nrversao) FROM vazudevizu.tbversaoferramenta").strip() == "3|99"


def test_running_the_script_again_resets_the_role(pg_cluster, role):
    pg_cluster.sql(f"ALTER ROLE {ROLE} CREATEDB CREATEROLE", database="postgres")
    run_script(pg_cluster, ROLE_SCRIPT, password="nova senha")
    attributes = pg_cluster.sql(f"SELECT rolcanlogin, rolsuper, rolcreatedb, rolcreaterole, rolreplication, "
                                f"rolbypassrls FROM pg_roles WHERE rolname = '{ROLE}'").strip()
    assert attributes == "t|f|f|f|f|f"
    assert "password authentication failed" in as_role(pg_cluster, "SELECT 1").stderr
    done = as_role(pg_cluster, "SHOW idle_session_timeout", password="nova senha")
    assert done.stdout.strip() == "1min", done.stderr


def test_connection_limit(pg_cluster, role):
    run_script(pg_cluster, ROLE_SCRIPT, password=ROLE_PASSWORD, connection_limit=1)
    holder = subprocess.Popen(
        [pg_cluster.bin / "psql", "-X", "-h", "127.0.0.1", "-p", str(pg_cluster.port), "-U", ROLE,
         "-d", DATABASE, "-c", "SELECT pg_sleep(30)"],
        env={**os.environ, "PGPASSWORD": ROLE_PASSWORD}, stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 10
        while pg_cluster.sql(f"SELECT count(*) FROM pg_stat_activity WHERE usename = '{ROLE}'").strip() != "1":
            assert time.monotonic() < deadline, "the first session did not connect"
            time.sleep(0.05)
        done = as_role(pg_cluster, "SELECT 1")
        assert f'too many connections for role "{ROLE}"' in done.stderr
    finally:
        holder.kill()
        holder.wait(timeout=10)


def release_plan(cluster):
    explained = json.loads(cluster.sql(f"EXPLAIN (FORMAT JSON) {RELEASE_STATEMENT}"))
    node, steps = explained[0]["Plan"], []
    while node:
        steps.append((node["Node Type"], node.get("Index Name")))
        node = (node.get("Plans") or [None])[0]
    return steps


def test_index_serves_the_release_query(pg_cluster, catalogue):
    # Many tools and releases, and a NULL release of tool 11 that must stay first.
    pg_cluster.sql("INSERT INTO vazudevizu.tbversaoferramenta (idferramenta, nrversao) "
                   "SELECT 1 + i % 40, i FROM generate_series(1, 40000) AS i; "
                   "INSERT INTO vazudevizu.tbversaoferramenta (idferramenta, nrversao) VALUES (11, NULL); "
                   "ANALYZE vazudevizu.tbversaoferramenta")
    without_index = pg_cluster.sql(RELEASE_QUERY)
    assert ("Sort", None) in release_plan(pg_cluster)
    for _ in range(2):  # a second run finds the index and leaves it be
        run_script(pg_cluster, INDEX_SCRIPT)
    pg_cluster.sql("ANALYZE vazudevizu.tbversaoferramenta")
    assert release_plan(pg_cluster) == [("Limit", None),
                                         ("Index Scan", "tbversaoferramenta_idferramenta_nrversao_idx")]
    assert pg_cluster.sql(RELEASE_QUERY) == without_index
    assert without_index.split("|")[2] == ""  # the NULL release


@pytest.fixture(scope="session")
def package(build, tmp_path_factory):
    """The package built by CPack from the build under test, unpacked."""
    work = tmp_path_factory.mktemp("package")
    config = build.dir / "CPackConfig.cmake"
    subprocess.run(["cpack", "--config", config, "-B", work], stdin=subprocess.DEVNULL,
                   capture_output=True, check=True, timeout=300)
    [archive] = work.glob("TolvarUpdate-*-win64.zip")
    with zipfile.ZipFile(archive) as zipped:
        zipped.extractall(work / "unpacked")
    return work / "unpacked" / archive.stem


def test_program_runs_from_the_package_as_the_role(pg_cluster, role, package, updater, tmp_path):
    program = tmp_path / "program"
    program.mkdir()
    for item in package.iterdir():
        if item.is_file():
            (program / item.name).write_bytes(item.read_bytes())
    write_config(program, host="127.0.0.1", port=pg_cluster.port, database=DATABASE, user=ROLE,
                 password=ROLE_PASSWORD, versao=7)
    run = updater(program)
    run.wait_text("status", NO_UPDATE)
    assert run.wait_exit() == 0
    assert run.texts("error") == [] and run.texts("message") == []
