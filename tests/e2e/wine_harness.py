"""Runs the real TolvarUpdate.exe under Wine: one Xvfb, one Wine prefix and one
persistent wineserver per test session, all started and stopped here.

The program's status and box texts arrive through the debugger channel
(OutputDebugStringA, traced as "<kind>: <text>"); boxes and windows are read and
driven from outside by the dialog robot.
"""

import dataclasses
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

import pytest

from tolvar_constants import PROGRAM, WINDOW_CLASS
from wine_session import WineSession

REPO = Path(__file__).resolve().parents[2]
# Filled by scripts/bootstrap; its stamp names the pinned version.
LIBPQ_DIR = REPO / ".cache" / "libpq"


class Build:
    """The windows-test build tree under test."""

    def __init__(self, directory):
        self.dir = Path(directory).resolve()
        self.exe = self.dir / "app" / PROGRAM
        if not self.exe.is_file():
            raise RuntimeError(f"{self.exe} is missing: build the windows-test preset first")

    @property
    def download_port(self):
        """The port of the download host the build was configured with."""
        cache = (self.dir / "CMakeCache.txt").read_text()
        host = re.search(r"^TOLVAR_DOWNLOAD_HOST:\w+=(.*)$", cache, re.M).group(1)
        return int(host.rsplit(":", 1)[1]) if ":" in host else 443

    def fixture(self, name):
        return self.dir / "tests" / "fixtures" / f"{name}.exe"

    @property
    def libpq_dlls(self):
        if not (LIBPQ_DIR / "stamp").is_file():
            raise RuntimeError(f"no libpq DLLs in {LIBPQ_DIR}: run scripts/bootstrap")
        return sorted(LIBPQ_DIR.glob("*.dll"))


class Wine:
    """One Wine session (a new prefix, its persistent server and services) on
    `display` or on an Xvfb display of its own."""

    def __init__(self, workdir, display=None):
        self.workdir = Path(workdir)
        self.prefix = self.workdir / "prefix"
        self._xvfb = None
        self.display = display
        self.session = None

    @property
    def env(self):
        return self.session.env

    def start(self, robot):
        """`robot`: the dialog robot, which holds the desktop for the whole session."""
        self.workdir.mkdir(parents=True, exist_ok=True)
        if self.display is None:
            self._start_xvfb()
        self.session = WineSession(self.prefix, self.display)
        self.session.start()
        # Detached, like the session's own processes; wineserver -k ends it.
        subprocess.Popen(self.command([robot, "hold"]), env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            number = reader.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"

    def stop(self):
        """Ends the session; raises afterwards if a Wine process had taken a
        caller's output meanwhile."""
        try:
            if self.session and self.session.server:
                self.session.check()
        finally:
            if self.session:
                self.session.stop()
            if self._xvfb:
                self._xvfb.terminate()
                self._xvfb.wait(timeout=10)

    @staticmethod
    def winpath(path):
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")

    def command(self, args):
        """The Unix command line that runs the Windows program `args[0]`."""
        exe, *rest = args
        return ["wine", self.winpath(exe) if os.sep in str(exe) else str(exe), *map(str, rest)]

    def run(self, args, cwd=None, timeout=60, env=None):
        """Runs a Windows program to its end; stdout as text (CRLF folded)."""
        done = subprocess.run(self.command(args), cwd=cwd, env={**self.env, **(env or {})},
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        return subprocess.CompletedProcess(done.args, done.returncode,
                                           done.stdout.decode("utf-8", "replace").replace("\r\n", "\n"),
                                           done.stderr.decode("utf-8", "replace"))

    def start_process(self, args, cwd=None, env=None, launcher=(), **kwargs):
        """Starts a Windows program; `launcher`: a Unix command put before `wine` (a tracer)."""
        return subprocess.Popen([*launcher, *self.command(args)], cwd=cwd, env={**self.env, **(env or {})},
                                stdin=subprocess.DEVNULL, **kwargs)


_TRACE_LINE = re.compile(r'warn:debugstr:OutputDebugStringA "(.*)"\s*$')


def unescape_trace(text):
    """Undoes Wine's debugstr escaping and returns the UTF-8 text."""
    out = bytearray()
    i = 0
    simple = {"n": 10, "r": 13, "t": 9, '"': 34, "\\": 92, "0": 0}
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            if nxt in simple:
                out.append(simple[nxt])
                i += 2
                continue
        out += c.encode("latin-1", "replace")
        i += 1
    return out.decode("utf-8", "replace")


def run_robot(wine, build, *args, timeout=60):
    """Runs the dialog robot; `timeout` must exceed the wait the robot is given.
    Its answer is whole at its last line, "rc=<code>": under Wine a robot now and
    then fails to end after that, and its answer stands."""
    process = wine.start_process([build.fixture("dialog_robot"), *args],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    lines = []
    answered = threading.Event()

    def read():
        for raw in process.stdout:
            lines.append(raw.decode("utf-8", "replace").rstrip("\r\n"))
            if lines[-1].startswith("rc="):
                answered.set()
        answered.set()

    threading.Thread(target=read, daemon=True).start()
    whole = answered.wait(timeout) and lines and lines[-1].startswith("rc=")
    try:
        process.wait(timeout=5 if whole else 0.1)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    assert whole, f"the robot gave no whole answer to {args}: {lines}"
    return subprocess.CompletedProcess(args, int(lines[-1][3:]), "\n".join(lines[:-1]) + "\n", "")


@dataclasses.dataclass
class Box:
    caption: str
    text: str
    icon: str  # "stop", "other" or "none"


class Pixels:
    """An RGB picture read from a PPM: pixel(x, y) -> (r, g, b)."""

    def __init__(self, ppm):
        parts = []
        pos = 0
        while len(parts) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":  # a comment, such as convert's "#xwdump"
                pos = ppm.index(b"\n", pos)
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            parts.append(ppm[pos:end])
            pos = end
        assert parts[0] == b"P6" and parts[3] == b"255"
        self.width, self.height = int(parts[1]), int(parts[2])
        self.data = ppm[pos + 1:]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def save_png(self, path):
        header = f"P6\n{self.width} {self.height}\n255\n".encode()
        subprocess.run(["/usr/bin/convert", "ppm:-", str(path)], input=header + self.data, check=True)


class UpdaterRun:
    """One start of TolvarUpdate.exe, watched through its trace; in its program
    directory unless `cwd` says otherwise, under `launcher` if given."""

    def __init__(self, wine, build, program_dir, exe_name=PROGRAM, cwd=None, launcher=()):
        self.wine = wine
        self.build = build
        self.program_dir = Path(program_dir)
        self.started = time.monotonic()
        self._lines = []
        self._changed = threading.Condition()
        self.on_text = None  # called on the reader thread with each traced text, as it comes
        self.process = wine.start_process([self.program_dir / exe_name], cwd=cwd or self.program_dir,
                                          env={"WINEDEBUG": "-all,warn+debugstr"}, launcher=launcher,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self.process.stderr:
            match = _TRACE_LINE.search(raw.decode("latin-1"))
            if match:
                text = unescape_trace(match.group(1))
                if self.on_text:
                    self.on_text(text)
                with self._changed:
                    self._lines.append((time.monotonic(), text))
                    self._changed.notify_all()

    def texts(self, kind=None):
        """Traced texts in order; with `kind`, only the texts of that kind."""
        with self._changed:
            lines = [text for _, text in self._lines]
        if kind is None:
            return lines
        prefix = kind + ": "
        return [line[len(prefix):] for line in lines if line.startswith(prefix)]

    def text_times(self):
        with self._changed:
            return list(self._lines)

    def wait_text(self, kind, text, timeout=30):
        """Waits until `text` of `kind` was traced; returns the time since start."""
        wanted = f"{kind}: {text}"
        end = time.monotonic() + timeout
        with self._changed:
            while True:
                for when, line in self._lines:
                    if line == wanted:
                        return when - self.started
                left = end - time.monotonic()
                if left <= 0 or self.process.poll() is not None and not self._reader.is_alive():
                    raise AssertionError(f"{wanted!r} not traced; trace: {self.texts()}")
                self._changed.wait(min(left, 0.1))

    def wait_exit(self, timeout=30):
        code = self.process.wait(timeout=timeout)
        self._reader.join(timeout=5)
        return code

    def robot(self, *args, timeout=60):
        return run_robot(self.wine, self.build, *args, timeout=timeout)

    def box(self, timeout=15):
        done = self.robot("box", int(timeout * 1000), timeout=timeout + 30)
        assert done.returncode == 0, f"no box appeared; trace: {self.texts()}"
        fields = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line)
        unescape = lambda s: s.replace("\\n", "\n").replace("\\r", "\r").replace("\\\\", "\\")
        return Box(unescape(fields["caption"]), unescape(fields["text"]), fields["icon"])

    def press_box(self, timeout=15):
        done = self.robot("press", int(timeout * 1000), timeout=timeout + 30)
        assert done.returncode == 0, done.stdout

    def close_window(self, timeout=15):
        done = self.robot("close", WINDOW_CLASS, int(timeout * 1000))
        assert done.returncode == 0, done.stdout

    def client_rect(self, timeout=15):
        done = self.robot("rect", WINDOW_CLASS, int(timeout * 1000))
        assert done.returncode == 0, done.stdout
        return tuple(int(v) for v in done.stdout.split())

    def screenshot(self, rect=None):
        """The client area (or `rect` = x, y, w, h of the screen) as Pixels."""
        x, y, w, h = rect or self.client_rect()
        shot = subprocess.run(["xwd", "-root", "-silent", "-display", self.wine.display],
                              capture_output=True, check=True).stdout
        ppm = subprocess.run(["/usr/bin/convert", "xwd:-", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                              "-depth", "8", "ppm:-"], input=shot, capture_output=True, check=True).stdout
        return Pixels(ppm)

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)


@pytest.fixture(scope="session")
def build():
    return Build(os.environ.get("TOLVAR_BUILD", REPO / "build" / "windows-test"))


@pytest.fixture(scope="session")
def wine(build):
    workdir = Path(tempfile.mkdtemp(prefix="e2e-wine-", dir=build.dir))
    session = Wine(workdir)
    try:
        session.start(build.fixture("dialog_robot"))
        yield session
    finally:
        session.stop()
        shutil.rmtree(workdir, ignore_errors=True)


@pytest.fixture
def program_dir(build, tmp_path):
    directory = tmp_path / "program"
    directory.mkdir()
    shutil.copy2(build.exe, directory / PROGRAM)
    return directory


@pytest.fixture
def updater(wine, build):
    runs = []

    def start(program_dir, exe_name=PROGRAM, **options):
        run = UpdaterRun(wine, build, program_dir, exe_name, **options)
        runs.append(run)
        return run

    yield start
    for run in runs:
        run.kill()
