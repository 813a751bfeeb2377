"""Measures what the updater promises, side by side in one run, and prints one
table (also written to build/bench/bench.md). Every timing is the median of
several runs on a warm Wine (one prefix, one persistent wineserver).

    scripts/bench [--runs N]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

import install_harness
import pg_harness
import web_harness
import wine_harness
from tolvar_config import write_config
from tolvar_constants import DOWNLOAD_PATH, LOADING, NO_UPDATE, PROGRAM, RELEASE_QUERY, WINDOW_CLASS

REPO = Path(__file__).resolve().parents[1]
OUT = REPO / "build" / "bench"
MIB = 1024 * 1024
GRADIENT_TOP = "DDECFE"


def median_of(runs, measure):
    return statistics.median(measure() for _ in range(runs))


class Bench:
    def __init__(self, runs):
        self.runs = runs
        self.rows = []
        self.work = Path(tempfile.mkdtemp(prefix="bench-", dir=OUT))
        self.build = wine_harness.Build(os.environ.get("TOLVAR_BUILD", REPO / "build" / "windows-test"))
        self.release_exe = Path(os.environ.get("TOLVAR_RELEASE_BUILD", REPO / "build" / "windows-release")) / "app" / PROGRAM
        self.wine = wine_harness.Wine(self.work / "wine")
        # Outside the checkout: the server's account must reach its directory.
        self.cluster_dir = Path(tempfile.mkdtemp(prefix="tolvar-bench-pg-"))
        self.cluster = pg_harness.Cluster(self.cluster_dir)
        self.nginx = None
        self.synchronizers = None

    def row(self, what, value, beside=""):
        self.rows.append((what, value, beside))
        print(f"  {what}: {value}  {beside}")

    def start(self):
        self.wine.start()
        self.cluster.start()
        self.catalogue = pg_harness.Catalogue(self.cluster)
        self.catalogue.create()
        self.pki = web_harness.Pki(self.work / "pki")
        self.wine.run(["reg", "import", self.wine.winpath(self.pki.root_store_reg())])
        (self.work / "nginx").mkdir()
        self.nginx = web_harness.Nginx(self.work / "nginx", self.pki, self.build.download_port).start()
        self.synchronizers = install_harness.Synchronizers(self.wine, self.build)

    def stop(self):
        if self.synchronizers:
            self.synchronizers.stop_all()
        if self.nginx:
            self.nginx.stop()
        self.cluster.stop()
        self.wine.stop()
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.cluster_dir, ignore_errors=True)

    def program_dir(self, versao):
        directory = Path(tempfile.mkdtemp(dir=self.work))
        shutil.copy2(self.build.exe, directory / PROGRAM)
        pg_harness.install_libpq(self.build, directory)
        write_config(directory, host="127.0.0.1", port=self.cluster.port, database=pg_harness.DATABASE,
                     user=pg_harness.USER, password=pg_harness.PASSWORD, versao=versao)
        return directory

    # -- what ships
    def size(self):
        exe = self.release_exe
        imports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(exe)], capture_output=True,
                                 text=True, check=True).stdout
        dlls = sorted({line.split(":", 1)[1].strip() for line in imports.splitlines()
                       if "DLL Name:" in line}, key=str.lower)
        self.row(f"{PROGRAM} (release build)", f"{exe.stat().st_size:,} bytes", "imports " + ", ".join(dlls))

    # -- the window
    def first_paint(self):
        program_dir = self.program_dir(versao=0)
        robot = self.build.fixture("dialog_robot")

        def once():
            waiter = self.wine.start_process([robot, "painted", WINDOW_CLASS, GRADIENT_TOP, 20000],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.3)  # the robot is up and polling before the program starts
            started = time.monotonic()
            run = wine_harness.UpdaterRun(self.wine, self.build, program_dir)
            assert waiter.wait(timeout=30) == 0, "the window was not painted"
            painted = time.monotonic() - started
            run.close_window()
            run.wait_exit()
            return painted

        self.row("process start to first painted window", f"{median_of(self.runs, once) * 1000:.0f} ms")

    # -- the release check
    def no_update(self):
        self.catalogue.set_rows([(11, 5), (3, 40)])
        program_dir = self.program_dir(versao=5)

        def updater():
            run = wine_harness.UpdaterRun(self.wine, self.build, program_dir)
            run.wait_text("status", LOADING)
            assert run.wait_exit() == 0
            ended = time.monotonic()
            assert run.texts("status")[-1] == NO_UPDATE
            return ended - run.text_times()[0][0]

        def psql():
            started = time.monotonic()
            subprocess.run(["psql", "-X", "-q", "-A", "-t", "-h", "127.0.0.1", "-p", str(self.cluster.port),
                            "-U", pg_harness.USER, "-d", pg_harness.DATABASE, "-c", RELEASE_QUERY],
                           env={"PGPASSWORD": pg_harness.PASSWORD, "PATH": "/usr/bin:/bin"},
                           capture_output=True, check=True)
            return time.monotonic() - started

        ours, theirs = median_of(self.runs, updater), median_of(self.runs, psql)
        self.row('"no update" run: first status text to process exit', f"{ours * 1000:.0f} ms",
                 f"psql, same query and server: {theirs * 1000:.0f} ms (ratio {ours / theirs:.1f})")

    # -- the installation
    def full_update(self):
        served = self.nginx.root / DOWNLOAD_PATH
        served.parent.mkdir(parents=True, exist_ok=True)
        served.write_bytes(install_harness.large_release(self.build, 10 * MIB))
        self.catalogue.set_rows([(11, 9)])

        def once():
            program_dir = self.program_dir(versao=1)
            self.synchronizers.place(program_dir, "old")
            run = wine_harness.UpdaterRun(self.wine, self.build, program_dir)
            run.wait_text("status", LOADING)
            deadline = time.monotonic() + 120
            while not install_harness.starts(program_dir):
                assert time.monotonic() < deadline, f"the new synchronizer did not start: {run.texts()}"
                time.sleep(0.002)
            started = time.monotonic()
            assert run.wait_exit() == 0
            self.synchronizers.stop_all()
            return started - run.text_times()[0][0]

        self.row("full update of a 10 MiB executable: first status text to the new one's start",
                 f"{median_of(self.runs, once) * 1000:.0f} ms")

    # -- the download routine
    def throughput(self):
        size = 64 * MIB
        (self.nginx.root / "64MiB.bin").write_bytes(bytes(size))
        url = self.nginx.url("/64MiB.bin")
        probe = self.build.fixture("download_probe")
        target = self.work / "downloaded.bin"

        def timed(args, env=None):
            def once():
                started = time.monotonic()
                subprocess.run(args, env=env, capture_output=True, check=True)
                assert target.stat().st_size == size
                return time.monotonic() - started
            return size / MIB / median_of(self.runs, once)

        ours = timed(self.wine.command([probe, url, self.wine.winpath(target)]), self.wine.env)
        loop = timed(self.wine.command([probe, "--wininet64k", url, self.wine.winpath(target)]), self.wine.env)
        curl = timed(["curl", "-sSf", "--cacert", str(self.pki.ca), "-o", str(target), url])
        self.row("DownloadFile, 64 MiB over HTTPS", f"{ours:.1f} MiB/s",
                 f"WinInet loop with 64 KiB reads: {loop:.1f} MiB/s (ratio {ours / loop:.2f}); "
                 f"curl: {curl:.1f} MiB/s (ratio {ours / curl:.2f})")

    def working_set(self):
        probe = self.build.fixture("download_probe")
        peaks = {}
        for mib in (1, 256):
            (self.nginx.root / f"{mib}MiB.bin").write_bytes(bytes(mib * MIB))
            done = self.wine.run([probe, self.nginx.url(f"/{mib}MiB.bin"),
                                  self.wine.winpath(self.work / "ws.bin")], timeout=600)
            fields = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line)
            assert fields.get("result") == "true", done.stdout
            peaks[mib] = int(fields["peak_working_set"])
            (self.nginx.root / f"{mib}MiB.bin").unlink()
        self.row("peak working set of a download: 1 MiB / 256 MiB",
                 f"{peaks[1] / MIB:.1f} MiB / {peaks[256] / MIB:.1f} MiB",
                 f"difference {(peaks[256] - peaks[1]) / 1024:.0f} KiB")

    def report(self):
        lines = ["| what | measured | beside it |", "|---|---|---|"]
        lines += [f"| {what} | {value} | {beside} |" for what, value, beside in self.rows]
        table = "\n".join(lines)
        catalogue = REPO / "build" / "bench" / "catalogue.md"
        text = f"# TolvarUpdate measurements (median of {self.runs} runs)\n\n{table}\n"
        if catalogue.exists():
            text += "\n## The release query as the catalogue grows\n\n" + catalogue.read_text()
        (OUT / "bench.md").write_text(text)
        print("\n" + text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    OUT.mkdir(parents=True, exist_ok=True)
    bench = Bench(args.runs)
    try:
        bench.start()
        bench.size()
        bench.first_paint()
        bench.no_update()
        bench.full_update()
        bench.throughput()
        bench.working_set()
    finally:
        bench.stop()
    subprocess.run([REPO / "scripts" / "bench-catalogue", "--output", OUT / "catalogue.md"], check=True)
    bench.report()


if __name__ == "__main__":
    main()
