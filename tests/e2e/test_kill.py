"""An update run killed at any moment never leaves the user without a
synchronizer: the program directory holds a complete executable (old or new),
or the old one under the backup name only, which the next run puts back. The
next run also removes a staging file left behind, and then installs.

The kill points cover the whole run, from the first status text to the start
of the new synchronizer; each point is a moment the run reaches (a status
text, the staging file holding the whole release, the old executable moved
aside) and a delay after it.
Each point's outcome is printed and written to kill-outcomes.txt in the build."""

import time

import pytest

from install_harness import digest, large_release, wait_for
from tolvar_constants import (BACKUP, CHECKING, CONNECTING, DONE, DOWNLOADING, LOADING, OPENING, QUITTING,
                              STAGING, SYNCHRONIZER)

# 10 MiB at a fast office link's 8 MiB/s: the download lasts about 1.3 s.
RELEASE_SIZE = 10 * 1024 * 1024
RATE = "8m"
# The staging file holds the whole release: the checks and the swap follow within milliseconds.
STAGED = "staged"
# The old executable was moved aside: the new one is moved into place next.
MOVED_ASIDE = "moved aside"
KILL_POINTS = [
    (LOADING, 0), (LOADING, 0.01), (CONNECTING, 0), (CONNECTING, 0.01), (CHECKING, 0), (QUITTING, 0),
    *((DOWNLOADING, delay) for delay in (0, 0.05, 0.2, 0.4, 0.6, 0.8, 1.0, 1.2)),
    *((STAGED, delay) for delay in (0, 0.002, 0.005, 0.01, 0.012, 0.014, 0.016, 0.018, 0.02, 0.03)),
    (MOVED_ASIDE, 0),
    (OPENING, 0), (OPENING, 0.005), (DONE, 0),
]


def _state(program_dir, old, new):
    executable, backup = program_dir / SYNCHRONIZER, program_dir / BACKUP
    if executable.is_file():
        return {old: "old", new: "new"}.get(digest(executable), "broken")
    if backup.is_file() and digest(backup) == old:
        return "old under the backup name"
    return "none"


def _reach(run, program_dir, point):
    if point == STAGED:
        staging = program_dir / STAGING
        wait_for(lambda: staging.is_file() and staging.stat().st_size == RELEASE_SIZE, timeout=30,
                 what="the whole release in the staging file", every=0.0005)
    elif point == MOVED_ASIDE:
        # A few milliseconds long: if the polling misses it, the kill lands just after.
        wait_for(lambda: (program_dir / BACKUP).exists() or OPENING in run.texts("status"), timeout=30,
                 what="the old executable under the backup name", every=0.0002)
    else:
        run.wait_text("status", point)


@pytest.fixture(scope="module")
def outcomes(build):
    table = []
    yield table
    text = "".join(f"{line}\n" for line in table)
    (build.dir / "kill-outcomes.txt").write_text(text, encoding="utf-8")
    print("\n" + text)


def _point_id(value):
    return value if isinstance(value, str) else f"+{value * 1000:g}ms"


@pytest.mark.parametrize("point, delay", KILL_POINTS, ids=_point_id)
def test_killed_update_leaves_a_complete_or_repairable_synchronizer(point, delay, update_due, release_server,
                                                                    synchronizers, updater, build, outcomes):
    program_dir = update_due
    release_server.serve_bytes(large_release(build, RELEASE_SIZE))
    release_server.limit_rate(RATE)
    old, new = digest(build.fixture("synchronizer_old")), digest(release_server.file)
    synchronizers.start(synchronizers.place(program_dir, "old"))

    run = updater(program_dir)
    _reach(run, program_dir, point)
    time.sleep(delay)
    killed_at = time.monotonic()
    run.kill()
    run.wait_exit(10)  # every text traced before the kill is read
    texts = run.text_times()
    state = _state(program_dir, old, new)
    left = [name for name in (SYNCHRONIZER, BACKUP, STAGING) if (program_dir / name).exists()]
    outcome = (f"{point} {_point_id(delay)}\t{killed_at - texts[0][0]:.3f} s after the first status\t"
               f"killed after {texts[-1][1]!r}\t{state}\t{', '.join(left)}")
    outcomes.append(outcome)

    assert state in {"old", "new", "old under the backup name"}, outcome
    synchronizers.stop_all()

    again = updater(program_dir)
    assert again.wait_exit(60) == 0
    assert again.texts("status")[-1] == DONE, again.texts()
    assert _state(program_dir, old, new) == "new"
    assert not (program_dir / STAGING).exists()


def test_next_run_puts_back_an_executable_left_under_the_backup_name(update_due, release_server,
                                                                     synchronizers, updater, build):
    # As a run stopped between its two renames leaves it, with a part of a download beside it.
    program_dir = update_due
    synchronizers.place(program_dir, "old", name=BACKUP)
    (program_dir / STAGING).write_bytes(b"MZ" + bytes(1000))
    release_server.serve_scenario("/status/404")

    run = updater(program_dir)
    run.box(timeout=30)
    run.press_box()
    assert run.wait_exit(30) == 0

    assert digest(program_dir / SYNCHRONIZER) == digest(build.fixture("synchronizer_old"))
    assert not (program_dir / BACKUP).exists() and not (program_dir / STAGING).exists()
