"""Every fault an update run can meet, one row each: what the user sees, whether
the program ends or stays idle, what else that fault must leave behind (the
row's own check afterwards), and what must hold whatever the fault: a complete
synchronizer executable (old or new, never a mix), no staging file, Config.ini
byte for byte as before, nothing outside the program directory changed. Where
a synchronizer ran before the run, one runs whenever the box shows (started
again before it, if it was asked to quit) and after the program has ended."""

import contextlib
import dataclasses
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from install_harness import NEWEST, digest, running_synchronizers, snapshot, starts, wait_for
from pg_harness import DATABASE, PASSWORD, USER, install_libpq
from ports import free_port
from tolvar_config import write_config
from tolvar_constants import (BACKUP, CHECKING, CONNECTING, CONNECTION_FAILED, DOWNLOAD_FAILED, DOWNLOAD_PATH,
                              DOWNLOADING, LOADING, QUITTING, RELEASE_STATEMENT, STAGING, SYNCHRONIZER, TITLE,
                              TYPICAL_RUN)


@dataclasses.dataclass
class Fault:
    name: str
    arrange: object          # (world) -> context manager or None
    box: str                 # "message" (foreseen, the program ends) or "error" (idle)
    text: object             # the box text: exact, or a predicate
    afterwards: object = None  # (world, run, box): what else holds once the program has ended
    running: bool = False    # the old synchronizer runs when the update starts
    installed: str = None    # the installed synchronizer signed so (signing_harness variant); None: as built


class World:
    """What a row may change: the program directory, the catalogue, the server."""

    def __init__(self, program_dir, catalogue, cluster, release_server, build, synchronizers, nginx, wine,
                 signed_releases):
        self.program_dir = program_dir
        self.catalogue = catalogue
        self.cluster = cluster
        self.release = release_server
        self.build = build
        self.synchronizers = synchronizers
        self.nginx = nginx
        self.wine = wine
        self.signed = signed_releases  # only for rows over a signed install
        self.port = cluster.port    # the port Config.ini names
        self.installed = None       # digest of the synchronizer installed before the run
        self.old = None             # the old synchronizer's process, when it runs
        self.stubborn = []          # synchronizers that ignore the request to quit
        self.cwd = None             # the updater's current directory, if not the program directory
        self.log_offset = None      # the server's log before the run

    def config(self, **values):
        settings = {"host": "127.0.0.1", "port": self.port, "database": DATABASE,
                    "user": USER, "password": PASSWORD, "versao": NEWEST - 1, **values}
        write_config(self.program_dir, **settings)

    def statements(self):
        """The statements the server received during the run."""
        return self.cluster.statements_since(self.log_offset)

    def redirect_to(self, url):
        self.release.serve_scenario("/redirect/302?to=" + url)


def starts_with(prefix):
    return lambda text: text.startswith(prefix)


def _nothing_listening(world):
    world.port = free_port()
    world.config()


def _config_removed(world):
    (world.program_dir / "Config.ini").unlink()


@contextlib.contextmanager
def _read_only_program_directory(world):
    # Root ignores permission bits; the immutable flag holds even for root.
    if subprocess.run(["chattr", "+i", str(world.program_dir)], capture_output=True).returncode:
        pytest.skip("chattr +i is not supported here")
    try:
        yield
    finally:
        subprocess.run(["chattr", "-i", str(world.program_dir)], check=True)


def _both_running(world):
    world.stubborn.append(world.synchronizers.start(world.program_dir / SYNCHRONIZER, stubborn=True))
    world.synchronizers.place(world.program_dir, "old", name=BACKUP)
    world.stubborn.append(world.synchronizers.start(world.program_dir / BACKUP, stubborn=True))


@contextlib.contextmanager
def _libpq_planted_in_the_current_directory(world):
    # Only the current directory holds a libpq.dll, with everything it needs.
    (world.program_dir / "libpq.dll").unlink()
    world.cwd = world.program_dir.parent / "planted"
    world.cwd.mkdir()
    install_libpq(world.build, world.cwd)
    try:
        yield
    finally:
        shutil.rmtree(world.cwd)


def _signed_release(variant):
    return lambda world: world.release.serve_file(world.signed.path("synchronizer_new", variant))


def _served_elsewhere(world, certificate):
    target = world.nginx.root / "elsewhere" / SYNCHRONIZER
    target.parent.mkdir(exist_ok=True)
    target.write_bytes(world.build.fixture("synchronizer_new").read_bytes())
    world.redirect_to(world.nginx.url(f"/elsewhere/{SYNCHRONIZER}", certificate))


def _no_read_permission(world):
    world.cluster.sql("REVOKE SELECT ON vazudevizu.tbversaoferramenta FROM PUBLIC")


# What each kind of fault leaves behind, besides what every fault must.

def _stopped_at_the_port(world, run, box):
    # No second run starts while the window stays idle.
    assert run.texts("status") == [LOADING]
    assert run.texts("message") == []


def _stopped_before_any_query(world, run, box):
    assert run.texts("status") == [LOADING, CONNECTING]
    assert run.texts("error") == []
    assert world.statements() == []


def _password_refused(world, run, box):
    _stopped_before_any_query(world, run, box)
    assert box.text == (CONNECTION_FAILED + f'SQL Error: connection to server at "127.0.0.1", port {world.port} '
                        f'failed: FATAL:  password authentication failed for user "{USER}"')
    assert "password authentication failed" in world.cluster.log_since(world.log_offset)


def _connection_refused(world, run, box):
    _stopped_before_any_query(world, run, box)
    assert box.text.startswith(CONNECTION_FAILED + f'SQL Error: connection to server at "127.0.0.1", '
                               f'port {world.port} failed: Connection refused')
    # Line breaks inside the message stay; none at its end.
    assert "\n" in box.text and box.text == box.text.rstrip()


def _libpq_not_loaded(world, run, box):
    _stopped_before_any_query(world, run, box)
    assert "libpq.dll" in box.text[len(CONNECTION_FAILED):]


def _stopped_after_the_query(world, run, box):
    # The query runs before the installed number is read.
    assert run.texts("status") == [LOADING, CONNECTING, CHECKING]
    assert world.statements() == [RELEASE_STATEMENT]


def _old_runs_again(world, run, box):
    assert run.texts("status") == TYPICAL_RUN[:5]
    assert digest(world.program_dir / SYNCHRONIZER) == world.installed
    assert not (world.program_dir / BACKUP).exists()
    # It was asked to quit, did, and was started again unchanged.
    assert world.old.poll() is not None
    wait_for(lambda: [s.label for s in starts(world.program_dir)] == ["old", "old"],
             what="the old synchronizer to start again")


def _both_stay(world, run, box):
    assert run.texts("status")[-1] == DOWNLOADING
    old = digest(world.build.fixture("synchronizer_old"))
    assert [digest(world.program_dir / name) for name in (SYNCHRONIZER, BACKUP)] == [old, old]
    # Neither quit within the wait: both still run, and none was started a second time.
    assert all(process.poll() is None for process in world.stubborn)
    assert len(running_synchronizers(world.wine, world.program_dir)) == 1
    assert [s.label for s in starts(world.program_dir)] == ["old", "old"]


def _download_fault(name, arrange, installed=None):
    return Fault(name, arrange, "message", DOWNLOAD_FAILED, _old_runs_again, running=True, installed=installed)


def _synchronizer_runs_at_the_box(world, run):
    """No box waits on the user without a synchronizer: one asked to quit was
    started again before the box, once the old one had gone."""
    running = running_synchronizers(world.wine, world.program_dir)
    if QUITTING not in run.texts("status"):
        assert world.old.pid in running
        return
    assert running - {world.old.pid}, "the box shows, and no synchronizer was started again"
    wait_for(lambda: world.old.pid not in running_synchronizers(world.wine, world.program_dir),
             timeout=2, what="the old synchronizer to be gone")


FAULTS = [
    # Settings
    Fault("no_config_ini", _config_removed, "error", "'' is not a valid integer value.", _stopped_at_the_port),
    # Written as standard Base64 without the cipher: decodes to other bytes, no error until the port.
    Fault("undecodable_values", lambda w: w.config(raw={"PORTA": "NTQzMg==", "HOST": "MTI3LjAuMC4x"}),
          "error", lambda t: t.endswith("' is not a valid integer value."), _stopped_at_the_port),
    # Config.ini is in the ANSI code page; the box shows its characters as they are.
    Fault("bad_port", lambda w: w.config(port="54ç32"), "error", "'54ç32' is not a valid integer value.",
          _stopped_at_the_port),
    Fault("bad_versao", lambda w: w.config(versao="12a"), "error", "'12a' is not a valid integer value.",
          _stopped_after_the_query),
    # Database connection: foreseen, the program ends
    Fault("server_down", _nothing_listening, "message",
          starts_with(CONNECTION_FAILED + 'SQL Error: connection to server at "127.0.0.1", port '),
          _connection_refused),
    # An installed number that is not a number shows that it was never read.
    Fault("wrong_password", lambda w: w.config(password="not-it", versao="not a number"), "message",
          lambda t: t.startswith(CONNECTION_FAILED + "SQL Error: ")
          and f'password authentication failed for user "{USER}"' in t, _password_refused),
    Fault("unknown_database", lambda w: w.config(database="nenhuma"), "message",
          lambda t: t.startswith(CONNECTION_FAILED + "SQL Error: ") and 'database "nenhuma" does not exist' in t,
          _stopped_before_any_query),
    Fault("no_libpq", lambda w: (w.program_dir / "libpq.dll").unlink(), "message",
          starts_with(CONNECTION_FAILED), _libpq_not_loaded),
    Fault("libpq_dependency_missing", lambda w: (w.program_dir / "libcrypto-3-x64.dll").unlink(), "message",
          starts_with(CONNECTION_FAILED), _libpq_not_loaded),
    # Release query
    Fault("missing_table", lambda w: w.catalogue.drop(), "error",
          starts_with('SQL Error: ERROR:  relation "vazudevizu.tbversaoferramenta" does not exist\n'
                      "LINE 1: SELECT * FROM vazudevizu.tbversaoferramenta"), _stopped_after_the_query),
    Fault("no_read_permission", _no_read_permission, "error",
          starts_with("SQL Error: ERROR:  permission denied for table tbversaoferramenta"),
          _stopped_after_the_query),
    # Download: foreseen, the old synchronizer stays, and runs again
    _download_fault("http_404", lambda w: w.release.serve_scenario("/status/404")),
    _download_fault("http_500", lambda w: w.release.serve_scenario("/status/500")),
    _download_fault("fin_cut", lambda w: w.release.serve_scenario("/fin/300000/120000")),
    _download_fault("rst_cut", lambda w: w.release.serve_scenario("/rst/300000/120000")),
    _download_fault("stall", lambda w: w.release.serve_scenario("/stall/300000/120000")),
    _download_fault("non_executable_body",
                    lambda w: w.release.serve_bytes(b"<html>Manuten\xe7\xe3o programada</html>\n" * 40)),
    _download_fault("empty_body", lambda w: w.release.serve_bytes(b"")),
    _download_fault("untrusted_certificate", lambda w: w.release.untrusted()),
    _download_fault("mismatched_certificate", lambda w: _served_elsewhere(w, "othername")),
    _download_fault("expired_certificate", lambda w: _served_elsewhere(w, "expired")),
    _download_fault("https_to_http_redirect", lambda w: w.redirect_to(w.nginx.http_url("/" + DOWNLOAD_PATH))),
    # Only the program directory and the system's own are searched for DLLs.
    Fault("libpq_planted_in_the_current_directory", _libpq_planted_in_the_current_directory, "message",
          starts_with(CONNECTION_FAILED), _libpq_not_loaded),
    # Releases over an install signed by publisher A: refused like a failed download
    _download_fault("unsigned_release_over_signed_install", _signed_release("unsigned"), "publisher-a"),
    _download_fault("release_of_another_publisher_over_signed_install", _signed_release("publisher-b"),
                    "publisher-a"),
    _download_fault("tampered_release_over_signed_install", _signed_release("publisher-a-tampered"),
                    "publisher-a"),
    # Installation
    Fault("read_only_program_directory", _read_only_program_directory, "error", starts_with("I/O error "),
          _old_runs_again, running=True),
    Fault("executable_and_stale_backup_both_running", _both_running, "error", starts_with("I/O error "),
          _both_stay),
]


@pytest.mark.parametrize("fault", FAULTS, ids=lambda fault: fault.name)
def test_fault(fault, update_due, catalogue, pg_cluster, release_server, https_server, build,
               synchronizers, updater, tmp_path, wine, request):
    program_dir = update_due
    signed = request.getfixturevalue("signed_releases") if fault.installed else None
    installed = signed.path("synchronizer_old", fault.installed) if signed else build.fixture("synchronizer_old")
    shutil.copy2(installed, program_dir / SYNCHRONIZER)
    world = World(program_dir, catalogue, pg_cluster, release_server, build, synchronizers, https_server, wine,
                  signed)
    world.installed = digest(installed)
    if fault.running:
        world.old = synchronizers.start(program_dir / SYNCHRONIZER)
    outside = {"tests": snapshot(tmp_path), "wine": _prefix_state(wine)}

    with contextlib.ExitStack() as stack:
        arranged = fault.arrange(world)
        if isinstance(arranged, contextlib.AbstractContextManager):
            stack.enter_context(arranged)
        config = _read(program_dir / "Config.ini")
        world.log_offset = pg_cluster.log_offset()

        run = updater(program_dir, cwd=world.cwd)
        box = run.box(timeout=60)
        if fault.running:
            _synchronizer_runs_at_the_box(world, run)
        assert box.caption == TITLE, box
        assert box.icon == ("stop" if fault.box == "error" else "none"), box
        assert fault.text(box.text) if callable(fault.text) else box.text == fault.text, box.text
        run.press_box()
        if fault.box == "message":
            assert run.wait_exit(30) == 0
        else:
            time.sleep(1.5)
            assert run.process.poll() is None, "the window should stay open and idle"
            run.close_window()
            assert run.wait_exit(30) == 0
        if fault.afterwards:
            fault.afterwards(world, run, box)
        if fault.running:
            assert running_synchronizers(wine, program_dir), "no synchronizer runs after the run"

        assert digest(program_dir / SYNCHRONIZER) in {world.installed, digest(build.fixture("synchronizer_new"))}
        assert not (program_dir / STAGING).exists()
        assert _read(program_dir / "Config.ini") == config
    synchronizers.stop_all()
    assert _without(snapshot(tmp_path), tmp_path, program_dir) == \
        _without(outside["tests"], tmp_path, program_dir)
    assert _prefix_state(wine) == outside["wine"]


def _read(path):
    return path.read_bytes() if path.exists() else None


def _without(state, root, directory):
    inside = str(Path(directory).relative_to(root))
    return {name: value for name, value in state.items()
            if name != inside and not name.startswith(inside + "/")}


def _prefix_state(wine):
    """The files of the prefix's drive (the WinInet cache among them), by size and time.
    WinInet's own index files are left out: it creates them at its first use in a profile."""
    drive = wine.prefix / "drive_c"
    return {str(p.relative_to(drive)): (p.stat().st_size, p.stat().st_mtime_ns)
            for p in drive.rglob("*") if p.is_file() and not p.is_symlink() and p.name != "index.dat"}
