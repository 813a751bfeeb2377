"""The release check through TolvarUpdate.exe under Wine, against a real
PostgreSQL server: which catalogue contents and installed numbers start an
update, with the one statement the program sends. Its failures are rows of the
fault matrix."""

import re
from pathlib import Path

import pytest

from tolvar_constants import (CHECKING, CONNECTING, LOADING, NO_UPDATE, QUITTING, RELEASE_QUERY,
                              RELEASE_STATEMENT)

INT_MAX = 2**31 - 1


def expect_no_update(run):
    run.wait_text("status", NO_UPDATE)
    assert run.wait_exit() == 0
    assert run.texts() == [f"status: {t}" for t in (LOADING, CONNECTING, CHECKING, NO_UPDATE)]


def expect_update_due(run):
    run.wait_text("status", QUITTING)
    run.kill()  # the installation phase is tested on its own
    assert run.texts("status")[:4] == [LOADING, CONNECTING, CHECKING, QUITTING]


@pytest.mark.parametrize("rows, installed, due, column, host", [
    pytest.param([], 0, False, "integer", "127.0.0.1", id="no-row-installed-0"),
    pytest.param([], -1, True, "integer", "127.0.0.1", id="no-row-installed-minus-1"),
    pytest.param([(11, 5), (11, None), (11, 9)], 0, False, "integer", "127.0.0.1",
                 id="null-comes-first-and-reads-0"),
    pytest.param([(11, 3), (11, 7)], 7, False, "integer", "127.0.0.1", id="equal"),
    pytest.param([(11, 7), (11, 6)], 6, True, "integer", "127.0.0.1", id="newest-row-wins"),
    pytest.param([(11, 7)], 8, False, "integer", "127.0.0.1", id="installed-greater"),
    pytest.param([(11, INT_MAX)], INT_MAX - 1, True, "integer", "127.0.0.1", id="newest-int-max"),
    pytest.param([(11, -5)], -2147483648, True, "integer", "127.0.0.1", id="negative-numbers-signed"),
    pytest.param([(11, 4), (12, INT_MAX), (1, INT_MAX), (-11, INT_MAX)], 4, False, "integer", "127.0.0.1",
                 id="other-tools-ignored"),
    pytest.param([(11, 32767)], 32766, True, "smallint", "127.0.0.1", id="smallint-column"),
    pytest.param([(11, 2)], 2, False, "integer", "localhost", id="host-by-name"),
])
def test_release_check(catalogue, pg_cluster, release_dir, updater, rows, installed, due, column, host):
    catalogue.create(column)
    catalogue.set_rows(rows)
    directory = release_dir(host=host, versao=installed)
    offset = pg_cluster.log_offset()
    run = updater(directory)
    if due:
        expect_update_due(run)
    else:
        expect_no_update(run)
    # The one statement of the run, without its closing semicolon.
    assert pg_cluster.statements_since(offset) == [RELEASE_STATEMENT]


def test_password_with_blanks_quotes_and_ansi_bytes_connects(catalogue, pg_cluster, release_dir, updater):
    user = "ravik o'dd"
    password = b" p'a\"s\\s=w o\xe7\xe3rd host=nowhere "
    pg_cluster.set_password(user, password)
    catalogue.set_rows([(11, 3)])
    run = updater(release_dir(user=user, password=password, versao=3))
    expect_no_update(run)


def test_release_query_is_written_once_for_program_and_tests():
    header = (Path(__file__).resolve().parents[2] / "release" / "ReleaseQuery.h").read_text()
    assert re.search(r'ReleaseQuerySql\[\] =\s*"([^"]*)";', header).group(1) == RELEASE_QUERY
