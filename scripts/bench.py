"""Measures what the updater promises, side by side in one run, and prints one
table (also written to build/bench/bench.md). Every timing is the median of
several runs on a warm Wine (one prefix, one persistent wineserver).

Each timing stands beside its floor: the same work done by the barest program
under the same Wine in the same run (tests/bench), with the ratio; the goal is
at most 1.10. Another window stays open on the desktop throughout: under Wine a
lone window's process is slow to exit (about 4 s), which Windows is not.

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
COMPANION = "BenchCompanion"
GRADIENT_TOP = "DDECFE"
GOAL = 1.10


def medians(runs, *measures):
    """The median of each measure, taken in turns, so that a slow spell of the
    shared machine falls on all of them alike."""
    results = [[] for _ in measures]
    for _ in range(runs):
        for measure, result in zip(measures, results):
            result.append(measure())
    return [statistics.median(result) for result in results]


def beside_floor(ours, floor, unit="ms"):
    """"floor X, ratio R" for two times in seconds (or two rates, unit MiB/s)."""
    ratio = ours / floor if unit == "ms" else floor / ours
    shown = f"{floor * 1000:.0f} ms" if unit == "ms" else f"{floor:.1f} MiB/s"
    return f"floor {shown}, ratio {ratio:.2f}{'' if ratio <= GOAL else f' (goal {GOAL:.2f})'}"


def step_medians(runs):
    """Over several runs of [(text, seconds)], the median of each step."""
    return [(steps[0][0], statistics.median(seconds for _, seconds in steps)) for steps in zip(*runs)]


def steps_text(steps):
    return "; ".join(f"{text.split(': ', 1)[-1]} {seconds * 1000:.0f} ms" for text, seconds in steps)


def traced_steps(text_times, ended):
    """[(text, seconds until the next text or the exit)] of one traced run."""
    times = [when for when, _ in text_times] + [ended]
    return [(text, times[i + 1] - when) for i, (when, text) in enumerate(text_times)]


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
        self.companion = None
        self.floors = {}

    def row(self, what, value, beside=""):
        self.rows.append((what, value, beside))
        print(f"  {what}: {value}  {beside}")

    def start(self):
        self.wine.start(self.build.fixture("dialog_robot"))
        self.cluster.start()
        self.catalogue = pg_harness.Catalogue(self.cluster)
        self.catalogue.create()
        self.pki = web_harness.Pki(self.work / "pki")
        self.wine.run(["reg", "import", self.wine.winpath(self.pki.root_store_reg())])
        (self.work / "nginx").mkdir()
        self.nginx = web_harness.Nginx(self.work / "nginx", self.pki, self.build.download_port).start()
        self.synchronizers = install_harness.Synchronizers(self.wine, self.build)
        self.companion = self.wine.start_process([self.floor("floor_window"), COMPANION],
                                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        if self.companion:
            self.close(self.companion, COMPANION)
        if self.synchronizers:
            self.synchronizers.stop_all()
        if self.nginx:
            self.nginx.stop()
        self.cluster.stop()
        self.wine.stop()
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.cluster_dir, ignore_errors=True)

    def floor(self, name):
        return self.build.dir / "tests" / "bench" / f"{name}.exe"

    def close(self, process, window_class):
        wine_harness.run_robot(self.wine, self.build, "close", window_class, 15000)
        assert process.wait(timeout=30) == 0

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

        def start_to_paint(window_class, start, close):
            waiter = self.wine.start_process([robot, "painted", window_class, GRADIENT_TOP, 20000],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.3)  # the robot is up and polling before the program starts
            started = time.monotonic()
            program = start()
            assert waiter.wait(timeout=30) == 0, f"{window_class} was not painted"
            painted = time.monotonic() - started
            close(program)
            return painted

        def updater():
            return wine_harness.UpdaterRun(self.wine, self.build, program_dir)

        def closed_updater(run):
            run.close_window()
            run.wait_exit()

        def floor():
            return self.wine.start_process([self.floor("floor_window")],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        ours, bare = medians(self.runs, lambda: start_to_paint(WINDOW_CLASS, updater, closed_updater),
                             lambda: start_to_paint("FloorWindow", floor,
                                                    lambda process: self.close(process, "FloorWindow")))
        self.row("process start to first painted window", f"{ours * 1000:.0f} ms", beside_floor(ours, bare))

    # -- the release check
    def no_update(self):
        self.catalogue.set_rows([(11, 5), (3, 40)])
        program_dir = self.program_dir(versao=5)
        floor_dir = Path(tempfile.mkdtemp(dir=self.work))
        shutil.copy2(self.floor("floor_release"), floor_dir)
        pg_harness.install_libpq(self.build, floor_dir)
        runs = []

        def updater():
            run = wine_harness.UpdaterRun(self.wine, self.build, program_dir)
            run.wait_text("status", LOADING)
            assert run.wait_exit() == 0
            ended = time.monotonic()
            assert run.texts("status")[-1] == NO_UPDATE
            runs.append(traced_steps(run.text_times(), ended))
            return ended - run.text_times()[0][0]

        def floor():
            process = self.wine.start_process(
                [floor_dir / "floor_release.exe", "127.0.0.1", self.cluster.port, pg_harness.DATABASE,
                 pg_harness.USER, pg_harness.PASSWORD], cwd=floor_dir,
                env={"WINEDEBUG": "-all,warn+debugstr"}, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            traced = None
            for line in process.stderr:
                if traced is None and b"OutputDebugStringA" in line:
                    traced = time.monotonic()
            output = process.stdout.read()
            assert process.wait(timeout=30) == 0 and b"nrversao=5" in output, output
            return time.monotonic() - traced

        def psql():
            started = time.monotonic()
            subprocess.run(["psql", "-X", "-q", "-A", "-t", "-h", "127.0.0.1", "-p", str(self.cluster.port),
                            "-U", pg_harness.USER, "-d", pg_harness.DATABASE, "-c", RELEASE_QUERY],
                           env={"PGPASSWORD": pg_harness.PASSWORD, "PATH": "/usr/bin:/bin"},
                           capture_output=True, check=True)
            return time.monotonic() - started

        ours, bare, theirs = medians(self.runs, updater, floor, psql)
        self.floors["no update"] = bare
        self.row('"no update" run: first status text to process exit', f"{ours * 1000:.0f} ms",
                 f"{beside_floor(ours, bare)}; native psql {theirs * 1000:.0f} ms; "
                 f"steps: {steps_text(step_medians(runs))}")

    # -- the installation
    def full_update(self):
        served = self.nginx.root / DOWNLOAD_PATH
        served.parent.mkdir(parents=True, exist_ok=True)
        served.write_bytes(install_harness.large_release(self.build, 10 * MIB))
        self.catalogue.set_rows([(11, 9)])
        runs = []

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
            runs.append(traced_steps(run.text_times(), started))
            return started - run.text_times()[0][0]

        ours, download = medians(self.runs, once,
                                 lambda: self.probe("--wininet1k", "/" + install_harness.DOWNLOAD_PATH))
        self.row("full update of a 10 MiB executable: first status text to the new one's start",
                 f"{ours * 1000:.0f} ms",
                 f"{beside_floor(ours, self.floors['no update'] + download)} (no-update floor + "
                 f"1 KiB WinInet loop {download * 1000:.0f} ms); steps: {steps_text(step_medians(runs))}")

    def probe(self, mode, path):
        """download_probe's own time for `path` of the HTTPS server, in seconds."""
        done = self.wine.run([self.build.fixture("download_probe"), mode, self.nginx.url(path),
                              self.wine.winpath(self.work / "probe.bin")], timeout=600)
        fields = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line)
        assert fields.get("result") == "true", done.stdout
        return int(fields["elapsed_ms"]) / 1000

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
            return once

        def probe_mode(*mode):
            return timed(self.wine.command([probe, *mode, url, self.wine.winpath(target)]), self.wine.env)

        seconds = medians(self.runs, probe_mode(), probe_mode("--wininet1k"), probe_mode("--wininet64k"),
                          timed(["curl", "-sSf", "--cacert", str(self.pki.ca), "-o", str(target), url]))
        ours, floor, loop, curl = (size / MIB / s for s in seconds)
        self.row("DownloadFile, 64 MiB over HTTPS", f"{ours:.1f} MiB/s",
                 f"{beside_floor(ours, floor, 'MiB/s')} (WinInet loop, 1 KiB reads); "
                 f"WinInet loop with 64 KiB reads: {loop:.1f} MiB/s (ratio {loop / ours:.2f}); "
                 f"curl: {curl:.1f} MiB/s (ratio {curl / ours:.2f})")

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
