#include "sim/unit/Options.h"

#include "sim/Control.h"

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
  --chip TYPE        chip in the socket: a type name (see the "chips" command), or "none";
                     default: a GAL16V8 holding a small design
  --load FILE.jed    program the chip in the socket from a JEDEC file
  --timing           answer with the delays of a real unit (wire time, pulses, erase times)
  --fault FAULT      start with a reply fault armed, as "fault" below takes it:
                     --fault silent=3 answers 3 packets, then falls silent
  --banner KIND      banner fault: normal, silent, one-byte, zeros
  --control PATH     control socket (default <runtime dir>/vostrel/unit-COMn.ctl)
  --send COMMAND     send one control command to a running unit, print its answer, exit
                     (exit code 1 when the unit refused it or none is running)
  --help             this text

Control commands (one per --send), e.g.
  vostrel-unit --send "insert GAL22V10"      vostrel-unit --send "fault silent 5"
  vostrel-unit --send "dump chip.jed"        vostrel-unit --port COM3 --send status
)" + sim::ControlHelp() +
           "stop                        end the unit\n";
}

}  // namespace vostrel::unit
