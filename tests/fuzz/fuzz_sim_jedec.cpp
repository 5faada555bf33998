// The simulated unit's own JEDEC loader on any text. What it accepts it must write out again in a
// form it reads back to the same fuses.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/SimJedec.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::JedecData parsed;
    std::string error;
    if (!sim::ParseJedec(text, parsed, error)) return 0;
    if (parsed.fuses.size() > 100000) return 0;  // formatting a huge map teaches nothing more

    const std::string written = sim::FormatJedec(parsed, "GAL22V10", 24);
    sim::JedecData again;
    if (!sim::ParseJedec(written, again, error)) {
        std::fprintf(stderr, "own output refused: %s\n", error.c_str());
        std::abort();
    }
    if (again.fuses != parsed.fuses || again.secured != parsed.secured) {
        std::fprintf(stderr, "own output reads back differently\n");
        std::abort();
    }
    return 0;
}
