#pragma once
// A small JEDEC fuse-file reader and writer for loading a chip into the simulated unit's socket and
// dumping it again. Self-contained on purpose: the unit must not read files through the program's
// own reader, or a fault there would hide itself in every round trip.

#include <cstdint>
#include <string>
#include <vector>

namespace vostrel::sim {

struct JedecData {
    std::vector<std::uint8_t> fuses;  // QF entries, each 0 or 1
    bool secured = false;             // G1
};

// Parses JEDEC text. Needs a QF field; takes F (default state), L (fuse runs, blanks allowed), G,
// and checks C (fuse checksum) when present. Answers false with a one-line reason on bad input.
bool ParseJedec(const std::string& text, JedecData& data, std::string& error);
std::string FormatJedec(const JedecData& data, const std::string& device, int pinCount);

// The standard fuse checksum: the fuses packed eight to a byte, LSB first, summed to 16 bits.
std::uint16_t FuseChecksum(const std::vector<std::uint8_t>& fuses);

bool ReadJedecFile(const std::string& path, JedecData& data, std::string& error);
bool WriteJedecFile(const std::string& path, const JedecData& data, const std::string& device, int pinCount,
                    std::string& error);

}  // namespace vostrel::sim
