#!/usr/bin/env python3
"""End-to-end scenarios: the real program and the simulated unit on a private X server and port map,
driven as a user drives them. Usage: scenarios.py BIN_DIR SCENARIO (see SCENARIOS at the end).

Set VOSTREL_E2E_SHOTS to a folder to keep screenshots of the window at the scenario's key moments.
"""
import os
import re
import shutil
import threading
import time

from harness import Failure, run, read_fuses, wait_for, write_jedec

HERE = os.path.dirname(os.path.abspath(__file__))
DESIGN = os.path.join(HERE, "..", "fixtures", "e2e", "gal22v10_design.jed")
FUSES = 5892  # GAL22V10


def expect(condition, message, log=""):
    if not condition:
        raise Failure(message + ("\n--- log ---\n" + log if log else ""))


def expect_lines(log, *wanted):
    """The lines appear in the log in this order (others may come between)."""
    lines = log.splitlines()
    at = 0
    for line in wanted:
        try:
            at = lines.index(line, at) + 1
        except ValueError:
            raise Failure("%r missing from the log (in order: %r)\n--- log ---\n%s" % (line, wanted, log))


def writes_in(transcript):
    return [p for p in transcript.splitlines() if p.split()[:1] == ["7"]]


def open_design(desk, path):
    log = desk.command(lambda: (desk.button("Open"), desk.type_path("Open", path)))
    expect_lines(log, "Parsing file: " + os.path.basename(path), "5892 fuses match GAL22V10", ">>> done <<<")


def chip_fuses(desk):
    dump = os.path.join(desk.work, "chip-%d.jed" % time.monotonic_ns())
    desk.send("dump " + dump)
    return read_fuses(dump)[:FUSES]


def program_cycle(desk):
    """Open, Program, Verify, Save As; then Read a different chip and Save it."""
    design = os.path.join(desk.work, "design.jed")
    shutil.copy(DESIGN, design)
    wanted = read_fuses(design)
    desk.start_unit("--chip", "GAL22V10")
    desk.start_program()
    desk.wait_main_window()

    open_design(desk, design)
    desk.screenshot(desk.main, "opened")

    log = desk.command(lambda: desk.button("Program"))
    expect_lines(log, "Device: GAL22V10 [LATTICE]", "->erase", "->programm", "->verify", "*** SUCCESS ***",
                 ">>> done <<<")
    desk.screenshot(desk.main, "programmed")
    expect(chip_fuses(desk) == wanted, "the chip does not hold the design after Program")
    expect(desk.send("findings").strip() == "no findings", "the unit's checker objected:\n" + desk.send("findings"))

    log = desk.command(lambda: desk.button("Verify"))
    expect_lines(log, "->verify", "*** SUCCESS ***", ">>> done <<<")
    expect("->programm" not in log.splitlines(), "Verify programmed the chip", log)

    saved = os.path.join(desk.work, "saved copy.jed")
    log = desk.command(lambda: (desk.menu("File", 1), desk.type_path("Save as", saved)))
    expect(os.path.exists(saved), "Save As wrote no file", log)
    expect(read_fuses(saved) == wanted, "the saved file's fuses differ from the opened file's")
    expect(read_fuses(design) == wanted, "the opened file changed")

    # A chip that holds something else: Read must bring exactly that into the window and Save must
    # write it.
    other = [1 - f for f in wanted]
    write_jedec(os.path.join(desk.work, "other.jed"), other)
    desk.send("load other.jed")
    log = desk.command(lambda: desk.button("Read"))
    expect_lines(log, "Device: GAL22V10 [LATTICE]", "->read", ">>> done <<<")
    desk.screenshot(desk.main, "read")
    read_back = os.path.join(desk.work, "read.jed")
    log = desk.command(lambda: (desk.button("Save"), desk.type_path("Save as", read_back)))
    expect(os.path.exists(read_back), "Save wrote no file after Read", log)
    expect(read_fuses(read_back) == other, "the file saved after Read differs from the chip")
    expect(desk.send("findings").strip() == "no findings", "the unit's checker objected:\n" + desk.send("findings"))


def start_with_design(desk, *unit_args):
    design = os.path.join(desk.work, "design.jed")
    shutil.copy(DESIGN, design)
    desk.start_unit("--chip", "GAL22V10", *unit_args)
    desk.start_program()
    desk.wait_main_window()
    open_design(desk, design)
    return read_fuses(design)


def program_until_unplugged(desk):
    """Clicks Program with the unit set to leave the line at the 30th packet (in the row writes) and
    watches the window until the time-out, keeping pictures of the log while it runs."""
    desk.send("reset-log")
    desk.send("fault unplug 30 1")
    before = desk.read_log()
    desk.button("Program")
    wait_for("the unit to be unplugged", lambda: "unplugged by fault" in desk.unit_log(), 30)
    return before


def watch_reset(desk, seconds):
    """Copies the log and takes pictures of it until the reset is over.

    After the time-out the rest of the command, "-- aborted --" and "Resetting..." follow within
    milliseconds, and then the program deliberately services nothing for 600 ms. A copy is made only
    while the window is serviced, so a steady stream of select-all + copy keys keeps one waiting for
    the last moments before the pause; the pause itself only a picture can catch, and pictures are
    taken beside the copies, as a copy waits for the program to answer."""
    x, y = desk.log_point()
    desk.click(x, y)
    # A copy and a picture of the log while the program waits in vain for the unit.
    log = desk.read_log()
    stable = (log, desk.screenshot(desk.main, "waiting"))
    expect(desk.read_log() == log, "the log changed while the picture was taken", log)
    pictures = []
    done = threading.Event()
    def take():
        while not done.is_set():
            pictures.append(desk.screenshot(desk.main))
    camera = threading.Thread(target=take)
    keys = desk.spawn_keys("ctrl+a", "ctrl+c")
    camera.start()
    deadline = time.monotonic() + seconds
    try:
        while time.monotonic() < deadline:
            log = desk.read_log()
            if desk.program.poll() is not None or desk.box() or log == "Vostrel_V1.0 found @ COM0":
                break
    finally:
        keys.kill()
        keys.wait()
        done.set()
        camera.join()
    return pictures, stable


# What an interrupted Program writes after the lines it had written when the unit left: the time-out,
# the verify that no longer waits for replies and so finds a difference, the closing line and the
# reset's first line.
ABORT_TAIL = ["Connection Timeout", "->verify", "ERROR!", re.compile(r"VERIFY failed @ fuse #\d+$"),
              "-- aborted --", "Resetting..."]


def expect_abort_shown(desk, pictures, stable):
    """The log showed the abort and the reset's first line before the reset emptied it.

    The tail is written within milliseconds, and then the program deliberately services nothing for
    600 ms, so copies catch only parts of it: each copy must agree with the expected tail, and a
    picture from the pause must show the whole of it (lines under the last line of the stable copy
    are counted by the fuse pane's line pitch)."""
    stable_log, stable_picture = stable
    head = stable_log.splitlines()
    expected = head + ABORT_TAIL
    def agrees(line, want):
        return want.match(line) if isinstance(want, re.Pattern) else line == want
    for log in desk.history:
        lines = log.splitlines()
        if lines[:len(head)] != head:
            continue  # before the Program or after the reset
        expect(len(lines) <= len(expected) and all(agrees(l, w) for l, w in zip(lines, expected)),
               "the log after the unit left is not the expected abort", log)
    if any(len(log.splitlines()) == len(expected) for log in desk.history):
        return  # a copy caught all of it
    pitch = desk.line_pitch(stable_picture)
    base = desk.log_text_bottom(stable_picture)
    expect(pitch > 0 and base is not None, "no text lines found in the window's picture")
    below = [round((desk.log_text_bottom(p) - base) / pitch) for p in pictures if desk.log_text_bottom(p)]
    expect(len(ABORT_TAIL) in below, "no picture showed the whole abort: %d lines under %r wanted, the "
           "pictures show %s" % (len(ABORT_TAIL), head[-1], below), desk.last_log)


def unplug_and_replug(desk):
    """The unit leaves the line in the middle of Program and is plugged in again at once: the command
    times out, the program searches the ports anew and finds the unit; later commands work."""
    wanted = start_with_design(desk)
    program_until_unplugged(desk)
    desk.send("replug")
    pictures, stable = watch_reset(desk, 15)
    wait_for("the unit found again", lambda: desk.read_log() == "Vostrel_V1.0 found @ COM0", 30)
    desk.screenshot(desk.main, "found-again")
    expect_abort_shown(desk, pictures, stable)

    log = desk.command(lambda: desk.button("Verify"))
    expect(any(l.startswith("VERIFY failed @ fuse #") for l in log.splitlines()),
           "Verify of a half-programmed chip did not fail", log)
    log = desk.command(lambda: desk.button("Program"))
    expect_lines(log, "->programm", "*** SUCCESS ***", ">>> done <<<")
    expect(chip_fuses(desk) == wanted, "the chip does not hold the design after the second Program")


def unplug_for_good(desk):
    """The unit leaves in the middle of Program and stays away: the reset finds nothing, the box
    "Hardware not present!" shows, and after OK the program ends with exit code 0."""
    start_with_design(desk)
    program_until_unplugged(desk)
    pictures, stable = watch_reset(desk, 20)
    box = wait_for("the box", lambda: desk.box(), 30)
    # The box is modal, so the log cannot be copied now; its picture shows it empty.
    expect(desk.log_text_bottom(desk.screenshot(desk.main, "under-box")) is None,
           "the reset did not empty the log")
    after_reset = desk.screenshot(box, "box")
    expect_abort_shown(desk, pictures, stable)
    desk.x("windowfocus", "--sync", box, check=False)
    desk.x("key", "Return")
    code = desk.wait_exit()
    expect(code == 0, "exit code %d after the box" % code)

    # The box's text cannot be copied, so compare it with the box of a start without any unit, whose
    # text reads "Hardware not present!" (the start-up test and a look at the picture tell).
    desk.main = None
    desk.start_program()
    # The start-up box shares the title with the main window, which is 650 pixels wide.
    first = wait_for("the box at start-up",
                     lambda: next((w for w in desk.windows("Vostrel") if desk.geometry(w)[2] != 650), None), 30)
    at_start = desk.screenshot(first, "box-at-start")
    expect((at_start.width, at_start.height, at_start.pixels) == (after_reset.width, after_reset.height,
                                                                 after_reset.pixels),
           "the box after the reset differs from the box \"Hardware not present!\" at start-up")
    desk.x("windowfocus", "--sync", first, check=False)
    desk.x("key", "Return")
    expect(desk.wait_exit() == 0, "exit code not 0 after the start-up box")


def click_during_read(desk):
    """Program clicked while a Read runs is dropped: the Read ends normally and nothing is written."""
    start_with_design(desk, "--timing")
    desk.send("reset-log")
    # One click right behind the other, as an impatient user does: the Read (over a second on this
    # unit) is certainly still running when the second arrives, however busy the machine.
    read, program = desk.controls["Read"], desk.controls["Program"]
    desk.x("mousemove", "--window", desk.main, *read, "click", 1,
           "mousemove", "--window", desk.main, *program, "click", 1)
    desk.wait_log("->read", 30)
    desk.button("Program")  # and once more while the rows come in
    log = desk.wait_log(">>> done <<<", 60)
    expect_lines(log, "->read", ">>> done <<<")
    # Give a queued command every chance to show up before looking at what reached the unit.
    time.sleep(1.5)
    log = desk.read_log()
    desk.screenshot(desk.main, "after-read")
    expect(log.splitlines()[-1:] == [">>> done <<<"] and "->programm" not in log, "a command followed the Read", log)
    transcript = desk.send("transcript")
    expect(not writes_in(transcript), "the chip got %d write packets" % len(writes_in(transcript)))
    expect(desk.send("findings").strip() == "no findings", "the unit's checker objected:\n" + desk.send("findings"))


def pane_extent(desk, img):
    """Right and bottom edge of the log pane's white area, from the window's right and bottom edge."""
    _, y = desk.log_point()
    x = img.width - 45
    right = x
    while right < img.width - 1 and img.at(right + 1, y) == (255, 255, 255):
        right += 1
    bottom = y
    while bottom < img.height - 1 and img.at(x, bottom + 1) == (255, 255, 255):
        bottom += 1
    return img.width - right, img.height - bottom


def resize_during_read(desk):
    """The window is resized while a Read runs: the Read ends as usual and the panes follow the window
    (after a size change the gap under the panes is 10 pixels larger than at start)."""
    start_with_design(desk, "--timing")
    start = pane_extent(desk, desk.screenshot(desk.main, "before-resize"))
    # The size changes right behind the click, so certainly while the Read runs.
    desk.x("mousemove", "--window", desk.main, *desk.controls["Read"], "click", 1,
           "windowsize", desk.main, 900, 800)
    log = desk.wait_log(">>> done <<<", 60)
    expect_lines(log, "->read", ">>> done <<<")
    w, h = desk.geometry(desk.main)[2:]
    expect((w, h) == (900, 800), "window is %dx%d, not 900x800" % (w, h))
    after = pane_extent(desk, desk.screenshot(desk.main, "after-resize"))
    expect(after == (start[0], start[1] + 10),
           "log pane margins (right, bottom) %s at start, %s after the resize" % (start, after))
    desk.x("windowsize", "--sync", desk.main, 500, 600, check=False)
    wait_for("the smaller window", lambda: desk.geometry(desk.main)[2:] == (500, 600), 10)
    again = wait_for("the panes to follow", lambda: pane_extent(desk, desk.screenshot(desk.main)) == after or None, 10)
    expect(again, "the panes did not follow the second resize")


SCENARIOS = {f.__name__: f for f in (program_cycle, unplug_and_replug, unplug_for_good, click_during_read,
                                       resize_during_read)}

if __name__ == "__main__":
    run(SCENARIOS)
