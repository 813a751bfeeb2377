"""Copies of the fixture synchronizers signed as two test publishers would
sign them (tests/fixtures/make_signed_releases.sh), made once per session."""

import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

from wine_harness import REPO


class SignedReleases:
    VARIANTS = ("publisher-a", "publisher-a-renewed", "publisher-a-expired", "publisher-b",
                "unsigned", "publisher-a-tampered")

    def __init__(self, directory, executables):
        self.dir = Path(directory)
        subprocess.run(["sh", str(REPO / "tests" / "fixtures" / "make_signed_releases.sh"), str(self.dir),
                        *map(str, executables)], check=True, stdin=subprocess.DEVNULL, capture_output=True)

    def path(self, executable, variant):
        """`variant` of the fixture `executable` ("synchronizer_old", "synchronizer_new")."""
        assert variant in self.VARIANTS, variant
        return self.dir / executable / f"{variant}.exe"


@pytest.fixture(scope="session")
def signed_releases(build):
    directory = Path(tempfile.mkdtemp(prefix="e2e-signed-", dir=build.dir))
    try:
        yield SignedReleases(directory, [build.fixture("synchronizer_old"), build.fixture("synchronizer_new")])
    finally:
        shutil.rmtree(directory, ignore_errors=True)
