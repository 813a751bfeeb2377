"""The updater through PgBouncer in transaction pooling mode, with SCRAM from
the client: unchanged. Its one plain statement in auto-commit runs on whichever
pooled server connection is free, and between statements it holds none."""

from install_harness import INSTALLED, NEWEST, new_started, wait_for
from pgbouncer_harness import pgbouncer  # noqa: F401 (fixture)
from test_release import expect_no_update
from tolvar_constants import DOWNLOAD_FAILED, RELEASE_STATEMENT, TYPICAL_RUN


def test_no_update_through_the_pooler(catalogue, pg_cluster, pgbouncer, release_dir, updater):  # noqa: F811
    catalogue.set_rows([(11, 5), (3, 40)])
    offset, pooler_offset = pg_cluster.log_offset(), pgbouncer.log.stat().st_size
    run = updater(release_dir(port=pgbouncer.port, versao=5))
    expect_no_update(run)
    assert pg_cluster.statements_since(offset) == [RELEASE_STATEMENT]
    pooler_log = pgbouncer.log.read_text()[pooler_offset:]
    assert "login attempt: db=vortan user=ravik" in pooler_log


def test_update_through_the_pooler(catalogue, pgbouncer, release_dir, release_server, updater,  # noqa: F811
                                   synchronizers, build):
    catalogue.set_rows([(11, NEWEST)])
    release_server.serve_file(build.fixture("synchronizer_new"))
    program_dir = release_dir(port=pgbouncer.port, versao=INSTALLED)
    synchronizers.start(synchronizers.place(program_dir, "old"))
    run = updater(program_dir)
    assert run.wait_exit(60) == 0
    assert run.texts("status") == TYPICAL_RUN
    wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")


def test_an_updater_waiting_on_its_box_holds_no_server_connection(catalogue, pgbouncer, release_dir,  # noqa: F811
                                                                   release_server, updater):
    # The download fails, and the updater keeps its connection while its box waits.
    catalogue.set_rows([(11, NEWEST)])
    release_server.serve_scenario("/status/404")
    run = updater(release_dir(port=pgbouncer.port, versao=INSTALLED))
    assert run.box(timeout=60).text == DOWNLOAD_FAILED
    pool = pgbouncer.pool()
    assert (pool["cl_active"], pool["sv_active"]) == ("1", "0"), pool
    run.press_box()
    assert run.wait_exit(30) == 0
