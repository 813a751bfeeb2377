"""Every fault an update run can meet, one row each: what the user sees, whether
the program ends or stays idle, and what must hold afterwards whatever the
fault: a complete synchronizer executable (old or new, never a mix), no staging
file, Config.ini byte for byte as before, nothing outside the program
directory changed."""

import contextlib
import dataclasses
import subprocess
import time
from pathlib import Path

import pytest

from install_harness import BACKUP, NEWEST, STAGING, SYNCHRONIZER, digest, snapshot
from pg_harness import _free_port
from tolvar_config import write_config

CONNECTION_FAILED = "Não foi possível estabelecer a conexão com o Servidor!!! "
DOWNLOAD_FAILED = "Erro ao Efetuar o Download do arquivo! Favor entrar em contato com o suporte técnico!"


@dataclasses.dataclass
class Fault:
    name: str
    arrange: object          # (world) -> context manager or None
    box: str                 # "message" (foreseen, the program ends) or "error" (idle)
    text: object             # the box text: exact, or a predicate


class World:
    """What a row may change: the program directory, the catalogue, the server."""

    def __init__(self, program_dir, catalogue, cluster, release_server, build, synchronizers, nginx):
        self.program_dir = program_dir
        self.catalogue = catalogue
        self.cluster = cluster
        self.release = release_server
        self.build = build
        self.synchronizers = synchronizers
        self.nginx = nginx

    def config(self, **values):
        settings = {"host": "127.0.0.1", "port": self.cluster.port, "database": "vortan",
                    "user": "ravik", "password": "ravik-secret", "versao": NEWEST - 1, **values}
        write_config(self.program_dir, **settings)

    def redirect_to(self, url):
        self.release.serve_scenario("/redirect/302?to=" + url)


def starts_with(prefix):
    return lambda text: text.startswith(prefix)


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
    world.synchronizers.start(world.program_dir / SYNCHRONIZER, stubborn=True)
    world.synchronizers.place(world.program_dir, "old", name=BACKUP)
    world.synchronizers.start(world.program_dir / BACKUP, stubborn=True)


def _served_elsewhere(world, certificate):
    target = world.nginx.root / "elsewhere" / "TolvarAutoRavik.exe"
    target.parent.mkdir(exist_ok=True)
    target.write_bytes(world.build.fixture("synchronizer_new").read_bytes())
    world.redirect_to(world.nginx.url("/elsewhere/TolvarAutoRavik.exe", certificate))


def _no_read_permission(world):
    world.cluster.sql("REVOKE SELECT ON vazudevizu.tbversaoferramenta FROM PUBLIC")


FAULTS = [
    # Settings
    Fault("no_config_ini", _config_removed, "error", "'' is not a valid integer value."),
    # Written as standard Base64 without the cipher: decodes to other bytes, no error until the port.
    Fault("undecodable_values", lambda w: w.config(raw={"PORTA": "NTQzMg==", "HOST": "MTI3LjAuMC4x"}),
          "error", lambda t: t.endswith("' is not a valid integer value.")),
    # Config.ini is in the ANSI code page; the box shows its characters as they are.
    Fault("bad_port", lambda w: w.config(port="54ç32"), "error", "'54ç32' is not a valid integer value."),
    Fault("bad_versao", lambda w: w.config(versao="doze"), "error", "'doze' is not a valid integer value."),
    # Database connection: foreseen, the program ends
    Fault("server_down", lambda w: w.config(port=_free_port()), "message",
          starts_with(CONNECTION_FAILED + 'SQL Error: connection to server at "127.0.0.1", port ')),
    Fault("wrong_password", lambda w: w.config(password="not-it"), "message",
          lambda t: t.startswith(CONNECTION_FAILED + "SQL Error: ")
          and 'password authentication failed for user "ravik"' in t),
    Fault("unknown_database", lambda w: w.config(database="nenhuma"), "message",
          lambda t: t.startswith(CONNECTION_FAILED + "SQL Error: ") and 'database "nenhuma" does not exist' in t),
    Fault("no_libpq", lambda w: (w.program_dir / "libpq.dll").unlink(), "message",
          lambda t: t.startswith(CONNECTION_FAILED) and "libpq.dll" in t),
    Fault("libpq_dependency_missing", lambda w: (w.program_dir / "libcrypto-3-x64.dll").unlink(), "message",
          lambda t: t.startswith(CONNECTION_FAILED) and "libpq.dll" in t),
    # Release query
    Fault("missing_table", lambda w: w.catalogue.drop(), "error",
          starts_with('SQL Error: ERROR:  relation "vazudevizu.tbversaoferramenta" does not exist')),
    Fault("no_read_permission", _no_read_permission, "error",
          starts_with("SQL Error: ERROR:  permission denied for table tbversaoferramenta")),
    # Download: foreseen, the old synchronizer stays
    Fault("http_404", lambda w: w.release.serve_scenario("/status/404"), "message", DOWNLOAD_FAILED),
    Fault("http_500", lambda w: w.release.serve_scenario("/status/500"), "message", DOWNLOAD_FAILED),
    Fault("fin_cut", lambda w: w.release.serve_scenario("/fin/300000/120000"), "message", DOWNLOAD_FAILED),
    Fault("rst_cut", lambda w: w.release.serve_scenario("/rst/300000/120000"), "message", DOWNLOAD_FAILED),
    Fault("stall", lambda w: w.release.serve_scenario("/stall/300000/120000"), "message", DOWNLOAD_FAILED),
    Fault("non_executable_body", lambda w: w.release.serve_bytes(b"<html>Em manutencao</html>\n" * 40),
          "message", DOWNLOAD_FAILED),
    Fault("empty_body", lambda w: w.release.serve_bytes(b""), "message", DOWNLOAD_FAILED),
    Fault("untrusted_certificate", lambda w: w.release.untrusted(), "message", DOWNLOAD_FAILED),
    Fault("mismatched_certificate", lambda w: _served_elsewhere(w, "othername"), "message", DOWNLOAD_FAILED),
    Fault("expired_certificate", lambda w: _served_elsewhere(w, "expired"), "message", DOWNLOAD_FAILED),
    Fault("https_to_http_redirect",
          lambda w: w.redirect_to(w.nginx.http_url("/download/tolvarautoravik/TolvarAutoRavik.exe")),
          "message", DOWNLOAD_FAILED),
    # Installation
    Fault("read_only_program_directory", _read_only_program_directory, "error", starts_with("I/O error ")),
    Fault("executable_and_stale_backup_both_running", _both_running, "error", starts_with("I/O error ")),
]


@pytest.mark.parametrize("fault", FAULTS, ids=lambda fault: fault.name)
def test_fault(fault, update_due, catalogue, pg_cluster, release_server, https_server, build,
               synchronizers, updater, tmp_path, wine):
    program_dir = update_due
    synchronizers.place(program_dir, "old")
    world = World(program_dir, catalogue, pg_cluster, release_server, build, synchronizers, https_server)
    outside = {"tests": snapshot(tmp_path), "wine": _prefix_state(wine)}

    with contextlib.ExitStack() as stack:
        arranged = fault.arrange(world)
        if isinstance(arranged, contextlib.AbstractContextManager):
            stack.enter_context(arranged)
        config = _read(program_dir / "Config.ini")

        run = updater(program_dir)
        box = run.box(timeout=60)
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

        installed = digest(program_dir / SYNCHRONIZER)
        assert installed in {digest(build.fixture("synchronizer_old")),
                             digest(build.fixture("synchronizer_new"))}
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
