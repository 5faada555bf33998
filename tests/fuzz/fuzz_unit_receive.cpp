// The simulated unit's side of the wire: any bytes, pulses, opens and closes, at any times, into a
// unit with any chip in its socket. It must answer or drop them, never trust them.

#include <cstdint>

#include "sim/Chip.h"
#include "sim/Unit.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    fuzz::FuzzInput in(data, size);
    const std::uint8_t setup = in.Byte();
    sim::Unit unit((setup & 1) ? sim::Transport::Pty : sim::Transport::Break);
    unit.SetTimingModel((setup & 2) != 0);
    static const std::vector<std::string> names = sim::ChipNames();
    const std::size_t pick = in.Byte() % (names.size() + 1);
    if (pick < names.size()) unit.Insert(sim::MakeChip(names[pick]));
    if (setup & 4) unit.FailAfter(in.Byte() % 8, static_cast<sim::ReplyFault>(1 + in.Byte() % 6), in.Byte() % 3);

    std::int64_t now = 0;
    unit.PortOpened(now);
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        now += (op >> 4) * 250;  // up to 3.75 ms between events
        switch (op & 7) {
            case 0:
            case 1:
            case 2: {
                const fuzz::Bytes bytes = in.Take(in.Byte());
                unit.Receive(bytes.data(), static_cast<int>(bytes.size()), now);
                break;
            }
            case 3: unit.SetBreak(true, now); break;
            case 4: unit.SetBreak(false, now); break;
            case 5: unit.TakeDue(now); break;
            case 6: unit.PortClosed(now); unit.PortOpened(now); break;
            default:
                if (!unit.Plugged()) unit.Replug();
                unit.NoteSequenceEnd();
                break;
        }
    }
    unit.TakeAll();
    return 0;
}
