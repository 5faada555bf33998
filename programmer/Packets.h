#pragma once
// Every packet the program sends, byte for byte, and the request kinds of row reads and writes.

#include <cstdint>

namespace vostrel {

struct RunState;

enum CommandCode : std::uint8_t { PowerUp = 1, PowerOff = 2, Identify = 3, Read = 5, Write = 7 };
enum RequestKind : int {
    FuseRow = 0, PatternRow = 1, UesRow = 2, PesRow = 3, ConfigRow = 4,
    Erase = 5, EraseAll = 6, Security = 7, PowerDownOff = 8
};
enum class PowerUpForm { Program, Read, Short };

int SendPowerUp(RunState& state, PowerUpForm form);
int SendPowerOff(RunState& state);
int SendIdentify(RunState& state);
int SendReadRequest(RunState& state, RequestKind kind, int row);
int SendWriteRequest(RunState& state, RequestKind kind, int row, int rowSpan);

}  // namespace vostrel
