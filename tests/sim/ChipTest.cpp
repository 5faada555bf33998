// The chips at the engine: every type keeps what a host writes through its row layouts, the
// erase-before-write rule, erase-all, security, power-down, and the checker's findings.

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "device/DeviceTable.h"
#include "sim/Unit.h"

namespace vostrel::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Drives a unit packet by packet and answers the reply's data (the trailer checked and cut off).
struct Bench {
    Unit unit;
    DeviceProfile g;
    std::uint8_t pulse = 10;
    int eraseMs = 100;

    explicit Bench(const std::string& chip) {
        unit.SetTimingModel(false);
        auto c = MakeChip(chip);
        g = c->Geometry();
        eraseMs = c->Spec().eraseMs;
        unit.Insert(std::move(c));
    }
    Bytes Send(const Bytes& p) {
        unit.Receive(p.data(), static_cast<int>(p.size()), 0);
        Bytes reply;
        for (const auto& b : unit.TakeAll()) reply.push_back(b.value);
        EXPECT_GE(reply.size(), 4u);
        if (reply.size() < 4) return {};
        EXPECT_EQ(reply.back(), p[0]);
        const std::size_t count = reply[reply.size() - 4] + 256u * reply[reply.size() - 3];
        EXPECT_EQ(count, reply.size() - 4);
        reply.resize(reply.size() - 4);
        return reply;
    }
    std::uint8_t Ab() const { return g.addressBits; }
    std::uint8_t Vf() const { return g.variantFlag; }
    bool Is6001() const { return g.code == 64 || g.code == 65 || g.code == 68; }
    std::uint8_t P(int row) const { return Ab() == 0 ? row : 0; }
    std::uint8_t S(int row) const { return Ab() == 0 ? 255 : row; }

    void PowerProgram() { Send({1, 8, 180, 213, static_cast<std::uint8_t>(g.code), g.pinCount, 1, 213}); }
    void PowerRead() { Send({1, 7, 180, 213, static_cast<std::uint8_t>(g.code), g.pinCount, 0}); }
    void OneByte(std::uint8_t parallel, std::uint8_t serial, std::uint8_t data, int timeMs) {
        Send({7, 11, 1, parallel, serial, Ab(), Vf(), static_cast<std::uint8_t>(timeMs & 0xFF),
              static_cast<std::uint8_t>((timeMs >> 8) & 3), 0, data});
    }
    void Erase() { OneByte(g.eraseRow, 255, g.eraseBit, eraseMs); }
    void EraseAll() { OneByte(g.eraseAllRow, 255, g.eraseAllBit, eraseMs); }
    void Write(std::uint8_t parallel, std::uint8_t serial, const Bytes& bits, std::uint8_t b8 = 0, std::uint8_t span = 0) {
        Bytes p{7, static_cast<std::uint8_t>(bits.size() + 10), static_cast<std::uint8_t>(bits.size()),
                parallel, serial, Ab(), Vf(), pulse, b8, span};
        p.insert(p.end(), bits.begin(), bits.end());
        Send(p);
    }
    Bytes Read(std::uint8_t parallel, std::uint8_t serial, int bits) {
        return Send({5, 8, static_cast<std::uint8_t>(bits), parallel, serial, Ab(), Vf(), 0});
    }
    Bytes ReadLine(int line) {
        Bytes p{5, 129, 119, 0, 155, Ab(), Vf(), 119, 0, 0};
        Bytes sel(119, 0);
        for (int k = 31; k < 95; ++k) sel[k] = 1;
        sel[31 + line] = 0;
        p.insert(p.end(), sel.begin(), sel.end());
        return Send(p);
    }

    // Writes fuses through the row layouts the program uses.
    void Program(const Bytes& f) {
        if (Is6001()) {
            for (int c = 0; c < 78; ++c) {
                Bytes bits(95, 0);
                for (int k = 0; k < 11; ++k) bits[20 + k] = f[7296 + 78 * k + c];
                for (int k = 0; k < 64; ++k) bits[31 + k] = f[114 * k + c];
                Write(0, static_cast<std::uint8_t>(2 * c + 1), bits);
            }
            for (int i = 0; i < 64; ++i) {
                Bytes bits(119, 0);
                for (int k = 31; k < 95; ++k) bits[k] = 1;
                bits[31 + i] = 0;
                for (int k = 0; k < 20; ++k) bits[k] = f[114 * i + 78 + k];
                for (int k = 0; k < 16; ++k) bits[103 + k] = f[114 * i + 98 + k];
                Write(0, 255, bits, 128);
            }
        } else {
            for (int r = 0; r < g.rowCount; ++r) {
                Bytes bits(g.rowBits);
                for (int k = 0; k < g.rowBits; ++k) bits[k] = f[r + k * g.rowCount];
                Write(P(r), S(r), bits);
            }
        }
        Bytes cfg(g.cfgBits);
        for (int k = 0; k < g.cfgBits; ++k) cfg[k] = f[g.cfgFuseIndex[k]];
        Write(g.cfgRow, static_cast<std::uint8_t>(g.cfgRowSerial), cfg);
        Bytes ues(g.rowBits, 0);
        for (int m = 0; m < g.uesBytes * 8; ++m) ues[g.uesReadOffset + m] = f[g.uesFuse + m];
        Write(g.uesRow, static_cast<std::uint8_t>(g.uesRowSerial), ues);
    }
    Bytes ReadBack() {
        Bytes f(static_cast<std::size_t>(g.fuseCount), 7);
        if (Is6001()) {
            for (int c = 0; c < 78; ++c) {
                const auto bits = Read(0, static_cast<std::uint8_t>(2 * c + 1), 95);
                for (int k = 0; k < 11; ++k) f[7296 + 78 * k + c] = bits.at(20 + k);
                for (int k = 0; k < 64; ++k) f[114 * k + c] = bits.at(31 + k);
            }
            for (int i = 0; i < 64; ++i) {
                const auto bits = ReadLine(i);
                for (int k = 0; k < 20; ++k) f[114 * i + 78 + k] = bits.at(k);
                for (int k = 0; k < 16; ++k) f[114 * i + 98 + k] = bits.at(103 + k);
            }
        } else {
            for (int r = 0; r < g.rowCount; ++r) {
                const auto bits = Read(P(r), S(r), g.rowBits);
                for (int k = 0; k < g.rowBits; ++k) f[r + k * g.rowCount] = bits.at(k);
            }
        }
        const auto cfg = Read(g.cfgRow, static_cast<std::uint8_t>(g.cfgRowSerial), g.cfgBits);
        for (int k = 0; k < g.cfgBits; ++k) f[g.cfgFuseIndex[k]] = cfg.at(k);
        const auto ues = Read(g.uesRow, static_cast<std::uint8_t>(g.uesRowSerial), g.rowBits);
        for (int m = 0; m < g.uesBytes * 8; ++m) f[g.uesFuse + m] = ues.at(g.uesReadOffset + m);
        return f;
    }
    Bytes Pes() { return Read(g.pesRow, static_cast<std::uint8_t>(g.pesRowSerial), g.rowBits); }
};

Bytes RandomFuses(int count, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes f(static_cast<std::size_t>(count));
    for (auto& b : f) b = static_cast<std::uint8_t>(rng() & 1);
    return f;
}

TEST(Chip, EveryTypeKeepsWhatItWasProgrammedWith) {
    for (DeviceCode code : DeviceCodes()) {
        Bench b(DeviceName(code));
        SCOPED_TRACE(b.g.name);
        const Bytes design = RandomFuses(b.g.fuseCount, code);
        b.PowerProgram();
        b.Erase();
        b.Program(design);
        b.Send({2, 2});
        b.PowerRead();
        EXPECT_EQ(b.ReadBack(), design);
        b.Send({2, 2});
        Bytes held = b.unit.Socket()->Fuses();
        held.resize(design.size());
        EXPECT_EQ(held, design) << "the JEDEC view maps the same cells";
        b.unit.NoteSequenceEnd();
        EXPECT_TRUE(b.unit.FindingTexts().empty()) << b.unit.FindingTexts().front();
    }
}

TEST(Chip, WritesOnlyProgramTowardsZeroSoAMissingEraseShows) {
    for (const char* name : {"GAL22V10", "GAL6001"}) {
        Bench b(name);
        const Bytes first = RandomFuses(b.g.fuseCount, 1);
        const Bytes second = RandomFuses(b.g.fuseCount, 2);
        b.PowerProgram();
        b.Erase();
        EXPECT_EQ(b.ReadBack(), Bytes(b.g.fuseCount, 1)) << "erased cells read 1";
        b.Program(first);
        b.Program(second);
        Bytes both(first.size());
        for (std::size_t i = 0; i < both.size(); ++i) both[i] = first[i] & second[i];
        EXPECT_EQ(b.ReadBack(), both) << name;
        b.Erase();
        b.Program(second);
        EXPECT_EQ(b.ReadBack(), second) << name;
    }
}

TEST(Chip, EraseKeepsThePesAndEraseAllClearsIt) {
    Bench b("GAL16V8");
    b.PowerProgram();
    const Bytes pes = b.Pes();
    int maker = 0;
    for (int j = 0; j < 8; ++j) maker |= pes[24 + j] << j;  // byte 3, least significant bit first
    EXPECT_EQ(maker, 161);
    b.Erase();
    EXPECT_EQ(b.Pes(), pes);
    b.EraseAll();
    EXPECT_EQ(b.Pes(), Bytes(64, 1));
    EXPECT_EQ(b.unit.Socket()->PesBytes(), Bytes(8, 255));
    b.Write(b.g.pesRow, 255, pes);  // what copying a signature does
    EXPECT_EQ(b.Pes(), pes);
}

TEST(Chip, SecuredChipHidesItsArrayButNotItsUes) {
    Bench b("GAL16V8");
    Bytes design = RandomFuses(b.g.fuseCount, 5);
    b.PowerProgram();
    b.Erase();
    b.Program(design);
    b.OneByte(b.g.securityRow, 255, b.g.securityBit, b.pulse);
    EXPECT_TRUE(b.unit.Socket()->Secured());
    const Bytes read = b.ReadBack();
    for (int i = 0; i < b.g.fuseCount; ++i) {
        const bool ues = i >= b.g.uesFuse && i < b.g.uesFuse + 64;
        ASSERT_EQ(read[i], ues ? design[i] : 0) << "fuse " << i;
    }
    b.Erase();
    EXPECT_FALSE(b.unit.Socket()->Secured());
}

TEST(Chip, PowerDownCellOfTheCParts) {
    for (const char* name : {"ATF16V8C", "ATF22V10C"}) {
        Bench b(name);
        b.PowerProgram();
        b.Erase();
        EXPECT_EQ(b.unit.Socket()->Fuses().back(), 1);
        b.OneByte(b.P(59), b.S(59), 0, b.pulse);
        EXPECT_TRUE(b.unit.Socket()->PowerDownDisabled()) << name;
        EXPECT_EQ(b.unit.Socket()->Fuses().size(), static_cast<std::size_t>(b.g.fuseCount + 1));
        EXPECT_EQ(b.unit.Socket()->Fuses().back(), 0);
        b.Erase();
        EXPECT_FALSE(b.unit.Socket()->PowerDownDisabled());
        EXPECT_TRUE(b.unit.FindingTexts().empty());
    }
}

TEST(Chip, ConditioningRowSpanCoversTheArray) {
    Bench b("GAL22V10");
    b.pulse = 1;
    b.PowerProgram();
    b.Erase();
    b.Write(0, 0, Bytes(b.g.rowBits, 0), 0, b.g.rowCount);
    const Bytes read = b.ReadBack();
    for (int i = 0; i < b.g.rowCount * b.g.rowBits; ++i) ASSERT_EQ(read[i], 0) << i;
    EXPECT_EQ(read[b.g.uesFuse], 1) << "the UES row is not part of the span";
    EXPECT_EQ(b.unit.Physical().pulseUs, 44 * 1000);
}

TEST(Checker, FlagsWhatWouldHarmOrMisleadAChip) {
    struct Case {
        const char* what;
        std::vector<Bytes> packets;
        const char* finding;
    };
    const Case cases[] = {
        {"write in the read form", {{1, 7, 180, 213, 0, 20, 0}, {7, 11, 1, 63, 255, 0, 0, 100, 0, 0, 1}},
         "Write without program-form power"},
        {"write with the socket off", {{7, 11, 1, 63, 255, 0, 0, 100, 0, 0, 1}}, "Write without program-form power"},
        {"VPP too high", {{1, 8, 180, 60, 0, 20, 1, 213}}, "VPP setting 60"},
        {"VCC too high", {{1, 7, 220, 213, 0, 20, 0}}, "VCC setting 220"},
        {"missing row", {{1, 7, 180, 213, 0, 20, 0}, {5, 8, 64, 40, 255, 0, 0, 0}}, "which the GAL16V8 does not have"},
        {"length byte", {{1, 7, 180, 213, 0, 20, 0}, {5, 8, 60, 5, 255, 0, 0, 0}}, "Read of 60 bits from a row of 64"},
        {"write length", {{1, 8, 180, 103, 0, 20, 1, 213}, {7, 14, 64, 5, 255, 0, 0, 10, 0, 0, 0, 0, 0, 0}},
         "Write of length 14 for 64 bits"},
        {"short erase", {{1, 8, 180, 103, 0, 20, 1, 213}, {7, 11, 1, 63, 255, 0, 0, 12, 0, 0, 1}}, "erase of 12 ms"},
        {"unknown command", {{9, 2}}, "unknown command 9"},
    };
    for (const auto& c : cases) {
        Bench b("GAL16V8");
        for (const auto& p : c.packets) b.Send(p);
        const auto texts = b.unit.FindingTexts();
        ASSERT_EQ(texts.size(), 1u) << c.what;
        EXPECT_NE(texts[0].find(c.finding), std::string::npos) << c.what << ": " << texts[0];
    }
}

TEST(Checker, RefusedWritesLeaveTheChipAlone) {
    Bench b("GAL16V8");
    b.PowerRead();
    b.Write(5, 255, Bytes(64, 0));
    b.PowerProgram();
    EXPECT_EQ(b.Read(5, 255, 64), Bytes(64, 1));
    EXPECT_TRUE(b.unit.SocketPowered());
    b.unit.NoteSequenceEnd();
    EXPECT_NE(b.unit.FindingTexts().back().find("socket powered"), std::string::npos);
}

TEST(Checker, GarbageFromTheHostIsAnsweredAndFlaggedNeverTrusted) {
    for (const char* name : {"GAL16V8", "GAL6001", "ATF22V10C"}) {
        Unit unit(Transport::Pty);
        unit.SetTimingModel(false);
        unit.Insert(MakeChip(name));
        std::mt19937 rng(11);
        std::size_t replies = 0;
        for (int i = 0; i < 3000; ++i) {
            Bytes p(2 + rng() % 200);
            for (auto& b : p) b = static_cast<std::uint8_t>(rng());
            p[0] = static_cast<std::uint8_t>(std::array<int, 6>{1, 2, 3, 5, 7, 9}[rng() % 6]);
            p[1] = static_cast<std::uint8_t>(p.size());
            unit.Receive(p.data(), static_cast<int>(p.size()), 0);
            const auto out = unit.TakeAll();
            replies += !out.empty() && out.back().value == p[0];
        }
        EXPECT_EQ(replies, 3000u) << name;
        EXPECT_FALSE(unit.Findings().empty());
    }
}

}  // namespace
}  // namespace vostrel::sim::test
