#!/usr/bin/env python3
"""How soon the simulated unit's banner follows a host's open of its port, measured the way the
program meets it: open, lock, flush, set raw 115200, then the pulses and the 40 ms look.

  banner_latency.py BIN_DIR [OPENS] [LOAD] [FLUSH_AFTER_MS]

Starts its own vostrel-unit in a private runtime dir, and LOAD busy processes (default 0) to load
the machine, then opens the port OPENS times (default 200), flushing FLUSH_AFTER_MS (default 0) after
each open, as a host does that is slow to get there; with FLUSH_AFTER_MS given, any open that finds
no banner in time is a failure (exit code 1). Prints the delay from the flush to the
banner's first byte (median, 99th percentile, worst) and how many opens would have missed the
program's 40 ms look. Where permitted it makes itself (not the unit, not the load) a real-time
process, so that its own wake-ups do not count; never start it under chrt, or the load spins at
real-time priority.
"""
import fcntl
import os
import select
import subprocess
import sys
import tempfile
import termios
import time

bin_dir = os.path.abspath(sys.argv[1])
opens = int(sys.argv[2]) if len(sys.argv) > 2 else 200
load = int(sys.argv[3]) if len(sys.argv) > 3 else 0
flush_after = int(sys.argv[4]) if len(sys.argv) > 4 else None

work = tempfile.mkdtemp(prefix="vostrel-banner-")
env = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(work, "run"))
os.makedirs(os.path.join(env["XDG_RUNTIME_DIR"], "vostrel", "ports"), mode=0o700)
err = open(os.path.join(work, "unit.err"), "w+")
unit = subprocess.Popen([os.path.join(bin_dir, "vostrel-unit")], env=env, stderr=err, cwd=work)
busy = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(load)]
try:
    os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(50))
except OSError:
    print("note: not a real-time process; the figures include this tool's own wake-ups")
port = os.path.join(env["XDG_RUNTIME_DIR"], "vostrel", "ports", "COM0")
try:
    for _ in range(200):
        if os.path.exists(port):
            break
        time.sleep(0.05)
    delays, missed = [], 0
    for _ in range(opens):
        fd = os.open(port, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        if flush_after:
            time.sleep(flush_after / 1000)
        termios.tcflush(fd, termios.TCIOFLUSH)
        flushed = time.monotonic()
        attrs = termios.tcgetattr(fd)
        attrs[0] = attrs[1] = attrs[3] = 0
        attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
        attrs[4] = attrs[5] = termios.B115200
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        poller = select.poll()
        poller.register(fd, select.POLLIN)
        got = poller.poll(200)
        arrived = time.monotonic()
        if got:
            delays.append((arrived - flushed) * 1000)
            if arrived - flushed > 0.043:
                missed += 1
        else:
            missed += 1
        os.close(fd)
        time.sleep(0.02)
    delays.sort()
    if delays:
        print("opens %d, load %d: flush to banner median %.2f ms, p99 %.2f ms, worst %.2f ms; "
              "later than the 40 ms look: %d" % (opens, load, delays[len(delays) // 2],
                                                 delays[min(len(delays) - 1, len(delays) * 99 // 100)],
                                                 delays[-1], missed))
    else:
        print("no banner at all in %d opens" % opens)
    if flush_after is not None and missed:
        sys.exit(1)
finally:
    for p in busy:
        p.kill()
    unit.terminate()
    unit.wait()
    for p in busy:
        p.wait()
