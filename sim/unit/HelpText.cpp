#include "sim/unit/Options.h"

namespace vostrel::unit {

std::string HelpText() {
    return R"(Usage: vostrel-unit [options]
       vostrel-unit [--port COMn | --control PATH] --send "COMMAND"

The simulated programmer unit on a pseudo-terminal. It links the pty into the port map as COMn
(<runtime dir>/vostrel/ports/COMn, runtime dir $XDG_RUNTIME_DIR or /tmp/runtime-$USER), sends its
banner whenever a program opens the port, answers packets, and removes its link when it ends
(Ctrl-C, SIGTERM or the "stop" command). It writes one line to stderr when ready:
  vostrel-unit: GAL16V8 on COM0 (/dev/pts/N)

Options:
  --port COMn        port name to take, COM0 to COM32 (default COM0)
  --chip TYPE        chip in the socket: one of the 22 type names, or "none" (default GAL16V8)
  --load FILE.jed    program the chip in the socket from a JEDEC file (default: a small design)
  --timing           answer with the delays of a real unit (wire time, pulses, erase times)
  --fault FAULT      start with a fault armed, e.g. --fault silent-after=3 (repeatable)
  --control PATH     control socket (default <runtime dir>/vostrel/unit-COMn.ctl)
  --send COMMAND     send one control command to a running unit, print its answer, exit
                     (exit code 1 when the unit refused it or none is running)
  --help             this text

Control commands (one per --send):
  status             port, pty, host attached, chip, faults
  insert TYPE        put a fresh chip of that type into the socket (replacing the one there)
  remove             empty the socket
  load FILE.jed      program the chip in the socket from a JEDEC file
  dump FILE.jed      save the chip in the socket as a JEDEC file
  fault FAULT        arm a fault; "fault none" clears them all
  transcript         the packets received so far, with the unit's checks
  unplug             drop off the line: the port goes dead and leaves the port map
  replug             come back on a new pty under the same name
  stop               end the unit
  help               this text and the engine's command list
)";
}

}  // namespace vostrel::unit
