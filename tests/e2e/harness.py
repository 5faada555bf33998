"""A private desktop for one end-to-end scenario: an Xvfb display, a runtime dir with its own port
map, the simulated unit and the program, driven with the mouse and keyboard (xdotool) and read back
through the clipboard (xclip) as a user would.

Nothing here waits a fixed time for something to happen: every wait polls for a condition with a time
limit, so a loaded machine only makes a scenario slower, not wrong.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import x11


class Failure(Exception):
    pass


def wait_for(what, condition, timeout, step=0.05):
    """Polls condition() until it answers something true; answers that or raises Failure."""
    deadline = time.monotonic() + timeout
    while True:
        got = condition()
        if got:
            return got
        if time.monotonic() > deadline:
            raise Failure("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep(step)


class Image:
    """A window's pixels, from ImageMagick's `import` as 8-bit PPM."""

    def __init__(self, data):
        magic, width, height, maxval, pixels = data.split(maxsplit=4)
        if magic != b"P6" or maxval != b"255":
            raise Failure("unexpected screenshot format")
        self.width, self.height = int(width), int(height)
        self.pixels = pixels

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return self.pixels[i], self.pixels[i + 1], self.pixels[i + 2]

    def differs(self, x, y, tolerance=40):
        # The row's own background is its right-hand end, where no control ever stands.
        bg = self.at(self.width - 4, y)
        return max(abs(a - b) for a, b in zip(self.at(x, y), bg)) > tolerance

    def row_bands(self, y_range):
        """Bands of consecutive rows that hold something besides background: [(first, last)]."""
        found, first, previous = [], None, None
        for y in list(y_range) + [None]:
            hit = y is not None and any(self.differs(x, y) for x in range(self.width - 8))
            if hit and first is None:
                first = y
            elif not hit and first is not None:
                found.append((first, previous))
                first = None
            previous = y
        return found

    def column_runs(self, y0, y1, max_gap=6):
        """Runs of columns with something in rows y0..y1; gaps up to max_gap join a run (a word)."""
        runs, start, last = [], None, None
        for x in range(self.width - 8):
            if any(self.differs(x, y) for y in range(y0, y1 + 1)):
                if start is not None and x - last > max_gap + 1:
                    runs.append((start, last))
                    start = None
                if start is None:
                    start = x
                last = x
        if start is not None:
            runs.append((start, last))
        return runs


class Desktop:
    TOOLBAR = ["Open", "Save", "Compile", "Read", "Program", "Verify", "Erase", "Info"]
    MENUS = ["File", "Device", "Tools", "?"]

    def __init__(self, bin_dir, name):
        self.bin = os.path.abspath(bin_dir)
        self.name = name
        self.work = tempfile.mkdtemp(prefix="vostrel-e2e-%s-" % name)
        self.shots = os.environ.get("VOSTREL_E2E_SHOTS")
        self.run = os.path.join(self.work, "run")
        os.makedirs(os.path.join(self.run, "vostrel", "ports"), mode=0o700)
        os.chmod(self.run, 0o700)
        self.env = dict(os.environ)
        self.env.update(XDG_RUNTIME_DIR=self.run, XDG_CONFIG_HOME=os.path.join(self.work, "config"))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.procs = []
        self.unit = None
        self.unit_err = os.path.join(self.work, "unit.err")
        self.program = None
        self.main = None
        self.controls = None
        self.last_log = ""
        self.history = []  # every copy of the log, oldest first
        self._start_x()

    # --- processes ----------------------------------------------------------------------------------
    def _spawn(self, args, **kw):
        p = subprocess.Popen(args, env=self.env, **kw)
        self.procs.append(p)
        return p

    def _start_x(self):
        r, w = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                    pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def start_unit(self, *args):
        self.unit = self._spawn([os.path.join(self.bin, "vostrel-unit")] + list(args), cwd=self.work,
                                stdout=subprocess.DEVNULL, stderr=open(self.unit_err, "w"))
        wait_for("vostrel-unit to link COM0", lambda: " on COM0 " in self.unit_log(), 20)

    def unit_log(self):
        try:
            with open(self.unit_err) as f:
                return f.read()
        except OSError:
            return ""

    def send(self, command, ok=True):
        """One control command to the running unit; answers its reply."""
        r = subprocess.run([os.path.join(self.bin, "vostrel-unit"), "--send", command], env=self.env,
                           cwd=self.work, capture_output=True, text=True, timeout=30)
        if ok and r.returncode != 0:
            raise Failure("unit refused %r: %s%s" % (command, r.stdout, r.stderr))
        return r.stdout

    def start_program(self):
        # The file dialogs start in the current directory: the scenario's own folder.
        self.program = self._spawn([os.path.join(self.bin, "vostrel")], cwd=self.work,
                                   stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.work, "prog.err"), "w"))

    def wait_exit(self, timeout=20):
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program is still running")

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in reversed(self.procs):
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- X ------------------------------------------------------------------------------------------
    def x(self, *args, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True,
                           text=True, timeout=30)
        if check and r.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def spawn_keys(self, *keys):
        """Presses these keys over and over, about every 2 ms, until the answered process is killed."""
        return self._spawn(["xdotool", "key", "--repeat", "100000", "--delay", "2"] + list(keys),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self, title):
        out = self.x("search", "--onlyvisible", "--name", "^%s$" % re.escape(title), check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        out = self.x("getwindowgeometry", window)
        m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", out, re.S)
        if not m:
            raise Failure("no geometry for window %d" % window)
        return tuple(int(v) for v in m.groups())

    def wait_main_window(self, timeout=30):
        """The main window once its log greets the user; answers the log."""
        def find():
            for w in self.windows("Vostrel"):
                if self.geometry(w)[2] == 650:
                    return w
            return None
        self.main = wait_for("the main window", find, timeout)
        self.wait_log("Welcome Vostrel user", timeout)
        self.locate_controls()

    def box(self, title="Vostrel"):
        """A visible window of that title that is not the main window, if one shows."""
        for w in self.windows(title):
            if w != self.main:
                return w
        return None

    def screenshot(self, window, label=None):
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=30).stdout
        if self.shots and label:
            os.makedirs(self.shots, exist_ok=True)
            path = os.path.join(self.shots, "%s-%s.png" % (self.name, label))
            subprocess.run(["convert", "ppm:-", path], input=data, timeout=30)
        return Image(data)

    def locate_controls(self):
        """Finds the menu titles and the toolbar captions in a picture of the window, as an eye would:
        the rows above the panes hold three bands (menu titles, toolbar pictures, toolbar captions)."""
        img = self.screenshot(self.main)
        bands = []
        for band in img.row_bands(range(0, min(img.height, 200))):
            runs = img.column_runs(*band)
            if runs and runs[0][1] - runs[0][0] > img.width * 0.8:
                break  # the panes' top edge
            bands.append((band, runs))
        if len(bands) < 3:
            raise Failure("menu bar and toolbar not found in the window (%d bands)" % len(bands))
        self.controls = {}
        for names, (rows, runs) in ((self.MENUS, bands[0]), (self.TOOLBAR, bands[-1])):
            if len(runs) != len(names):
                raise Failure("expected %d of %s, found %d" % (len(names), "/".join(names), len(runs)))
            for name, (a, b) in zip(names, runs):
                self.controls[name] = ((a + b) // 2, (rows[0] + rows[1]) // 2)

    def log_pane_rows(self, img):
        """Top and bottom row of the log pane's inside, found along its right-hand part, which stays
        white: no log line reaches that far."""
        _, y = self.log_point()
        edge = img.width - 45
        top = bottom = y
        while top > 0 and img.at(edge, top - 1) == (255, 255, 255):
            top -= 1
        while bottom < img.height - 1 and img.at(edge, bottom + 1) == (255, 255, 255):
            bottom += 1
        return top, bottom

    @staticmethod
    def ink_rows(img, rows):
        return [y for y in rows if any(img.at(x, y) != (255, 255, 255) for x in range(10, min(img.width - 60, 400)))]

    def line_pitch(self, img):
        """Distance between text lines, from the fuse pane's lines (unselected, all alike)."""
        top, _ = self.log_pane_rows(img)
        ink = set(self.ink_rows(img, range(0, top)))
        starts = [y for y in sorted(ink) if y - 1 not in ink]
        steps = [b - a for a, b in zip(starts, starts[1:])]
        return max(set(steps), key=steps.count) if steps else 0

    def log_text_bottom(self, img):
        """Lowest row of the log's text (a selection's highlight counts as text)."""
        ink = self.ink_rows(img, range(*self.log_pane_rows(img)))
        return ink[-1] if ink else None

    def click(self, x, y, window=None):
        self.x("mousemove", "--window", window or self.main, x, y, "click", 1)

    def button(self, name):
        self.click(*self.controls[name])

    def menu(self, title, item_index):
        """Opens a menu by its title and takes its item_index-th item (from 0) with the arrow keys."""
        self.click(*self.controls[title])
        wait_for("the %s menu" % title, lambda: self._popup_shown(), 10)
        self.x("key", *(["Down"] * (item_index + 1)), "Return")

    def _popup_shown(self):
        out = self.x("search", "--onlyvisible", "--class", "vostrel", check=False)
        return len(out.split()) > 1

    def log_point(self):
        h = self.geometry(self.main)[3]
        return 100, h * 3 // 4

    def read_log(self):
        """The log pane's text: click into it, select all, copy."""
        x, y = self.log_point()
        self.x("mousemove", "--window", self.main, x, y, "click", 1, "key", "ctrl+a", "ctrl+c", check=False)
        r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env, capture_output=True,
                           timeout=10)
        if r.returncode == 0:
            self.last_log = r.stdout.decode("utf-8", "replace")
            self.history.append(self.last_log)
        return self.last_log

    def wait_log(self, line, timeout=60, after=None):
        """Waits until the log holds line (a whole line, or a compiled pattern), answers the log."""
        def seen():
            log = self.read_log()
            lines = log.splitlines()
            if isinstance(line, re.Pattern):
                return log if any(line.search(l) for l in lines) else None
            return log if line in lines else None
        return wait_for("%r in the log" % (line if isinstance(line, str) else line.pattern), seen, timeout,
                        step=0.15)

    def command(self, action, timeout=120):
        """Runs action (a click) and waits until the log has changed and ends with the command's
        closing line; answers the log. The log must change: every command here clears it or adds to it."""
        before = self.read_log()
        action()
        def over():
            log = self.read_log()
            lines = log.splitlines()
            return log if log != before and lines and lines[-1] in (">>> done <<<", "-- aborted --") else None
        return wait_for("the command's closing line", over, timeout, step=0.15)

    def type_path(self, title, path, timeout=30):
        """Types a path into the file dialog of that title and presses Enter."""
        dialog = wait_for("the %r dialog" % title, lambda: (self.windows(title) or [None])[0], timeout)
        self.x("windowfocus", "--sync", dialog, check=False)
        # Qt's dialog focuses its file-name field; a full path there is taken as it stands.
        self.x("key", "--window", dialog, "ctrl+a")
        self.x("type", "--delay", 5, path)
        self.x("key", "Return")
        wait_for("the %r dialog to close" % title, lambda: not self.windows(title), timeout)

    def box_text(self, box):
        """A message box's text, copied with Ctrl+C as the box offers it."""
        self.x("windowfocus", "--sync", box, check=False)
        self.x("key", "ctrl+c", check=False)
        r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env, capture_output=True,
                           timeout=10)
        return r.stdout.decode("utf-8", "replace")


def read_fuses(path):
    """The fuse values of a JEDEC file, from its QF count, F default and L fields."""
    text = open(path, "rb").read().decode("latin-1")
    body = text.split("\x02", 1)[-1].split("\x03", 1)[0]
    fields = [f.strip() for f in body.split("*")[1:]]
    count = next(int(f[2:]) for f in fields if f[:2].upper() == "QF")
    default = next((int(f[1:]) for f in fields if f[:1].upper() == "F" and f[1:].isdigit()), 0)
    fuses = [default] * count
    for f in fields:
        if f[:1].upper() == "L":
            start, bits = f[1:].split(None, 1)
            bits = re.sub(r"\s", "", bits)
            at = int(start)
            fuses[at:at + len(bits)] = [int(b) for b in bits]
    return fuses[:count]


def run(scenarios):
    """Runs the scenario named on the command line: e2e.py BIN_DIR NAME."""
    if len(sys.argv) != 3 or sys.argv[2] not in scenarios:
        sys.exit("usage: %s BIN_DIR {%s}" % (sys.argv[0], ",".join(scenarios)))
    name = sys.argv[2]
    desk = Desktop(sys.argv[1], name)
    started = time.monotonic()
    try:
        scenarios[name](desk)
    except Failure as e:
        print("FAIL: %s" % e, file=sys.stderr)
        print("--- last log copied from the window ---\n%s\n--- unit ---\n%s" % (desk.last_log, desk.unit_log()),
              file=sys.stderr)
        if desk.main:
            try:
                desk.screenshot(desk.main, "failure")
            except Exception:
                pass
        desk.close()
        sys.exit(1)
    desk.close()
    print("ok: %s in %.1f s" % (name, time.monotonic() - started))


def write_jedec(path, fuses, pins=24):
    """A plain JEDEC file of these fuses, with both checksums."""
    cs = 0
    for i in range(0, len(fuses), 8):
        cs += sum(bit << k for k, bit in enumerate(fuses[i:i + 8]))
    lines = ["\x02written by the end-to-end tests", "*QP%d" % pins, "*QF%d" % len(fuses), "*F0"]
    lines += ["*L%05d %s" % (a, "".join(map(str, fuses[a:a + 64]))) for a in range(0, len(fuses), 64)]
    lines += ["*C%04X" % (cs & 0xFFFF), "*\x03"]
    text = "\r\n".join(lines)
    with open(path, "wb") as f:
        f.write((text + "%04X\r\n" % (sum(text.encode("latin-1")) & 0xFFFF)).encode("latin-1"))
