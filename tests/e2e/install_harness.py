"""Fixtures for whole update runs: the fixture synchronizer (old and new
release), its marker of starts, and a program directory set up for an update
that is due: libpq, a Config.ini pointing at the test cluster, a catalogue
holding a newer release, and the new release served at the download address.
"""

import contextlib
import dataclasses
import hashlib
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from tolvar_constants import DOWNLOAD_PATH, SYNCHRONIZER, SYNCHRONIZER_WINDOW_CLASS
from wine_harness import run_robot

# Where the fixture synchronizer records each of its starts.
MARKER = "synchronizer-starts.txt"
INSTALLED, NEWEST = 7, 8


@dataclasses.dataclass
class Start:
    label: str
    directory: str
    pid: int


def starts(directory):
    """The starts the fixture synchronizers in `directory` recorded, in order."""
    marker = Path(directory) / MARKER
    if not marker.exists():
        return []
    lines = marker.read_text(encoding="cp1252").splitlines()
    return [Start(label, cwd, int(pid)) for label, cwd, pid in (line.split("\t") for line in lines)]


def running_synchronizers(wine, directory):
    """Unix process ids of the synchronizers running from `directory`'s executable."""
    executable = wine.winpath(Path(directory) / SYNCHRONIZER).lower()
    return {pid for pid, command in wine.session.processes() if command.lower() == executable}


def new_started(program_dir):
    return any(start.label == "new" for start in starts(program_dir))


def large_release(build, size=10 * 1024 * 1024):
    """The new synchronizer grown to `size` bytes with trailing data: still a complete executable."""
    content = build.fixture("synchronizer_new").read_bytes()
    return content + bytes(size - len(content))


def digest(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def snapshot(directory):
    """Every file below `directory` with its content's digest (directories as None)."""
    directory = Path(directory)
    return {str(p.relative_to(directory)): (digest(p) if p.is_file() else None)
            for p in sorted(directory.rglob("*"))}


class Synchronizers:
    """Starts fixture synchronizers and makes sure none outlives the test."""

    def __init__(self, wine, build):
        self.wine = wine
        self.build = build
        self.processes = []

    def place(self, directory, label="old", name=SYNCHRONIZER):
        shutil.copy2(self.build.fixture(f"synchronizer_{label}"), Path(directory) / name)
        return Path(directory) / name

    def start(self, executable, stubborn=False, timeout=15):
        """Starts `executable` in its own directory and waits for its window."""
        executable = Path(executable)
        before = len(starts(executable.parent))
        args = [executable, "--stubborn"] if stubborn else [executable]
        process = self.wine.start_process(args, cwd=executable.parent,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        end = time.monotonic() + timeout
        while len(starts(executable.parent)) == before:
            assert process.poll() is None, f"{executable} ended at once"
            assert time.monotonic() < end, f"{executable} did not start"
            time.sleep(0.05)
        return process

    def count(self):
        done = run_robot(self.wine, self.build, "count", SYNCHRONIZER_WINDOW_CLASS)
        return int(done.stdout.strip() or 0)

    def stop_all(self):
        run_robot(self.wine, self.build, "quit", SYNCHRONIZER_WINDOW_CLASS, 5000)
        for process in self.processes:
            if process.poll() is None:
                process.kill()
            process.wait(timeout=10)


def wait_for(condition, timeout=15, what="condition", every=0.05):
    end = time.monotonic() + timeout
    while not condition():
        assert time.monotonic() < end, f"timed out waiting for {what}"
        time.sleep(every)


class ReleaseServer:
    """What the program's fixed download address answers in this test."""

    def __init__(self, wine, https_server, fault_server, pki):
        self.wine = wine
        self.nginx = https_server
        self.file = https_server.root / DOWNLOAD_PATH
        self.fault_server = fault_server
        self.pki = pki

    def serve_bytes(self, content):
        self.file.parent.mkdir(parents=True, exist_ok=True)
        self.file.write_bytes(content)

    def serve_file(self, path):
        self.serve_bytes(Path(path).read_bytes())

    def limit_rate(self, rate):
        """Sends the release at `rate` (one of web_harness.RATES), or None: at full speed."""
        self.nginx.limit_rate(rate)

    def serve_scenario(self, scenario):
        """The fault server's `scenario` (e.g. "/status/404") answers instead of a file."""
        self.file.unlink(missing_ok=True)
        self.fault_server.answer_downloads_with(scenario)

    @contextlib.contextmanager
    def untrusted(self):
        """The Wine prefix stops trusting the test CA for a while."""
        done = self.wine.run(["reg", "delete", self.pki.root_store_key(), "/f"])
        assert done.returncode == 0, done.stderr
        try:
            yield
        finally:
            self.wine.run(["reg", "import", self.wine.winpath(self.pki.root_store_reg())])


@pytest.fixture
def release_server(wine, https_server, fault_server, trusted_test_ca):
    server = ReleaseServer(wine, https_server, fault_server, trusted_test_ca)
    yield server
    server.serve_scenario("/status/404")
    server.limit_rate(None)


@pytest.fixture
def synchronizers(wine, build):
    fleet = Synchronizers(wine, build)
    yield fleet
    fleet.stop_all()


@pytest.fixture
def update_due(release_dir, catalogue, release_server, build):
    """A program directory for which an update is due and the new release is served."""
    catalogue.set_rows([(11, NEWEST), (3, 99)])
    release_server.serve_file(build.fixture("synchronizer_new"))
    return release_dir(versao=INSTALLED)
