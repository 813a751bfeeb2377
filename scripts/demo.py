"""The updater's whole job on loopback, for a newcomer's first look.

Sets up a throw-away PostgreSQL whose catalogue holds a newer release, nginx
serving that release over HTTPS at an office link's rate with a test CA trusted
only in the demo's Wine prefix, and a program directory with a Config.ini in the
stored format and the old synchronizer running. Runs TolvarUpdate.exe (on this
display, or under Xvfb when there is none), saves a picture of each status text,
a labelled contact sheet and an animation of the run in build/demo/, prints the
status texts and the end state, runs once more to show that no update is left,
and cleans up. Exits non-zero when any of that did not happen.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

import install_harness
import pg_harness
import web_harness
import wine_harness
from tolvar_config import write_config
from tolvar_constants import DOWNLOAD_PATH, NO_UPDATE, PROGRAM, SYNCHRONIZER

REPO = Path(__file__).resolve().parents[1]
OUT = REPO / "build" / "demo"


STATUS_LINE = (5, 46, 300, 13)  # x, y, w, h in the window's client area
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
RELEASE_SIZE = 6 * 1024 * 1024  # a realistic synchronizer, sent at an office link's rate
RELEASE_RATE_MIB = 3


class Recorder:
    """Pictures of the window: one for each status text, taken while the text is
    on the screen, and frames between them for an animation.

    Most stages last a few milliseconds on loopback. So the run is stopped
    (SIGSTOP) the moment it traces a status text, which it does just before
    painting it, and let on in slices of half a millisecond until the status
    line shows the new text; the picture is taken while it stands still."""

    def __init__(self, run):
        self.run = run
        self.pid = run.process.pid  # wine execs the program: the same process
        self.rect = run.client_rect(timeout=30)
        self.pending = []
        self.arrived = threading.Event()
        run.on_text = self._traced

    def _traced(self, text):
        if text.startswith("status: ") and self.run.process.poll() is None:
            os.kill(self.pid, signal.SIGSTOP)
            self.pending.append(text[len("status: "):])
            self.arrived.set()

    def _status_line(self, pixels):
        x0, y0, w, h = STATUS_LINE
        return [pixels.pixel(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w)]

    def record(self, stages, frames):
        """Appends (status, pixels) to `stages` and (centiseconds shown, pixels) to
        `frames` until the run ends; returns its exit code."""
        try:
            shown = self._status_line(self._first_paint())
            last_frame = time.monotonic()
            while self.run.process.poll() is None or self.pending:
                if not self.pending and not self.arrived.wait(0.15):
                    frames.append((round(100 * (time.monotonic() - last_frame)), self._shot()))
                    last_frame = time.monotonic()
                    continue
                self.arrived.clear()
                status = self.pending.pop(0)
                while True:
                    pixels = self._shot()
                    if pixels and self._status_line(pixels) != shown:
                        shown = self._status_line(pixels)
                        stages.append((status, pixels))
                        frames.append((100, pixels))  # long enough to read the text
                        last_frame = time.monotonic()
                        break
                    # The text is painted before the next one is traced: once that
                    # came, or the run ended, this text will not be painted any more.
                    if not pixels or self.pending or self.run.process.poll() is not None:
                        break
                    self._step()
                self._resume()
        finally:
            self._resume()  # never leave it stopped
        return self.run.wait_exit()

    def _first_paint(self):
        """The window once painted: its gradient's top colour is on the screen."""
        while True:
            pixels = self._shot()
            if pixels and pixels.pixel(0, 0) == (0xDD, 0xEC, 0xFE):
                return pixels
            if self.run.process.poll() is not None:
                raise RuntimeError("the window closed before it was painted")

    def _shot(self):
        try:
            return self.run.screenshot(self.rect)
        except subprocess.CalledProcessError:
            return None  # the window went away meanwhile

    def _step(self):
        self._resume()
        time.sleep(0.0005)
        if self.run.process.poll() is None:
            os.kill(self.pid, signal.SIGSTOP)

    def _resume(self):
        if self.run.process.poll() is None:
            os.kill(self.pid, signal.SIGCONT)


def save_pictures(stages, frames):
    """Each stage's picture, the labelled contact sheet and the animated GIF."""
    tiles = []
    for number, (label, pixels) in enumerate(stages, 1):
        file = OUT / f"stage-{number}.png"
        pixels.save_png(file)
        tiles += ["-label", label, str(file)]
    sheet = OUT / "contact-sheet.png"
    subprocess.run(["/usr/bin/montage", *tiles, "-font", FONT, "-pointsize", "13", "-tile", "2x",
                    "-geometry", "+8+8", str(sheet)], check=True)
    frame_dir = OUT / "frames"
    frame_dir.mkdir()
    sequence = []
    for number, (delay, pixels) in enumerate(frame for frame in frames if frame[1]):
        file = frame_dir / f"{number:04}.png"
        pixels.save_png(file)
        sequence += ["-delay", str(delay), str(file)]
    gif = OUT / "update-run.gif"
    subprocess.run(["/usr/bin/convert", "-loop", "0", *sequence, "-layers", "Optimize", str(gif)], check=True)
    return sheet, gif


def end_state(program_dir, build, served, synchronizers):
    """Prints what the run left; returns the name of the release in place."""
    installed = install_harness.digest(program_dir / SYNCHRONIZER)
    label = {install_harness.digest(build.fixture("synchronizer_old")): "old",
             install_harness.digest(served): "new"}.get(installed, "unknown")
    started = [start.label for start in install_harness.starts(program_dir)]
    print(f"  {SYNCHRONIZER} in place: the {label} release")
    print(f"  synchronizer starts recorded: {', '.join(started)}")
    print(f"  synchronizer windows open now: {synchronizers.count()}")
    print(f"  files: {', '.join(sorted(p.name for p in program_dir.iterdir()))}")
    return label


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    OUT.mkdir(parents=True)
    build = wine_harness.Build(REPO / "build" / "windows-test")
    wine = wine_harness.Wine(OUT / "wine", display=os.environ.get("DISPLAY") or None)
    # Outside the checkout: the server's account must reach its directory.
    cluster_dir = Path(tempfile.mkdtemp(prefix="tolvar-demo-pg-"))
    cluster = pg_harness.Cluster(cluster_dir)
    nginx = None
    synchronizers = None
    try:
        print("starting Wine, PostgreSQL and nginx on loopback...")
        wine.start(build.fixture("dialog_robot"))
        cluster.start()
        catalogue = pg_harness.Catalogue(cluster)
        catalogue.create()
        catalogue.set_rows([(11, 7), (11, 8), (3, 40)])

        pki = web_harness.Pki(OUT / "pki")
        wine.run(["reg", "import", wine.winpath(pki.root_store_reg())])
        (OUT / "nginx").mkdir()
        nginx = web_harness.Nginx(OUT / "nginx", pki, build.download_port, rate=f"{RELEASE_RATE_MIB}m")
        served = nginx.root / DOWNLOAD_PATH
        served.parent.mkdir(parents=True)
        served.write_bytes(install_harness.large_release(build, RELEASE_SIZE))
        nginx.start()

        program_dir = OUT / "program"
        program_dir.mkdir()
        shutil.copy2(build.exe, program_dir / PROGRAM)
        pg_harness.install_libpq(build, program_dir)
        settings = dict(host="127.0.0.1", port=cluster.port, database=pg_harness.DATABASE,
                        user=pg_harness.USER, password=pg_harness.PASSWORD)
        write_config(program_dir, versao=7, **settings)
        synchronizers = install_harness.Synchronizers(wine, build)
        synchronizers.start(synchronizers.place(program_dir, "old"))
        print(f"installed release 7 (old synchronizer running); the catalogue offers 8 at "
              f"https://localhost:{build.download_port}/{DOWNLOAD_PATH}, "
              f"{RELEASE_SIZE // 2**20} MiB sent at {RELEASE_RATE_MIB} MiB/s")

        print("\nfirst run:")
        stages, frames = [], []
        run = wine_harness.UpdaterRun(wine, build, program_dir)
        print(f"  (exit code {Recorder(run).record(stages, frames)})")
        for text in run.texts():
            print("  " + text)
        first_texts = run.texts("status")
        install_harness.wait_for(lambda: "new" in [s.label for s in install_harness.starts(program_dir)],
                                 what="the new synchronizer to start")
        installed = end_state(program_dir, build, served, synchronizers)

        # The new synchronizer records its release in Config.ini, as the real one does.
        write_config(program_dir, versao=8, **settings)
        print("\nsecond run (Config.ini now says 8):")
        second = []
        run = wine_harness.UpdaterRun(wine, build, program_dir)
        print(f"  (exit code {Recorder(run).record(second, [])})")
        for text in run.texts():
            print("  " + text)
        second_texts = run.texts("status")

        sheet, gif = save_pictures(stages + second[-1:], frames)
        print(f"\npictures: {OUT}/stage-*.png, one for each status text; contact sheet: {sheet}; "
              f"animation of the first run: {gif}")
        missing = [text for text in first_texts if text not in [label for label, _ in stages]]
        if installed != "new" or missing or [label for label, _ in second[-1:]] != [NO_UPDATE]:
            raise SystemExit(f"the demo did not show the whole job: release in place {installed}, "
                             f"status texts without a picture {missing}, second run {second_texts}")
    finally:
        if synchronizers:
            synchronizers.stop_all()
        if nginx:
            nginx.stop()
        cluster.stop()
        shutil.rmtree(cluster_dir, ignore_errors=True)
        wine.stop()


if __name__ == "__main__":
    main()
