"""The download routine under Wine, through the download probe, against nginx
over HTTPS and the fault-injecting HTTP server."""

import dataclasses
import os
import shutil
import subprocess
import time

import pytest

from fault_server import body
from ports import free_port

MiB = 1024 * 1024
# What the destination holds before each download that must leave it alone.
PREVIOUS = b"previous synchronizer\n" * 200


@dataclasses.dataclass
class Outcome:
    result: str  # "true", "false" or "error"
    error: str  # "<code> <text>" of the input/output error
    elapsed_ms: int
    peak_working_set: int


def probe(wine, exe, *args):
    done = wine.run([exe, *map(str, args)], timeout=180)
    fields = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line)
    assert "elapsed_ms" in fields, f"probe failed: {done.stdout} {done.stderr}"
    return Outcome(fields.get("result", "error"), fields.get("error", ""),
                   int(fields["elapsed_ms"]), int(fields["peak_working_set"]))


@pytest.fixture
def download(wine, build):
    """download(address, destination, [stall_ms]) -> Outcome, through DownloadFile."""
    return lambda address, destination, *stall: probe(
        wine, build.fixture("download_probe"), address, wine.winpath(destination), *stall)


@pytest.fixture(scope="module")
def served(https_server):
    """Files in nginx's root, by name."""
    files = {f"{size}.bin": os.urandom(size) for size in (0, 1024, 1025, MiB, 64 * MiB)}
    for name, content in files.items():
        (https_server.root / name).write_bytes(content)
    return files


@pytest.fixture
def destination(tmp_path):
    path = tmp_path / "TolvarAutoRavik.exe"
    path.write_bytes(PREVIOUS)
    return path


@pytest.mark.parametrize("name", ["0.bin", "1024.bin", "1025.bin", f"{64 * MiB}.bin"])
def test_body_arrives_byte_for_byte_over_https_replacing_a_longer_file(https_server, served, download, tmp_path, name):
    destination = tmp_path / "TolvarAutoRavik.exe"
    destination.write_bytes(b"\xee" * (len(served[name]) + 4096))

    outcome = download(https_server.url("/" + name), destination)

    assert outcome.result == "true"
    assert destination.read_bytes() == served[name]


@pytest.mark.parametrize("redirect", [
    pytest.param(lambda web, fault, served: (web.url("/moved/1025.bin"), served["1025.bin"]),
                 id="https-to-another-path"),
    pytest.param(lambda web, fault, served: (fault.url("/redirect/302?to=/body/1025"), body(1025)),
                 id="http-to-another-path"),
])
def test_redirect_to_another_path_is_followed(https_server, fault_server, served, download, destination, redirect):
    address, content = redirect(https_server, fault_server, served)

    assert download(address, destination).result == "true"
    assert destination.read_bytes() == content


# Each address fails; the destination then holds what is given (None: as it was).
FAILED_TRANSFERS = [
    pytest.param(lambda web, fault: web.url("/no-such-file.bin"), None, id="404-with-body"),
    pytest.param(lambda web, fault: fault.url("/status/500"), None, id="500-with-body"),
    pytest.param(lambda web, fault: fault.url("/fin/4096/1000"), body(4096)[:1000], id="cut-by-fin"),
    pytest.param(lambda web, fault: fault.url("/rst/4096/2048"), body(4096)[:2048], id="cut-by-rst"),
    pytest.param(lambda web, fault: f"http://127.0.0.1:{free_port()}/x.bin", None, id="nothing-listening"),
    pytest.param(lambda web, fault: web.url("/1025.bin", "untrusted"), None, id="untrusted-ca"),
    pytest.param(lambda web, fault: web.url("/1025.bin", "othername"), None, id="name-mismatch"),
    pytest.param(lambda web, fault: web.url("/1025.bin", "expired"), None, id="expired-certificate"),
    pytest.param(lambda web, fault: web.url("/to-http/1025.bin"), None, id="redirect-https-to-http"),
]


@pytest.mark.parametrize("address, left", FAILED_TRANSFERS)
def test_failed_transfer_is_false(https_server, fault_server, served, download, destination, address, left):
    outcome = download(address(https_server, fault_server), destination)

    assert outcome.result == "false"
    assert destination.read_bytes() == (PREVIOUS if left is None else left)


def test_plain_http_target_of_the_refused_redirect_serves_the_file(https_server, served, download, destination):
    # Without this the refused HTTPS-to-HTTP redirect above could be failing for another reason.
    assert download(https_server.http_url("/1025.bin"), destination).result == "true"
    assert destination.read_bytes() == served["1025.bin"]


@pytest.mark.parametrize("path, left", [
    pytest.param("/stall", None, id="no-answer"),
    pytest.param("/stall/4096/1024", body(4096)[:1024], id="no-byte-mid-body"),
])
def test_stalled_transfer_fails_after_the_limit(fault_server, download, destination, path, left):
    outcome = download(fault_server.url(path), destination, 3000)

    assert outcome.result == "false"
    assert 2500 <= outcome.elapsed_ms <= 8000
    assert destination.read_bytes() == (PREVIOUS if left is None else left)


@pytest.mark.parametrize("place, code", [
    pytest.param(lambda exe, tmp: tmp / "missing" / "TolvarAutoRavik.exe", 3, id="missing-directory"),
    pytest.param(lambda exe, tmp: tmp, 5, id="a-directory"),
    pytest.param(lambda exe, tmp: exe, 32, id="the-running-executable"),
])
def test_destination_that_cannot_be_created_is_the_input_output_error(wine, build, fault_server, tmp_path, place, code):
    exe = tmp_path / "download_probe.exe"
    shutil.copy2(build.fixture("download_probe"), exe)
    destination = place(exe, tmp_path)
    before = destination.read_bytes() if destination.is_file() else None

    outcome = probe(wine, exe, fault_server.url("/body/10"), wine.winpath(destination))

    assert outcome.result == "error"
    assert outcome.error.startswith(f"{code} I/O error {code}: "), outcome.error
    assert (destination.read_bytes() if destination.is_file() else None) == before


@pytest.mark.parametrize("exe_name", ["download_probe.exe", "Renomeado.exe"])
def test_user_agent_is_the_executable_file_name(wine, build, fault_server, tmp_path, exe_name):
    exe = tmp_path / exe_name
    shutil.copy2(build.fixture("download_probe"), exe)
    path = f"/body/10?agent-of={exe_name}"

    assert probe(wine, exe, fault_server.url(path), wine.winpath(tmp_path / "out.bin")).result == "true"

    [request] = [r for r in fault_server.requests if r.path == path]
    assert request.header("User-Agent") == exe_name


@pytest.mark.parametrize("scheme", ["https", "http"])
def test_nothing_is_served_from_or_kept_in_the_cache(wine, https_server, download, tmp_path, scheme):
    address = https_server.url if scheme == "https" else https_server.http_url
    stem = f"cache-{scheme}-{time.monotonic_ns()}"
    (https_server.root / f"{stem}.bin").write_bytes(b"first release")
    assert download(address(f"/{stem}.bin"), tmp_path / "a.bin").result == "true"
    assert download(address(f"/{stem}-missing.bin"), tmp_path / "b.bin").result == "false"

    (https_server.root / f"{stem}.bin").write_bytes(b"second release, a newer one")
    assert download(address(f"/{stem}.bin"), tmp_path / "c.bin").result == "true"

    assert (tmp_path / "c.bin").read_bytes() == b"second release, a newer one"
    # WinInet names a cache entry after the address's last segment: <stem>[N].bin
    cache = wine.prefix.glob("drive_c/users/*/AppData/Local/Microsoft/Windows/INetCache/**/*")
    assert [p.name for p in cache if p.name.startswith(stem)] == []


def test_peak_working_set_does_not_grow_with_the_size(https_server, served, download, tmp_path):
    small = download(https_server.url(f"/{MiB}.bin"), tmp_path / "small.bin")
    large = download(https_server.url(f"/{64 * MiB}.bin"), tmp_path / "large.bin")

    assert small.result == large.result == "true"
    assert abs(large.peak_working_set - small.peak_working_set) < MiB, (small, large)


def test_throughput_beside_curl_and_a_64k_wininet_loop(wine, build, test_pki, https_server, served, download,
                                                      tmp_path, capsys):
    name = f"{64 * MiB}.bin"
    address = https_server.url("/" + name)

    def curl(destination):
        start = time.monotonic()
        subprocess.run(["curl", "-sSf", "--cacert", str(test_pki.ca), "-o", str(destination), address],
                       check=True, timeout=120)
        return time.monotonic() - start

    ways = {
        "DownloadFile, 1 KiB reads": lambda d: download(address, d).elapsed_ms / 1000,
        "WinInet loop, 64 KiB reads": lambda d: probe(wine, build.fixture("download_probe"), "--wininet64k",
                                                      address, wine.winpath(d)).elapsed_ms / 1000,
        "curl (native)": curl,
    }
    seconds = {}
    for what, way in ways.items():
        times = []
        for _ in range(3):
            destination = tmp_path / "copy.bin"
            times.append(way(destination))
            assert destination.read_bytes() == served[name], what
            destination.unlink()
        seconds[what] = sorted(times)[1]

    report = "\n".join(f"{what:28} {64 / s:7.1f} MiB/s  (median of 3: {s:.2f} s)" for what, s in seconds.items())
    (build.dir / "download-throughput.txt").write_text(report + "\n")
    with capsys.disabled():
        print(f"\n64 MiB over HTTPS under Wine:\n{report}")
