"""Whole update runs that install a new release: the synchronizer is asked to
quit, the new one is downloaded beside it, checked, put in place and started.
Failed downloads and installations are rows of the fault matrix."""

import shutil
import time

import pytest

from install_harness import (MARKER, digest, large_release, new_started, running_synchronizers, snapshot, starts,
                             wait_for)
from tolvar_constants import BACKUP, STAGING, SYNCHRONIZER, TYPICAL_RUN


def test_full_update_replaces_and_restarts_the_synchronizer(update_due, updater, synchronizers, build):
    program_dir = update_due
    old = synchronizers.start(synchronizers.place(program_dir, "old"))
    config = (program_dir / "Config.ini").read_bytes()

    run = updater(program_dir)
    assert run.wait_exit(60) == 0

    assert run.texts("status") == TYPICAL_RUN
    assert run.texts("message") == [] and run.texts("error") == []
    wait_for(lambda: old.poll() is not None, what="the old synchronizer to quit")
    assert digest(program_dir / SYNCHRONIZER) == digest(build.fixture("synchronizer_new"))
    wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")
    # The new one starts in the updater's current directory.
    assert starts(program_dir)[-1].directory.rstrip("\\").lower() == \
        run.wine.winpath(program_dir).lower()
    assert (program_dir / "Config.ini").read_bytes() == config
    assert not (program_dir / STAGING).exists()


@pytest.mark.parametrize("installed, served", [
    ("publisher-a", "publisher-a"),
    # A renewed certificate: new key and serial, the same subject.
    ("publisher-a", "publisher-a-renewed"),
    # The installed one's certificate has expired since: it still names its publisher.
    ("publisher-a-expired", "publisher-a"),
    # An unsigned install pins nothing.
    ("unsigned", "publisher-b"),
])
def test_release_of_the_installed_publisher_is_installed(installed, served, update_due, release_server, updater,
                                                          synchronizers, signed_releases):
    program_dir = update_due
    shutil.copy2(signed_releases.path("synchronizer_old", installed), program_dir / SYNCHRONIZER)
    release = signed_releases.path("synchronizer_new", served)
    release_server.serve_file(release)
    old = synchronizers.start(program_dir / SYNCHRONIZER)

    run = updater(program_dir)
    assert run.wait_exit(60) == 0

    assert run.texts("status") == TYPICAL_RUN
    assert digest(program_dir / SYNCHRONIZER) == digest(release)
    wait_for(lambda: old.poll() is not None and new_started(program_dir), what="the new synchronizer to start")
    assert not (program_dir / STAGING).exists() and not (program_dir / BACKUP).exists()


def test_two_updaters_at_once_install_one_release_and_start_one_synchronizer(update_due, release_server, updater,
                                                                            synchronizers, build):
    # Started twice (by the synchronizer, or by a double click) while a release is sent over about two seconds.
    program_dir = update_due
    release = large_release(build, 1024 * 1024)
    release_server.serve_bytes(release)
    release_server.limit_rate("512k")
    old = synchronizers.start(synchronizers.place(program_dir, "old"))

    first = updater(program_dir)
    time.sleep(0.3)
    second = updater(program_dir)
    assert [second.wait_exit(60), first.wait_exit(60)] == [0, 0]

    assert first.texts("status") == TYPICAL_RUN
    assert first.texts("message") == [] and first.texts("error") == []
    assert second.texts() == []  # it ended at once: no window, no box, not a status
    assert (program_dir / SYNCHRONIZER).read_bytes() == release
    assert not (program_dir / STAGING).exists() and not (program_dir / BACKUP).exists()
    wait_for(lambda: old.poll() is not None, what="the old synchronizer to quit")
    assert len(running_synchronizers(first.wine, program_dir)) == 1
    wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")
    assert [s.label for s in starts(program_dir)] == ["old", "new"]


def _no_executable(program_dir, synchronizers):
    pass


def _stale_backup(program_dir, synchronizers):
    synchronizers.place(program_dir, "old")
    synchronizers.place(program_dir, "old", name=BACKUP)


def _backup_name_is_a_directory(program_dir, synchronizers):
    synchronizers.place(program_dir, "old")
    (program_dir / BACKUP).mkdir()


def _running_and_ignoring_the_quit_request(program_dir, synchronizers):
    synchronizers.start(synchronizers.place(program_dir, "old"), stubborn=True)


@pytest.mark.parametrize("prepare, backup_after", [
    (_no_executable, "absent"),
    (_stale_backup, "absent"),
    (_backup_name_is_a_directory, "directory"),
    # The old program still runs from the backup, so the backup cannot go yet.
    (_running_and_ignoring_the_quit_request, "old"),
], ids=lambda value: getattr(value, "__name__", value).strip("_"))
def test_starting_states_of_the_program_directory(prepare, backup_after, update_due, updater,
                                                  synchronizers, build):
    program_dir = update_due
    prepare(program_dir, synchronizers)

    run = updater(program_dir)
    assert run.wait_exit(60) == 0

    assert run.texts("status") == TYPICAL_RUN
    assert digest(program_dir / SYNCHRONIZER) == digest(build.fixture("synchronizer_new"))
    wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")
    backup = program_dir / BACKUP
    assert {"absent": not backup.exists(), "directory": backup.is_dir(),
            "old": backup.is_file() and digest(backup) == digest(build.fixture("synchronizer_old"))
            }[backup_after]
    assert not (program_dir / STAGING).exists()


def test_only_one_of_two_synchronizers_is_asked_to_quit(update_due, updater, synchronizers):
    program_dir = update_due
    executable = synchronizers.place(program_dir, "old")
    first, second = synchronizers.start(executable), synchronizers.start(executable)

    run = updater(program_dir)
    assert run.wait_exit(60) == 0
    wait_for(lambda: first.poll() is not None or second.poll() is not None,
             what="one synchronizer to quit")
    wait_for(lambda: new_started(program_dir), what="the new synchronizer to start")
    assert [first.poll() is None, second.poll() is None].count(True) == 1


def test_synchronizer_of_another_directory_is_asked_to_quit_and_its_files_stay(
        update_due, updater, synchronizers, tmp_path, build):
    program_dir = update_due
    synchronizers.place(program_dir, "old")
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    other = synchronizers.start(synchronizers.place(elsewhere, "old"))
    before = snapshot(elsewhere)

    run = updater(program_dir)
    assert run.wait_exit(60) == 0
    wait_for(lambda: other.poll() is not None, what="the other synchronizer to quit")
    assert snapshot(elsewhere) == before
    assert digest(program_dir / SYNCHRONIZER) == digest(build.fixture("synchronizer_new"))


def test_executable_that_cannot_start_still_reports_success(update_due, release_server, updater,
                                                            build):
    program_dir = update_due
    # A complete executable for another processor: it is put in place, but never runs.
    image = bytearray(build.fixture("synchronizer_new").read_bytes())
    pe = int.from_bytes(image[0x3C:0x40], "little")
    image[pe + 4:pe + 6] = (0xAA64).to_bytes(2, "little")
    release_server.serve_bytes(bytes(image))

    run = updater(program_dir)
    assert run.wait_exit(60) == 0
    assert run.texts("status") == TYPICAL_RUN
    assert (program_dir / SYNCHRONIZER).read_bytes() == bytes(image)
    assert not (program_dir / MARKER).exists()
