#pragma once
// Helpers the chip operations share for moving fuses between FuseMap, the data bytes of a packet and
// the reply of a row read. Internal to programmer/.

#include <cstdint>

#include "app/RunState.h"
#include "programmer/Transact.h"

namespace vostrel::rowdata {

inline constexpr int kDataStart = 10;  // data byte k of a row packet is CommandPacket[10 + k]

// The GAL6001 family moves its array in two passes: columns as serial rows, then select patterns.
inline bool IsGal6001Layout(std::int32_t code) { return code == 64 || code == 65 || code == 68; }
inline bool IsAtmel(std::int32_t code) { return code >= 128 && code <= 132; }

inline constexpr int kGal6001Lines = 64;

inline void PutData(RunState& state, int position, std::uint8_t value) {
    const int index = kDataStart + position;
    if (index >= kDataStart && index < kCommandPacketSize) state.CommandPacket[index] = value;
}

inline void ClearData(RunState& state, int count) {
    for (int k = 0; k < count; ++k) PutData(state, k, 0);
}

inline std::uint8_t Fuse(const RunState& state, int index) {
    return index >= 0 && index < kFuseMapSize ? state.FuseMap[index] : 0;
}

inline void StoreRead(RunState& state, int index, std::uint8_t value) {
    if (index >= 0 && index < kFuseMapSize) state.ReadMap[index] = value;
}

// A reply carries one byte per bit; anything but 0 counts as a set fuse, so the working data only
// ever holds 0 and 1.
inline std::uint8_t ReplyBit(const RunState& state, int k) { return ReplyEntry(state, k) != 0 ? 1 : 0; }

// The select pattern of GAL6001 line i: every one of the 64 lines deselected (1) but line i.
inline void PutSelectPattern(RunState& state, int line, int shift) {
    ClearData(state, shift);
    for (int k = 0; k < kGal6001Lines; ++k) PutData(state, 31 + k, 1);
    PutData(state, 31 + line, 0);
}

}  // namespace vostrel::rowdata
