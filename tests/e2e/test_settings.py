"""The settings phase through TolvarUpdate.exe under Wine: Config.ini missing
or incomplete, port texts in every accepted form, and values longer than the
reader's 2047 characters."""

import time

import pytest

from pg_harness import install_libpq
from tolvar_config import protect, write_config
from tolvar_constants import CHECKING, CONNECTING, CONNECTION_FAILED, LOADING, NO_UPDATE, TITLE


def expect_conversion_error(run, text):
    """The run stops at the port: the error box, then an idle window that
    starts no second run and ends with code 0 when closed."""
    box = run.box()
    assert (box.caption, box.text, box.icon) == (TITLE, text, "stop")
    run.press_box()
    # Longer than the start timer's period: a second run would show by now.
    time.sleep(1.5)
    assert run.process.poll() is None, "the program ended after the error box"
    assert run.texts("status") == [LOADING]
    assert run.texts("message") == []
    run.close_window()
    assert run.wait_exit() == 0
    assert run.texts("status") == [LOADING]


@pytest.mark.parametrize("raw, shown", [
    pytest.param({"PORTA": None}, "", id="missing-port"),
    pytest.param({"PORTA": protect("5432 ")}, "5432 ", id="trailing-blank"),
    pytest.param({"PORTA": protect("- 5432")}, "- 5432", id="blank-after-sign"),
    pytest.param({"PORTA": protect("2147483648")}, "2147483648", id="out-of-range"),
    pytest.param({"PORTA": protect("$123456789")}, "$123456789", id="nine-hex-digits"),
])
def test_port_that_is_not_an_integer_stops_the_run(program_dir, updater, raw, shown):
    # Everything else present, so a connection would be attempted if the run went on.
    write_config(program_dir, host="127.0.0.1", database="tolvar", user="ravik", password="p", raw=raw)
    run = updater(program_dir)
    expect_conversion_error(run, f"'{shown}' is not a valid integer value.")


def test_port_longer_than_2047_characters_is_cut_before_decoding(program_dir, updater):
    # Words, so that the error box wraps the message within the screen.
    plain = "".join(f"w{i:03d} " for i in range(450))
    stored = protect(plain)
    assert len(stored) == 3000
    write_config(program_dir, raw={"PORTA": stored})
    run = updater(program_dir)
    # 2047 characters decode to 1535 bytes.
    expect_conversion_error(run, f"'{plain[:1535]}' is not a valid integer value.")


@pytest.mark.parametrize("form", [
    pytest.param("{}", id="decimal"),
    pytest.param("   {}", id="leading-blanks"),
    pytest.param("+{}", id="plus-sign"),
    pytest.param("00{}", id="leading-zeros"),
    pytest.param("${:X}", id="dollar-hex"),
    pytest.param("0x{:x}", id="0x-hex"),
    pytest.param("X{:X}", id="x-hex"),
    pytest.param("$0000000000{:x}", id="hex-leading-zeros"),
])
def test_port_in_every_accepted_form_reaches_the_server(catalogue, pg_cluster, release_dir, updater, form):
    catalogue.set_rows([(11, 3)])
    directory = release_dir(port=form.format(pg_cluster.port), versao=3)
    before = (directory / "Config.ini").read_bytes()
    run = updater(directory)
    run.wait_text("status", NO_UPDATE)
    assert run.wait_exit() == 0
    assert run.texts("status")[:2] == [LOADING, CONNECTING]
    # The updater only reads the file.
    assert (directory / "Config.ini").read_bytes() == before


def test_missing_host_completes_the_phase_with_an_empty_host_name(catalogue, release_dir, updater):
    # An empty host name leaves the client library its default, the local
    # host, where the test server listens: the run goes on to its end.
    catalogue.set_rows([(11, 3)])
    run = updater(release_dir(raw={"HOST": None}, versao=3))
    run.wait_text("status", NO_UPDATE)
    assert run.wait_exit() == 0
    assert run.texts("status") == [LOADING, CONNECTING, CHECKING, NO_UPDATE]


def test_host_longer_than_2047_characters_is_cut_before_decoding(build, program_dir, updater):
    # A host name no resolver accepts: the client library's message names it.
    plain = "".join(chr(ord("a") + i % 26) for i in range(2250))
    stored = protect(plain)
    assert len(stored) == 3000
    install_libpq(build, program_dir)
    write_config(program_dir, port=5432, raw={"HOST": stored})
    run = updater(program_dir)
    box = run.box(timeout=60)
    # 2047 characters decode to 1535 bytes.
    assert box.text.startswith(CONNECTION_FAILED + f'SQL Error: could not translate host name "{plain[:1535]}" ')
    run.press_box()
    assert run.wait_exit() == 0
