#pragma once
// One exchange with the programmer unit: attention pulse, packet out, reply in.

#include <cstdint>

namespace vostrel {

struct RunState;

// Sends CommandPacket[0 .. length-1] and waits for expectedDataBytes + 4 reply bytes. Answers the
// reply's data count when the reply is valid, else 0; ResponseBuffer holds what the exchange left.
int Transact(RunState& state, int length, int expectedDataBytes, std::uint8_t timeoutSeconds);

// Entry k of ResponseBuffer, or 0 for a position the last reply did not fill.
std::uint8_t ReplyEntry(const RunState& state, int k);

}  // namespace vostrel
