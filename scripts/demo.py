"""The updater's whole job on loopback, for a newcomer's first look.

Sets up a throw-away PostgreSQL whose catalogue holds a newer release, nginx
serving that release over HTTPS with a test CA trusted only in the demo's Wine
prefix, and a program directory with a Config.ini in the stored format and the
old synchronizer running. Runs TolvarUpdate.exe (on this display, or under
Xvfb when there is none), saves a screenshot of each stage and a contact sheet
in build/demo/, prints the status texts and the end state, runs once more to
show that no update is left, and cleans up.
"""

import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import install_harness
import pg_harness
import web_harness
import wine_harness
from tolvar_config import write_config
from tolvar_constants import DOWNLOAD_PATH, PROGRAM, SYNCHRONIZER

REPO = Path(__file__).resolve().parents[1]
OUT = REPO / "build" / "demo"


def watch(run, shots):
    """A screenshot of the window for each status text it shows, until the run ends.
    A shot counts only when the status did not change while it was taken."""
    rect = run.client_rect(timeout=30)
    seen = set()
    while run.process.poll() is None:
        before = (run.texts("status") or ["janela"])[-1]
        try:
            pixels = run.screenshot(rect)
        except subprocess.CalledProcessError:
            continue
        after = (run.texts("status") or ["janela"])[-1]
        painted = pixels.pixel(0, 0) == (0xDD, 0xEC, 0xFE)  # the gradient's top row, not a closed window
        if before == after and painted and after not in seen:
            seen.add(after)
            shots.append((after, pixels))
        time.sleep(0.01)
    print(f"  (exit code {run.wait_exit()})")


def contact_sheet(shots, path):
    files = []
    for number, (label, pixels) in enumerate(shots):
        file = OUT / f"stage-{number}.png"
        pixels.save_png(file)
        files += ["-label", label, str(file)]
    subprocess.run(["montage", *files, "-tile", "2x", "-geometry", "+6+6", "-pointsize", "12",
                    str(path)], check=True)


def end_state(program_dir, build, synchronizers):
    installed = install_harness.digest(program_dir / SYNCHRONIZER)
    label = {install_harness.digest(build.fixture(f"synchronizer_{name}")): name
             for name in ("old", "new")}.get(installed, "unknown")
    started = [start.label for start in install_harness.starts(program_dir)]
    print(f"  {SYNCHRONIZER} in place: the {label} release")
    print(f"  synchronizer starts recorded: {', '.join(started)}")
    print(f"  synchronizer windows open now: {synchronizers.count()}")
    print(f"  files: {', '.join(sorted(p.name for p in program_dir.iterdir()))}")


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
        wine.start()
        cluster.start()
        catalogue = pg_harness.Catalogue(cluster)
        catalogue.create()
        catalogue.set_rows([(11, 7), (11, 8), (3, 40)])

        pki = web_harness.Pki(OUT / "pki")
        wine.run(["reg", "import", wine.winpath(pki.root_store_reg())])
        (OUT / "nginx").mkdir()
        nginx = web_harness.Nginx(OUT / "nginx", pki, build.download_port)
        served = nginx.root / DOWNLOAD_PATH
        served.parent.mkdir(parents=True)
        shutil.copy2(build.fixture("synchronizer_new"), served)
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
              f"https://localhost:{build.download_port}/{DOWNLOAD_PATH}")

        print("\nfirst run:")
        shots = []
        run = wine_harness.UpdaterRun(wine, build, program_dir)
        watch(run, shots)
        for text in run.texts():
            print("  " + text)
        install_harness.wait_for(lambda: "new" in [s.label for s in install_harness.starts(program_dir)],
                                 what="the new synchronizer to start")
        end_state(program_dir, build, synchronizers)

        # The new synchronizer records its release in Config.ini, as the real one does.
        write_config(program_dir, versao=8, **settings)
        print("\nsecond run (Config.ini now says 8):")
        run = wine_harness.UpdaterRun(wine, build, program_dir)
        watch(run, shots)
        for text in run.texts():
            print("  " + text)

        sheet = OUT / "contact-sheet.png"
        contact_sheet(shots, sheet)
        print(f"\nscreenshots: {OUT}/stage-*.png; contact sheet: {sheet}")
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
