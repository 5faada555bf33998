#include "programmer/Packets.h"

#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "device/Signature.h"
#include "programmer/Transact.h"

namespace vostrel {

namespace {

constexpr std::uint8_t kTimeoutSeconds = 4;
constexpr int kPlainReplyData = 16;  // every reply but a Read's carries 16 data bytes

// The unit only ever sees the low byte of the wider profile fields.
std::uint8_t Low(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Row address bytes 3 and 4: a parallel-addressed type puts the row in byte 3 and marks byte 4 as
// unused (255); a serially addressed type shifts the row in through byte 4.
void PutRowAddress(RunState& state, int row) {
    auto& packet = state.CommandPacket;
    if (state.profile.addressBits == 0) {
        packet[3] = Low(row);
        packet[4] = 255;
    } else {
        packet[3] = 0;
        packet[4] = Low(row);
    }
}

int Exchange(RunState& state, int expectedDataBytes) {
    return Transact(state, state.CommandPacket[1], expectedDataBytes, kTimeoutSeconds);
}

}  // namespace

int SendPowerUp(RunState& state, PowerUpForm form) {
    const DeviceProfile& p = state.profile;
    auto& packet = state.CommandPacket;
    packet[0] = PowerUp;
    packet[2] = vccSetting5V;
    packet[4] = Low(p.code);
    packet[5] = p.pinCount;
    switch (form) {
    case PowerUpForm::Program:
        packet[1] = 8;
        packet[3] = p.vppProgram;
        packet[6] = 1;
        packet[7] = p.vppRead;
        break;
    case PowerUpForm::Read:
        packet[1] = 7;
        packet[3] = p.vppRead;
        packet[6] = 0;
        break;
    case PowerUpForm::Short:
        packet[1] = 6;
        packet[3] = p.vppProgram;
        break;
    }
    return Exchange(state, kPlainReplyData);
}

int SendPowerOff(RunState& state) {
    state.CommandPacket[0] = PowerOff;
    state.CommandPacket[1] = 2;
    return Exchange(state, kPlainReplyData);
}

int SendIdentify(RunState& state) {
    state.CommandPacket[0] = Identify;
    state.CommandPacket[1] = 2;
    return Exchange(state, kPlainReplyData);
}

int SendReadRequest(RunState& state, RequestKind kind, int row) {
    const DeviceProfile& p = state.profile;
    auto& packet = state.CommandPacket;
    const std::uint8_t shift = static_cast<std::uint8_t>(p.rowBits + p.addressBits);
    switch (kind) {
    case FuseRow:
        packet[1] = 8;
        packet[2] = p.rowBits;
        PutRowAddress(state, row);
        packet[7] = 0;
        break;
    case PatternRow:
        // Bytes 3, 4, 8 and 9 go out as the packets before left them; the select pattern from
        // byte 10 on is the caller's.
        packet[1] = static_cast<std::uint8_t>(shift + 10);
        packet[2] = shift;
        packet[7] = shift;
        break;
    case UesRow:
        packet[1] = 8;
        packet[2] = p.rowBits;
        packet[3] = p.uesRow;
        packet[4] = Low(p.uesRowSerial);
        packet[7] = 0;
        break;
    case PesRow:
        packet[1] = 8;
        packet[2] = p.rowBits;
        packet[3] = p.pesRow;
        packet[4] = Low(p.pesRowSerial);
        packet[7] = 0;
        break;
    case ConfigRow:
        packet[1] = 8;
        packet[2] = p.cfgBits;
        packet[3] = p.cfgRow;
        packet[4] = Low(p.cfgRowSerial);
        packet[7] = 0;
        break;
    default:
        return 0;  // the other kinds have no read form
    }
    packet[0] = Read;
    packet[5] = p.addressBits;
    packet[6] = p.variantFlag;
    return Exchange(state, packet[2]);
}

int SendWriteRequest(RunState& state, RequestKind kind, int row, int rowSpan) {
    const DeviceProfile& p = state.profile;
    auto& packet = state.CommandPacket;
    if (kind < FuseRow || kind > PowerDownOff) return 0;
    const std::uint8_t shift = static_cast<std::uint8_t>(p.rowBits + p.addressBits);
    packet[8] = 0;
    packet[7] = p.progPulseMs;
    switch (kind) {
    case FuseRow:
        packet[1] = static_cast<std::uint8_t>(p.rowBits + 10);
        packet[2] = p.rowBits;
        PutRowAddress(state, row);
        break;
    case PatternRow:
        packet[1] = static_cast<std::uint8_t>(shift + 10);
        packet[2] = shift;
        packet[3] = Low(row);
        packet[4] = 255;
        packet[8] = 128;
        break;
    case UesRow:
        packet[1] = static_cast<std::uint8_t>(p.rowBits + 10);
        packet[2] = p.rowBits;
        packet[3] = p.uesRow;
        packet[4] = Low(p.uesRowSerial);
        break;
    case PesRow:
        packet[1] = static_cast<std::uint8_t>(p.rowBits + 10);
        packet[2] = p.rowBits;
        packet[3] = p.pesRow;
        packet[4] = Low(p.pesRowSerial);
        break;
    case ConfigRow:
        packet[1] = static_cast<std::uint8_t>(p.cfgBits + 10);
        packet[2] = p.cfgBits;
        packet[3] = p.cfgRow;
        packet[4] = Low(p.cfgRowSerial);
        break;
    case Erase:
    case EraseAll:
        packet[1] = 11;
        packet[2] = 1;
        packet[3] = kind == Erase ? p.eraseRow : p.eraseAllRow;
        packet[4] = 255;
        // The erase time travels in ten bits: byte 7 the low eight, byte 8 the next two.
        packet[7] = Low(p.eraseTimeMs);
        packet[8] = static_cast<std::uint8_t>((p.eraseTimeMs >> 8) & 3);
        packet[10] = kind == Erase ? p.eraseBit : p.eraseAllBit;
        break;
    case Security:
        packet[1] = 11;
        packet[2] = p.rowBits;  // the unit wants the row length even though one data byte follows
        packet[3] = p.securityRow;
        packet[4] = Low(p.securityRowSerial);
        packet[10] = p.securityBit;
        break;
    case PowerDownOff:
        packet[1] = 11;
        packet[2] = 1;
        if (p.addressBits == 0) {
            packet[3] = powerDownRow;
            packet[4] = 255;
        } else {
            packet[3] = 0;
            packet[4] = powerDownRow;
        }
        packet[10] = 0;
        break;
    default:
        return 0;
    }
    packet[0] = Write;
    packet[5] = p.addressBits;
    packet[6] = p.variantFlag;
    packet[9] = Low(rowSpan);
    return Exchange(state, kPlainReplyData);
}

}  // namespace vostrel
