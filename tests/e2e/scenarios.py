#!/usr/bin/env python3
"""End-to-end scenarios: the real program and the simulated unit on a private X server and port map,
driven as a user drives them. Usage: scenarios.py BIN_DIR SCENARIO (see SCENARIOS at the end).

Set VOSTREL_E2E_SHOTS to a folder to keep screenshots of the window at the scenario's key moments.
"""
import os
import re
import shutil
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


SCENARIOS = {f.__name__: f for f in (program_cycle,)}

if __name__ == "__main__":
    run(SCENARIOS)
