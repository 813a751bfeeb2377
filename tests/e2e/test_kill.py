"""An update run killed at any moment never leaves the user without a
synchronizer: the program directory holds a complete executable (old or new),
or the old one under the backup name only, which the next run puts back. The
next run also removes a staging file left behind, and then installs."""

import random
import time

import pytest

from install_harness import digest, large_release
from tolvar_constants import BACKUP, DONE, LOADING, STAGING, SYNCHRONIZER

# A full update of a 10 MiB release takes a few hundred milliseconds here.
KILL_WINDOW_SECONDS = 0.5


def _state(program_dir, old, new):
    executable, backup = program_dir / SYNCHRONIZER, program_dir / BACKUP
    if executable.is_file():
        return {old: "old", new: "new"}.get(digest(executable), "broken")
    if backup.is_file() and digest(backup) == old:
        return "old under the backup name"
    return "none"


@pytest.mark.parametrize("seed", range(8))
def test_killed_update_leaves_a_complete_or_repairable_synchronizer(seed, update_due, release_server,
                                                                    synchronizers, updater, build):
    program_dir = update_due
    release_server.serve_bytes(large_release(build))
    old, new = digest(build.fixture("synchronizer_old")), digest(release_server.file)
    synchronizers.start(synchronizers.place(program_dir, "old"))

    run = updater(program_dir)
    run.wait_text("status", LOADING)
    time.sleep(random.Random(seed).uniform(0, KILL_WINDOW_SECONDS))
    run.kill()
    killed_after = (run.texts("status") or ["(nothing)"])[-1]

    assert _state(program_dir, old, new) in {"old", "new", "old under the backup name"}, killed_after
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
