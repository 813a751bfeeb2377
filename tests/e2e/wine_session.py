"""One Wine session: a new prefix, one persistent wineserver and Wine's own
services, all started with their standard streams detached before any test runs.

A process that Wine starts on its own (the server, services.exe, winedevice.exe,
plugplay.exe, svchost.exe, rpcss.exe...) inherits the standard streams of the
`wine` call that started it. If a test's call were the one to start them, they
would hold that test's output pipe open for as long as they live, and the test
would "hang" after its program ended. So the session starts them all first, and
`check` proves afterwards that none of them holds a pipe or socket.

As a command: wine_session.py start|check|stop PREFIX (the unit tests under Wine).
"""

import os
import subprocess
import sys
import time
from pathlib import Path

# Wine's own long-lived processes: the server and the services it starts.
SYSTEM_PROCESSES = {"wineserver", "wineserver64", "services.exe", "winedevice.exe", "plugplay.exe",
                    "svchost.exe", "rpcss.exe", "explorer.exe", "winemenubuilder.exe"}

# The window texts ask for Verdana, which Wine lacks; pin it to one font that
# bootstrap installs, so every machine draws the same pixels.
FONT_REPLACEMENTS = {"Verdana": "DejaVu Sans"}


def _quiet(args, env, timeout):
    subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, start_new_session=True, check=True, timeout=timeout)


class WineSession:
    def __init__(self, prefix, display=None):
        self.prefix = Path(prefix).resolve()
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": os.environ.get("HOME", "/root"),
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
        }
        if display:
            self.env["DISPLAY"] = display
        self.server = None

    def start(self):
        if self.prefix.exists():
            raise RuntimeError(f"{self.prefix} exists: a session starts with a new prefix")
        # wineserver refuses a prefix directory that does not exist yet, and
        # wineboot would then start a server of its own that ends when idle.
        self.prefix.mkdir(parents=True)
        _quiet(["wineserver", "-p"], self.env, timeout=60)
        self.server = self._server_pid()
        self._server_file().write_text(str(self.server))
        _quiet(["wineboot", "-i"], self.env, timeout=300)
        registry = [(r"HKCU\Software\Wine\X11 Driver", value, "N") for value in ("Managed", "Decorated")]
        # Without a window manager each window close otherwise costs 2 s.
        registry += [(r"HKCU\Software\Wine\Fonts\Replacements", name, font)
                     for name, font in FONT_REPLACEMENTS.items()]
        for key, value, data in registry:
            _quiet(["wine", "reg", "add", key, "/v", value, "/d", data, "/f"], self.env, timeout=60)
        # A call with its output on a pipe must now end at once: nothing may
        # start behind it and keep the pipe.
        started = time.monotonic()
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       capture_output=True, check=True, timeout=30)
        if time.monotonic() - started > 10:
            raise RuntimeError("a Wine call with piped output took over 10 s: the session is not ready")
        self.check()

    def _server_file(self):
        return self.prefix / "session-server.pid"

    def _server_pid(self):
        servers = [pid for pid, command in self.processes() if _name(command).startswith("wineserver")]
        if len(servers) != 1:
            raise RuntimeError(f"expected one wineserver for {self.prefix}, found {servers}")
        return servers[0]

    def processes(self):
        """(pid, command) of the live processes of this prefix: a Windows program's
        command is its path as Wine shows it (Z:\\...\\name.exe)."""
        marker = f"WINEPREFIX={self.prefix}".encode()
        found = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                if marker not in (entry / "environ").read_bytes().split(b"\0"):
                    continue
                stat = (entry / "stat").read_text()
                if stat.rsplit(")", 1)[1].split()[0] == "Z":
                    continue
                command = (entry / "cmdline").read_bytes().split(b"\0")[0].decode("utf-8", "replace")
            except OSError:
                continue  # ended meanwhile, or not ours to read
            found.append((int(entry.name), command))
        return found

    def check(self):
        """Raises unless the session's own server still serves the prefix and no
        Wine system process holds a pipe or socket as a standard stream."""
        if self.server is None or self._server_pid() != self.server:
            raise RuntimeError(f"the wineserver of {self.prefix} is not the session's own")
        holders = []
        for pid, command in self.processes():
            name = _name(command)
            if name not in SYSTEM_PROCESSES:
                continue
            for fd in (0, 1, 2):
                try:
                    target = os.readlink(f"/proc/{pid}/fd/{fd}")
                except OSError:
                    continue
                if target.startswith(("pipe:", "socket:")):
                    holders.append(f"{name} ({pid}) fd {fd} -> {target}")
        if holders:
            raise RuntimeError("Wine processes hold a caller's output: " + "; ".join(holders))

    def stop(self):
        for flag in ("-k", "-w"):
            subprocess.run(["wineserver", flag], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def _name(command):
    """The lower-case file name of a command, Unix or Windows path."""
    return command.replace("\\", "/").rsplit("/", 1)[-1].lower()


def main(action, prefix):
    session = WineSession(prefix)
    if action == "start":
        session.start()
    else:
        # A later command learns the session's server from the prefix.
        session.server = int(session._server_file().read_text())
        if action == "check":
            session.check()
        elif action == "stop":
            session.stop()
        else:
            raise SystemExit(f"unknown action {action!r}: start, check or stop")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: wine_session.py start|check|stop PREFIX")
    main(*sys.argv[1:])
