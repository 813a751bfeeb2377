"""The swap survives a power loss: the staged release is flushed to disk before
it is renamed into place, and the old executable, moved aside under the backup
name, is deleted only once the new one is in place.

Shown on the system calls of a whole update run. Under Wine the updater's own
process writes and flushes the file, while the wineserver (the session's
persistent one) renames and deletes on its behalf, so both are traced."""

import contextlib
import dataclasses
import re
import signal
import subprocess

from install_harness import new_started, wait_for
from tolvar_constants import BACKUP, DONE, STAGING, SYNCHRONIZER

SYSTEM_CALLS = "fsync,fdatasync,sync_file_range,rename,renameat,renameat2,unlink,unlinkat"
# strace -f -ttt -y: "<pid> <time> <call>(<arguments>) = <result>", or split
# into "<call>(<arguments> <unfinished ...>" and "<... <call> resumed>) = <result>".
_CALL = re.compile(r"^(?P<pid>\d+) +(?P<time>\d+\.\d+) (?P<name>\w+)\((?P<arguments>.*?)"
                   r"(?: <unfinished \.\.\.>|\) += (?P<result>-?\d+).*)$")
_RESUMED = re.compile(r"^(?P<pid>\d+) +\d+\.\d+ <\.\.\. (?P<name>\w+) resumed>.*\) += (?P<result>-?\d+)")
# File names in the arguments: quoted paths, and the paths of descriptors ("17</dir/file>").
_PATH = re.compile(r'"([^"]*)"|\d+<([^>]*)>')


@dataclasses.dataclass
class Call:
    side: str    # "updater" or "wineserver"
    time: float  # when it was entered
    name: str
    paths: list
    result: int
    line: str


def _calls(trace, side):
    """The system calls that completed in an strace output file."""
    calls, unfinished = [], {}
    for line in trace.read_text().splitlines():
        if match := _CALL.match(line):
            call = Call(side, float(match["time"]), match["name"],
                        [quoted or described for quoted, described in _PATH.findall(match["arguments"])],
                        None, line)
            if match["result"] is None:
                unfinished[match["pid"]] = call
            else:
                call.result = int(match["result"])
                calls.append(call)
        elif (match := _RESUMED.match(line)) and match["pid"] in unfinished:
            call = unfinished.pop(match["pid"])
            call.result = int(match["result"])
            calls.append(call)
    return calls


def _tracer(output):
    return ["strace", "-f", "-ttt", "-y", "-e", f"trace={SYSTEM_CALLS}", "-o", str(output)]


@contextlib.contextmanager
def _traced_wineserver(wine, output):
    tracer = subprocess.Popen([*_tracer(output), "-p", str(wine.session.server)],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    assert b"attached" in tracer.stderr.readline(), "strace could not attach to the wineserver"
    try:
        yield
    finally:
        tracer.send_signal(signal.SIGINT)  # detaches; the server runs on
        tracer.wait(timeout=30)


def test_staged_release_is_flushed_before_its_rename_and_the_backup_deleted_after(update_due, synchronizers,
                                                                                 updater, wine, tmp_path):
    program_dir = update_due
    synchronizers.place(program_dir, "old")
    updater_trace, server_trace = tmp_path / "updater.strace", tmp_path / "wineserver.strace"

    with _traced_wineserver(wine, server_trace):
        run = updater(program_dir, launcher=_tracer(updater_trace))
        run.wait_text("status", DONE, timeout=60)
        wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")
        # strace follows the synchronizer that the updater started, and ends with it.
        synchronizers.stop_all()
        assert run.wait_exit(60) == 0

    calls = sorted(_calls(updater_trace, "updater") + _calls(server_trace, "wineserver"), key=lambda c: c.time)

    def of(names, *files):
        return [c for c in calls if c.name in names and c.result == 0 and len(c.paths) == len(files)
                and all(path.endswith(f"{program_dir}/{file}") for path, file in zip(c.paths, files))]

    renames = {"rename", "renameat", "renameat2"}
    flushes = of({"fsync", "fdatasync"}, STAGING)
    moved_aside = of(renames, SYNCHRONIZER, BACKUP)
    into_place = of(renames, STAGING, SYNCHRONIZER)
    backup_deleted = of({"unlink", "unlinkat"}, BACKUP)
    print("", *(f"{c.side}: {c.line}" for c in sorted(flushes + moved_aside + into_place + backup_deleted,
                                                      key=lambda c: c.time)), sep="\n")

    assert flushes, "the staged file was never flushed"
    assert len(moved_aside) == len(into_place) == len(backup_deleted) == 1, (moved_aside, into_place, backup_deleted)
    assert flushes[-1].time < into_place[0].time
    assert moved_aside[0].time < into_place[0].time < backup_deleted[0].time
