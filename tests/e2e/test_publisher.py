"""The publisher check under Wine, through the publisher probe: the installed
synchronizer's signature pins who may sign the release that replaces it."""

import subprocess

import pytest

SUBJECT_A = "C=BR, O=Tolvar Sistemas Ltda, CN=Tolvar Sistemas Ltda"
SUBJECT_B = "C=BR, O=Outra Empresa Ltda, CN=Tolvar Sistemas Ltda"

# What WinVerifyTrust answers for each staged release under Wine 8.
TRUSTED = "0x00000000"
NO_SIGNATURE = "0x800B0100"  # TRUST_E_NOSIGNATURE
BAD_DIGEST = "0x80096010"  # TRUST_E_BAD_DIGEST
STAGED = {
    "publisher-a": (TRUSTED, SUBJECT_A),
    "publisher-a-renewed": (TRUSTED, SUBJECT_A),
    "publisher-b": (TRUSTED, SUBJECT_B),
    "unsigned": (NO_SIGNATURE, ""),
    "publisher-a-tampered": (BAD_DIGEST, ""),
}


@pytest.fixture
def check(wine, build, signed_releases, tmp_path):
    """check(installed, staged) -> the probe's fields. `installed` is a variant,
    None for no installed executable, or "zero-filled" for one that power loss left."""
    def run(installed, staged):
        installed_path = tmp_path / "TolvarAutoRavik.exe"
        if installed == "zero-filled":
            installed_path.write_bytes(bytes(64 * 1024))
        elif installed:
            installed_path = signed_releases.path("synchronizer_old", installed)
        # Into a file, not a pipe: the signature check starts Wine's system
        # processes, which would hold a pipe open for seconds after the probe ends.
        output = tmp_path / "probe.txt"
        with output.open("wb") as out:
            wine.start_process([build.fixture("publisher_probe"), wine.winpath(installed_path),
                                wine.winpath(signed_releases.path("synchronizer_new", staged))],
                               stdout=out, stderr=subprocess.DEVNULL).wait(timeout=60)
        text = output.read_text().replace("\r\n", "\n")
        fields = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
        assert "verdict" in fields, f"probe failed: {text}"
        return fields
    return run


@pytest.mark.parametrize("installed, staged, verdict", [
    ("publisher-a", "publisher-a", "accept"),
    ("publisher-a", "publisher-a-renewed", "accept"),
    ("publisher-a", "publisher-b", "refuse"),
    ("publisher-a", "unsigned", "refuse"),
    ("publisher-a", "publisher-a-tampered", "refuse"),
    # An expired certificate, or a file damaged since, still names the
    # publisher of what is installed.
    ("publisher-a-expired", "publisher-a", "accept"),
    ("publisher-a-expired", "publisher-b", "refuse"),
    ("publisher-a-tampered", "publisher-a", "accept"),
    ("publisher-a-tampered", "publisher-b", "refuse"),
    # Nothing pinned: any release goes, as before signatures were checked.
    ("unsigned", "publisher-b", "accept"),
    ("unsigned", "unsigned", "accept"),
    ("unsigned", "publisher-a-tampered", "accept"),
    (None, "publisher-b", "accept"),
    (None, "unsigned", "accept"),
    (None, "publisher-a-tampered", "accept"),
    ("zero-filled", "publisher-b", "accept"),
])
def test_release_is_accepted_only_from_the_installed_publisher(check, installed, staged, verdict):
    fields = check(installed, staged)
    assert fields["verdict"] == verdict, fields
    assert (fields["staged_trust"], fields["staged_subject"]) == STAGED[staged], fields
    expected_installed = {None: ("absent", ""), "unsigned": ("unsigned", ""),
                          "zero-filled": ("unsigned", "")}.get(installed, ("signed", SUBJECT_A))
    assert (fields["installed"], fields["installed_subject"]) == expected_installed, fields
