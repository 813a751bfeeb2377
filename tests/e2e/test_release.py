"""The release check through TolvarUpdate.exe under Wine, against a real
PostgreSQL server: which catalogue contents and installed numbers start an
update, and how each failure of the connection, the query and the installed
number is reported."""

import shutil
import time

import pytest

from pg_harness import DATABASE, PASSWORD, USER
from tolvar_config import write_config

LOADING = "Carregando arquivos de inicialização..."
CONNECTING = "Conectande-se ao Servidor..."
CHECKING = "Verificando versão..."
NO_UPDATE = "Nenhuma Atualização Disponível!"
FIRST_INSTALL_STATUS = "Encerrando instâncias ativas..."
FAILURE_PREFIX = "Não foi possível estabelecer a conexão com o Servidor!!! "
RELEASE_QUERY = ("SELECT * FROM vazudevizu.tbversaoferramenta WHERE idferramenta = 11 "
                 "ORDER BY nrversao DESC LIMIT 1")
TITLE = "Tolvarupdate"
INT_MAX = 2**31 - 1


def expect_no_update(run):
    run.wait_text("status", NO_UPDATE)
    assert run.wait_exit() == 0
    assert run.texts() == [f"status: {t}" for t in (LOADING, CONNECTING, CHECKING, NO_UPDATE)]


def expect_update_due(run):
    run.wait_text("status", FIRST_INSTALL_STATUS)
    run.kill()  # the installation phase is tested on its own
    assert run.texts("status")[:4] == [LOADING, CONNECTING, CHECKING, FIRST_INSTALL_STATUS]


def expect_idle_after_error(run, text):
    """The error box shows `text`; once it is closed the window stays open."""
    box = run.box()
    assert (box.caption, box.text, box.icon) == (TITLE, text, "stop")
    run.press_box()
    time.sleep(0.5)
    assert run.process.poll() is None, "the program ended after the error box"
    assert run.texts("status")[-1] == CHECKING
    run.close_window()
    assert run.wait_exit() == 0


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
    assert pg_cluster.statements_since(offset) == [RELEASE_QUERY]


def test_wrong_password_ends_the_program_without_a_query(catalogue, pg_cluster, release_dir, updater):
    # An installed number that is not a number shows that it was never read.
    directory = release_dir(password="wrong", versao="not a number")
    offset = pg_cluster.log_offset()
    run = updater(directory)
    box = run.box()
    assert (box.caption, box.icon) == (TITLE, "none")
    assert box.text == (FAILURE_PREFIX + f'SQL Error: connection to server at "127.0.0.1", port {pg_cluster.port} '
                        f'failed: FATAL:  password authentication failed for user "{USER}"')
    run.press_box()
    assert run.wait_exit() == 0
    assert run.texts("status") == [LOADING, CONNECTING]
    assert run.texts("error") == []
    log = pg_cluster.log_since(offset)
    assert "password authentication failed" in log
    assert pg_cluster.statements_since(offset) == []


def test_server_not_listening(release_dir, updater, pg_cluster):
    # A port next to the cluster's, where nothing listens.
    port = pg_cluster.port + 1
    run = updater(release_dir(port=port))
    box = run.box()
    assert box.text.startswith(FAILURE_PREFIX + f'SQL Error: connection to server at "127.0.0.1", port {port} '
                               "failed: Connection refused")
    # Line breaks inside the message stay; none at its end.
    assert "\n" in box.text and box.text == box.text.rstrip()
    run.press_box()
    assert run.wait_exit() == 0


@pytest.mark.parametrize("present", [
    pytest.param((), id="no-libpq"),
    pytest.param(("libpq.dll",), id="libpq-without-its-dlls"),
])
def test_client_library_cannot_be_loaded(build, program_dir, pg_cluster, updater, present):
    for dll in build.libpq_dlls:
        if dll.name in present:
            shutil.copy2(dll, program_dir / dll.name)
    write_config(program_dir, host="127.0.0.1", port=pg_cluster.port, database=DATABASE, user=USER,
                 password=PASSWORD, versao=1)
    run = updater(program_dir)
    box = run.box()
    assert box.text.startswith(FAILURE_PREFIX)
    assert "libpq.dll" in box.text[len(FAILURE_PREFIX):]
    run.press_box()
    assert run.wait_exit() == 0
    assert run.texts("status") == [LOADING, CONNECTING]


def test_missing_catalogue_is_an_error_and_the_window_stays(catalogue, release_dir, updater):
    catalogue.drop()
    run = updater(release_dir())
    box = run.box()
    assert box.text.startswith('SQL Error: ERROR:  relation "vazudevizu.tbversaoferramenta" does not exist\n'
                               "LINE 1: SELECT * FROM vazudevizu.tbversaoferramenta")
    expect_idle_after_error(run, box.text)


def test_installed_number_not_a_number_after_the_query(catalogue, pg_cluster, release_dir, updater):
    catalogue.set_rows([(11, 3)])
    directory = release_dir(versao="12a")
    offset = pg_cluster.log_offset()
    run = updater(directory)
    expect_idle_after_error(run, "'12a' is not a valid integer value.")
    assert pg_cluster.statements_since(offset) == [RELEASE_QUERY]


def test_password_with_blanks_quotes_and_ansi_bytes_connects(catalogue, pg_cluster, release_dir, updater):
    user = "ravik o'dd"
    password = b" p'a\"s\\s=w o\xe7\xe3rd host=nowhere "
    pg_cluster.set_password(user, password)
    catalogue.set_rows([(11, 3)])
    run = updater(release_dir(user=user, password=password, versao=3))
    expect_no_update(run)
