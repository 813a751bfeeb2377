"""Shows the update window under Wine (on this display, or under Xvfb when there
is none) and saves a screenshot of it in build/demo/."""

import shutil
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import wine_harness  # noqa: E402


def main():
    out = REPO / "build" / "demo"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    build = wine_harness.Build(REPO / "build" / "windows-test")
    wine = wine_harness.Wine(out / "wine")
    wine.start()
    try:
        program_dir = out / "program"
        program_dir.mkdir()
        shutil.copy2(build.exe, program_dir / "TolvarUpdate.exe")
        run = wine_harness.UpdaterRun(wine, build, program_dir)
        rect = run.client_rect()
        time.sleep(0.5)
        run.screenshot(rect).save_png(out / "window.png")
        print(f"window at {rect}; screenshot: {out / 'window.png'}")
        for text in run.texts():
            print("  trace:", text)
        run.kill()
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
