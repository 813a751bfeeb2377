"""Web servers for the download tests: a throw-away test PKI whose CA only the
test Wine prefix trusts, nginx serving HTTPS on 127.0.0.1 (the fixed download
port for the good certificate, free ports for the bad ones), and the
fault-injecting HTTP server. All started and stopped here.
"""

import hashlib
import shutil
import socket
import struct
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from fault_server import FaultServer
from ports import free_port, require_free

REPO = Path(__file__).resolve().parents[2]

# Certificates that the HTTPS server also presents, each on a port of its own.
BAD_CERTIFICATES = ("expired", "othername", "untrusted")
# Rates (nginx limit_rate, bytes a second on each connection) that a test may
# choose while the server runs: a slow office link, and a fast one.
RATES = ("512k", "8m")


class Pki:
    """The certificates of tests/fixtures/make_test_pki.sh."""

    def __init__(self, directory):
        self.dir = Path(directory)
        subprocess.run(["sh", str(REPO / "tests" / "fixtures" / "make_test_pki.sh"), str(self.dir)],
                       check=True, stdin=subprocess.DEVNULL, capture_output=True)
        self.ca = self.dir / "ca.pem"

    def cert(self, name):
        return self.dir / f"{name}.pem"

    def key(self, name):
        return self.dir / f"{name}.key"

    def root_store_key(self):
        """The registry key of the test CA in the machine's Root store."""
        thumbprint = hashlib.sha1((self.dir / "ca.der").read_bytes()).hexdigest().upper()
        return f"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\{thumbprint}"

    def root_store_reg(self):
        """A .reg that puts the test CA into the machine's Root store (of a Wine prefix)."""
        der = (self.dir / "ca.der").read_bytes()
        # A serialized certificate property: CERT_CERT_PROP_ID (0x20), reserved 1, length, DER.
        blob = struct.pack("<III", 0x20, 1, len(der)) + der
        path = self.dir / "test-ca.reg"
        path.write_text("REGEDIT4\r\n\r\n"
                        f"[{self.root_store_key()}]\r\n\"Blob\"=hex:{','.join(f'{b:02x}' for b in blob)}\r\n")
        return path


class Nginx:
    """nginx in the foreground (one process, ours) with its own config, logs and temp dirs."""

    def __init__(self, directory, pki, download_port, fault_port=None, rate=None):
        """`download_port`: where the build under test downloads from (TOLVAR_DOWNLOAD_HOST);
        `rate`: bytes a second sent on each connection, as nginx's limit_rate (for example "4m")."""
        self.dir = Path(directory)
        self.download_port = download_port
        self._fault_port = fault_port
        self.root = self.dir / "www"
        self.root.mkdir()
        self.http_port = free_port()
        self.ports = {"localhost": download_port, **{name: free_port() for name in BAD_CERTIFICATES}}
        self._pki = pki
        self._rate = rate
        self._rate_markers = self.dir / "rate"
        self._process = None

    def url(self, path, certificate="localhost"):
        """https://localhost:<port><path> on the server that presents `certificate`."""
        return f"https://localhost:{self.ports[certificate]}{path}"

    def http_url(self, path):
        return f"http://localhost:{self.http_port}{path}"

    def limit_rate(self, rate):
        """From the next request on, sends at `rate` (one of RATES), or as fast as it can with None."""
        assert rate is None or rate in RATES, rate
        for marker in self._rate_markers.iterdir():
            marker.unlink()
        if rate:
            (self._rate_markers / rate).touch()

    def _config(self):
        temp = self.dir / "temp"
        rate = f"\n    limit_rate {self._rate};" if self._rate else ""
        servers = [f"""
    server {{
        listen 127.0.0.1:{port} ssl;
        server_name localhost;
        ssl_certificate {self._pki.cert(name)};
        ssl_certificate_key {self._pki.key(name)};{self._chosen_rates()}
        # /moved/<file> sends the client to /<file>, /to-http/<file> to the same file over plain HTTP.
        location /moved/ {{ rewrite ^/moved/(.*)$ /$1 redirect; }}
        location /to-http/ {{ rewrite ^/to-http/(.*)$ http://localhost:{self.http_port}/$1 redirect; }}{self._download_locations()}
    }}""" for name, port in self.ports.items()]
        return f"""
daemon off;
master_process off;
pid {self.dir}/nginx.pid;
error_log {self.dir}/error.log warn;
events {{ worker_connections 64; }}
http {{
    access_log {self.dir}/access.log;
    client_body_temp_path {temp}/body;
    proxy_temp_path {temp}/proxy;
    fastcgi_temp_path {temp}/fastcgi;
    uwsgi_temp_path {temp}/uwsgi;
    scgi_temp_path {temp}/scgi;
    default_type application/octet-stream;
    root {self.root};{rate}
    server {{ listen 127.0.0.1:{self.http_port}; server_name localhost; }}
{''.join(servers)}
}}
"""

    def _chosen_rates(self):
        # Looked up on each request, so a test can choose a rate without a reload.
        return "".join(f"""
        if (-f {self._rate_markers / rate}) {{ set $limit_rate {rate}; }}""" for rate in RATES)

    def _download_locations(self):
        if self._fault_port is None:
            return ""
        # A file placed under /download/ is served as it is; without one the fault
        # server answers, passed through unbuffered so its cuts and stalls reach the client.
        return f"""
        location /download/ {{ try_files $uri @fault; }}
        location @fault {{
            proxy_pass http://127.0.0.1:{self._fault_port};
            proxy_buffering off;
            proxy_read_timeout 300s;
        }}"""

    def start(self):
        require_free(self.download_port, "the HTTPS test server, as the test build downloads from there,")
        (self.dir / "temp").mkdir()
        self._rate_markers.mkdir()
        config = self.dir / "nginx.conf"
        config.write_text(self._config())
        self._process = subprocess.Popen(
            ["nginx", "-p", str(self.dir), "-e", str(self.dir / "error.log"), "-c", str(config)],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        # Every port must answer, or a bad certificate's test could pass on a refused connection.
        deadline = time.monotonic() + 15
        for port in [self.http_port, *self.ports.values()]:
            while True:
                if self._process.poll() is not None:
                    raise RuntimeError("nginx did not start:\n" + (self.dir / "error.log").read_text())
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    break
                except OSError:
                    if time.monotonic() > deadline:
                        raise RuntimeError(f"nginx does not listen on port {port}")
                    time.sleep(0.05)
        return self

    def stop(self):
        if self._process and self._process.poll() is None:
            self._process.terminate()
            self._process.wait(timeout=15)


@pytest.fixture(scope="session")
def web_dir(build):
    directory = Path(tempfile.mkdtemp(prefix="e2e-web-", dir=build.dir))
    yield directory
    shutil.rmtree(directory, ignore_errors=True)


@pytest.fixture(scope="session")
def test_pki(web_dir):
    return Pki(web_dir / "pki")


@pytest.fixture(scope="session")
def trusted_test_ca(wine, test_pki):
    """The test Wine prefix (and nothing else) trusts the test CA."""
    done = wine.run(["reg", "import", wine.winpath(test_pki.root_store_reg())])
    assert done.returncode == 0, done.stderr
    return test_pki


@pytest.fixture(scope="session")
def https_server(build, web_dir, trusted_test_ca, fault_server):
    """nginx serving `root` at https://localhost:47443 (and the bad certificates elsewhere);
    paths under /download/ without a file there answer as the fault server chooses."""
    (web_dir / "nginx").mkdir()
    server = Nginx(web_dir / "nginx", trusted_test_ca, build.download_port, fault_server.port)
    try:
        yield server.start()
    finally:
        server.stop()


@pytest.fixture(scope="session")
def fault_server():
    server = FaultServer().start()
    try:
        yield server
    finally:
        server.stop()
