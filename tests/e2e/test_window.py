"""The update window under Wine: its pixels, the start of the run, the boxes and
the rules for closing it.

Most checks use the test build TolvarUpdateFailing (copied in as TolvarUpdate.exe):
its run shows "Executando teste...", blocks for a second, shows a second status
text and the message box, and then fails in a way that no phase foresees. After
the error box the window stays open and idle, which the pixel checks need.
"""

import shutil
import struct
import subprocess
import time
from fractions import Fraction
from pathlib import Path

import pytest

from tolvar_constants import PROGRAM, TITLE, WINDOW_CLASS
from wine_harness import UpdaterRun

REPO = Path(__file__).resolve().parents[2]
FIRST_STATUS = "Executando teste..."
LAST_STATUS = "Executando falha de teste..."
MESSAGE = ("Não foi possível concluir o teste: esta mensagem é longa o bastante para ser "
           "quebrada em mais de uma linha, sempre entre palavras, dentro da caixa de mensagem!!!")
FAILURE = "Falha de teste sem tratamento."

WIDTH, HEIGHT = 425, 112
GRADIENT_START, GRADIENT_STOP, GRADIENT_ROWS = (0xDD, 0xEC, 0xFE), (0xAA, 0xC5, 0xEC), 113
STATUS_BAR_TOP, STATUS_BAR_FILL = 94, (0xAA, 0xC5, 0xEC)
BLUE = (0x00, 0x63, 0xC6)
DISPLAY = (5, 63, 414, 22)                  # x, y, w, h
DOT_AREA = (5 + 3, 63 + 3, 414 - 6, 22 - 6)  # inside the 1-pixel frame and the 2-pixel flat frame
PICTURE = (382, 3)
SCREEN = (1024, 768)


def gradient_row(y):
    """Each channel linear from the top row to the bottom row, rounded halves up."""
    steps = GRADIENT_ROWS - 1
    return tuple(int(s + Fraction((e - s) * y, steps) + Fraction(1, 2))
                 for s, e in zip(GRADIENT_START, GRADIENT_STOP))


def background(y):
    """What lies behind the transparent parts at row y."""
    return gradient_row(y) if y < STATUS_BAR_TOP else STATUS_BAR_FILL


def inside(rect, x, y):
    rx, ry, rw, rh = rect
    return rx <= x < rx + rw and ry <= y < ry + rh


def pixels_of(shot, rect):
    x0, y0, w, h = rect
    return {(x, y): shot.pixel(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w)}


# --- fixtures ---------------------------------------------------------------------
@pytest.fixture(scope="session")
def colors(wine):
    """The system colours of the test prefix, as GetSysColor reports them."""
    out = wine.run(["reg", "query", r"HKCU\Control Panel\Colors"]).stdout
    table = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 5 and parts[1] == "REG_SZ":
            table[parts[0]] = tuple(int(v) for v in parts[2:])
    return table


def failing_program(build, directory, exe_name=PROGRAM):
    directory.mkdir(parents=True, exist_ok=True)
    shutil.copy2(build.dir / "app" / "TolvarUpdateFailing.exe", directory / exe_name)
    return directory


@pytest.fixture
def failing_dir(build, tmp_path):
    return failing_program(build, tmp_path / "program")


@pytest.fixture(scope="class")
def idle(wine, build, tmp_path_factory):
    """A window left idle after the failing run, and one screenshot of it. Only
    the tests of one class share it: the robot finds windows by class name, so
    no other window of the program may be open beside a test's own."""
    run = UpdaterRun(wine, build, failing_program(build, tmp_path_factory.mktemp("idle")))
    try:
        run.wait_text("message", MESSAGE)
        run.press_box()
        run.wait_text("error", FAILURE)
        run.press_box()
        time.sleep(0.3)  # let the parts under the boxes repaint
        run.shot = run.screenshot()
        yield run
    finally:
        run.kill()


@pytest.fixture(scope="class")
def shot(idle):
    return idle.shot


def blend_of(pixel, back, fore):
    """Whether `pixel` lies on the straight line from `back` to `fore` (within rounding)."""
    span = [f - b for b, f in zip(back, fore)]
    weight = sum((p - b) * d for p, b, d in zip(pixel, back, span)) / sum(d * d for d in span)
    return -0.02 <= weight <= 1.02 and all(abs(b + weight * d - p) <= 3 for p, b, d in zip(pixel, back, span))


def read_icon(path, size, bits):
    """The image of `size` and colour depth `bits` in an .ico: rows of (r, g, b) or None."""
    data = Path(path).read_bytes()
    count = struct.unpack_from("<H", data, 4)[0]
    for i in range(count):
        width, _, _, _, _, depth, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if (width or 256) == size and depth == bits:
            break
    else:
        raise AssertionError(f"no {size} px, {bits}-bit image in {path}")
    header = struct.unpack_from("<IiiHHIIiiII", data, offset)
    colours = header[9] or 1 << bits
    palette = [struct.unpack_from("<BBB", data, offset + 40 + 4 * k)[::-1] for k in range(colours)]
    pixels = offset + 40 + 4 * colours
    stride = (size * bits + 31) // 32 * 4
    mask = pixels + stride * size
    mask_stride = (size + 31) // 32 * 4
    rows = []
    for y in range(size):
        line = size - 1 - y  # bottom-up
        row = []
        for x in range(size):
            if data[mask + line * mask_stride + x // 8] >> (7 - x % 8) & 1:
                row.append(None)
                continue
            if bits == 8:
                index = data[pixels + line * stride + x]
            else:
                byte = data[pixels + line * stride + x // 2]
                index = byte >> 4 if x % 2 == 0 else byte & 15
            row.append(palette[index])
        rows.append(row)
    return rows


# --- the client area ----------------------------------------------------------------
class TestIdleWindow:
    def test_client_area_has_the_windows_size(self, idle):
        assert idle.client_rect()[2:] == (WIDTH, HEIGHT)

    def test_gradient_rows_run_from_start_to_stop_colour(self, shot):
        assert gradient_row(0) == GRADIENT_START and gradient_row(GRADIENT_ROWS - 1) == GRADIENT_STOP
        # Columns beside every part, and whole rows between the parts.
        columns = [(x, y) for y in range(STATUS_BAR_TOP) for x in (0, 1, 2, 3, 419, 420, 421, 422, 423, 424)]
        rows = [(x, y) for y in (0, 1, 2, 40, 41, 42, 43, 44, 86, 87, 88, 89, 90, 91, 92, 93) for x in range(WIDTH)]
        wrong = [(x, y, shot.pixel(x, y), gradient_row(y)) for x, y in columns + rows
                 if shot.pixel(x, y) != gradient_row(y)]
        assert wrong == []

    def test_status_bar_has_its_groove_and_plain_fill(self, shot, colors):
        for x in range(WIDTH):
            assert shot.pixel(x, 94) == colors["ButtonShadow"], x
            assert shot.pixel(x, 95) == colors["ButtonHilight"], x
        fill = [(x, y) for y in range(96, HEIGHT) for x in range(289)]  # left of the maker line
        assert {shot.pixel(x, y) for x, y in fill} == {STATUS_BAR_FILL}

    def test_bar_under_the_title_is_two_rows_in_the_menu_highlight(self, shot, colors):
        for y in (37, 38):
            assert {shot.pixel(x, y) for x in range(4, 418)} == {colors["MenuHilight"]}
            assert shot.pixel(3, y) == gradient_row(y) and shot.pixel(418, y) == gradient_row(y)
        assert shot.pixel(100, 36) == gradient_row(36) and shot.pixel(100, 39) == gradient_row(39)

    def test_display_has_its_frames_and_only_its_two_colours(self, shot, colors):
        x0, y0, w, h = DISPLAY
        window = colors["Window"]
        for x, y in pixels_of(shot, DISPLAY):
            ring = min(x - x0, x0 + w - 1 - x, y - y0, y0 + h - 1 - y)
            if ring == 0:
                assert shot.pixel(x, y) == BLUE, (x, y)
            elif ring <= 2:
                assert shot.pixel(x, y) == window, (x, y)
        dots = pixels_of(shot, DOT_AREA).values()
        assert set(dots) == {window, BLUE}

    # The prefix draws Verdana as DejaVu Sans: each line's ink has that font's
    # extent at its size and weight, and about its number of solid pixels.
    @pytest.mark.parametrize("name, rect, color, ink_box, solid", [
        ("title line", (5, 10, 160, 17), (0, 0, 0), (5, 12, 154, 24), 302),
        ("status line", (5, 46, 300, 13), BLUE, (5, 46, 141, 53), 190),
        ("maker line", (285, 96, 140, 16), BLUE, (290, 98, 392, 105), 42),
    ])
    def test_texts_are_drawn_in_their_colour_on_the_background(self, shot, name, rect, color, ink_box, solid):
        found = pixels_of(shot, rect)
        # Smoothed edges blend the text colour into the background, nothing else.
        strays = {(x, y): c for (x, y), c in found.items() if not blend_of(c, background(y), color)}
        assert strays == {}, name
        ink = [(x, y) for (x, y), c in found.items() if c != background(y)]
        xs, ys = [x for x, _ in ink], [y for _, y in ink]
        assert (min(xs), min(ys), max(xs), max(ys)) == ink_box, name
        assert abs(sum(c == color for c in found.values()) - solid) <= solid // 20, name

    def test_window_picture_is_the_32_pixel_globe_over_the_gradient(self, shot):
        px, py = PICTURE

        def mismatches(image):
            return [(x, y) for y in range(32) for x in range(32)
                    if shot.pixel(px + x, py + y) != (image[y][x] or gradient_row(py + y))]

        icon = REPO / "assets" / "WindowPicture.ico"
        candidates = {bits: mismatches(read_icon(icon, 32, bits)) for bits in (8, 4)}
        assert [] in candidates.values(), {bits: len(m) for bits, m in candidates.items()}
        # Transparent pixels are there, and show the gradient.
        assert any(p is None for row in read_icon(icon, 32, 8) for p in row)

    def test_display_moves_inside_its_strip_and_nowhere_else(self, idle):
        first = idle.screenshot()
        time.sleep(0.3)
        second = idle.screenshot()
        changed = [(x, y) for y in range(HEIGHT) for x in range(WIDTH) if first.pixel(x, y) != second.pixel(x, y)]
        assert changed, "the display stood still"
        assert [p for p in changed if not inside(DOT_AREA, *p)] == []


# --- the start of the run, the boxes and closing -------------------------------------
def window_visible_after(run):
    run.client_rect()
    return time.monotonic() - run.started


def test_run_starts_about_one_second_after_the_window_appears(updater, failing_dir):
    run = updater(failing_dir)
    shown = window_visible_after(run)
    started = run.wait_text("status", FIRST_STATUS)
    print(f"window visible {shown:.3f} s after the process start; first status {started:.3f} s")
    assert 0.6 <= started - shown <= 1.6


def test_first_paint_comes_soon_after_the_process_starts(updater, failing_dir):
    run = updater(failing_dir)
    rect = run.client_rect()
    while run.screenshot(rect).pixel(1, 1) != GRADIENT_START:
        assert time.monotonic() - run.started < 10, "never painted"
    painted = time.monotonic() - run.started
    print(f"first painted window {painted:.3f} s after the process start")
    assert run.texts("status") == [], "painted only after the run began"


def test_closing_within_the_first_second_ends_without_a_run(updater, program_dir, wine, build):
    # The robot waits for the window before the program starts, so its close
    # request comes within a few milliseconds of the window appearing.
    robot = wine.start_process([build.fixture("dialog_robot"), "close", WINDOW_CLASS, 15000],
                               stdout=subprocess.DEVNULL)
    run = updater(program_dir)
    assert robot.wait(timeout=30) == 0
    assert run.wait_exit(timeout=15) == 0
    assert run.texts() == []


def test_unforeseen_failure_shows_the_error_box_and_leaves_the_window_idle(updater, failing_dir):
    run = updater(failing_dir)
    run.wait_text("message", MESSAGE)
    run.press_box()
    run.wait_text("error", FAILURE)
    box = run.box()
    assert (box.caption, box.text, box.icon) == (TITLE, FAILURE, "stop")
    run.press_box()
    time.sleep(2.5)  # far beyond the start timer's period: no second run
    assert run.process.poll() is None
    assert run.texts() == [f"status: {FIRST_STATUS}", f"status: {LAST_STATUS}",
                           f"message: {MESSAGE}", f"error: {FAILURE}"]
    run.close_window()
    assert run.wait_exit(timeout=15) == 0


def test_message_box_shows_the_text_wrapped_under_the_title_with_one_button(updater, failing_dir):
    run = updater(failing_dir)
    run.wait_text("message", MESSAGE)
    box = run.box()
    assert (box.caption, box.text, box.icon) == (TITLE, MESSAGE, "none")
    done = run.robot("rect", "#32770", 15000)
    x, y, w, h = (int(v) for v in done.stdout.split())
    assert w <= SCREEN[0] // 2 + 40, "the text is wrapped at half the screen width"
    assert h >= 60, "the long text takes more than one line"
    # Centred on the screen (the caption shifts the client area down a little).
    assert abs(x + w / 2 - SCREEN[0] / 2) <= 2 and abs(y + h / 2 - SCREEN[1] / 2) <= 20
    run.press_box()
    run.wait_text("error", FAILURE)


@pytest.mark.parametrize("key", ["Return", "Escape"])
def test_message_box_closes_with_enter_and_escape(updater, failing_dir, wine, key):
    run = updater(failing_dir)
    run.wait_text("message", MESSAGE)
    run.box()
    subprocess.run(["xdotool", "key", key], env=wine.env, check=True)
    run.wait_text("error", FAILURE, timeout=10)


def test_close_during_the_run_takes_effect_at_the_next_status_text(updater, failing_dir):
    run = updater(failing_dir)
    run.wait_text("status", FIRST_STATUS)
    run.close_window()  # waits in the queue while the run blocks
    run.wait_text("error", FAILURE)
    # The message box closed by itself; the error box waits for its OK.
    assert run.texts() == [f"status: {FIRST_STATUS}", f"status: {LAST_STATUS}",
                           f"message: {MESSAGE}", f"error: {FAILURE}"]
    box = run.box()
    assert (box.text, box.icon) == (FAILURE, "stop")
    time.sleep(1)
    assert run.process.poll() is None
    run.press_box()
    assert run.wait_exit(timeout=15) == 0


def test_title_is_the_file_name_before_its_first_full_stop(updater, build, tmp_path):
    run = updater(failing_program(build, tmp_path / "program", "TOLVAR.Update.Teste.exe"),
                  "TOLVAR.Update.Teste.exe")
    run.wait_text("message", MESSAGE)
    assert run.box().caption == "Tolvar"
