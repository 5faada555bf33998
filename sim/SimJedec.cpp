#include "sim/SimJedec.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vostrel::sim {
namespace {

constexpr long kMaxFuses = 100000;  // far above any GAL: a guard against absurd QF fields
constexpr std::size_t kMaxFileBytes = 4 << 20;

bool ParseNumber(const std::string& s, std::size_t& pos, long& value, int base = 10) {
    while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
    long v = 0;
    std::size_t start = pos;
    while (pos < s.size() && std::isxdigit(static_cast<unsigned char>(s[pos]))) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[pos])));
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'A' + 10;
        if (d >= base) break;
        v = v * base + d;
        if (v > 100000000) return false;
        ++pos;
    }
    value = v;
    return pos > start;
}

std::string Hex4(unsigned v) {
    char buf[16];  // room for any unsigned, so no compiler has to prove the mask keeps it to four
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

}  // namespace

std::uint16_t FuseChecksum(const std::vector<std::uint8_t>& fuses) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < fuses.size(); i += 8) {
        unsigned byte = 0;
        for (std::size_t j = 0; j < 8 && i + j < fuses.size(); ++j) byte |= (fuses[i + j] ? 1u : 0u) << j;
        sum += byte;
    }
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

bool ParseJedec(const std::string& raw, JedecData& data, std::string& error) {
    // The fields lie between STX and ETX; text before STX is a comment.
    std::string text = raw;
    if (auto stx = text.find('\x02'); stx != std::string::npos) text = text.substr(stx + 1);
    if (auto etx = text.find('\x03'); etx != std::string::npos) text.resize(etx);

    long count = -1;
    int defaultState = -1;
    bool haveChecksum = false;
    long checksum = 0;
    struct Run {
        long first;
        std::string bits;
    };
    std::vector<Run> runs;
    bool secured = false;

    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        std::size_t end = text.find('*', start);
        if (end == std::string::npos) end = text.size();
        std::string field = text.substr(start, end - start);
        start = end + 1;
        std::size_t p = 0;
        while (p < field.size() && std::isspace(static_cast<unsigned char>(field[p]))) ++p;
        if (first) {  // the design header, free text
            first = false;
            continue;
        }
        if (p >= field.size()) continue;
        const char key = field[p++];
        long v = 0;
        if (key == 'Q' && p < field.size() && field[p] == 'F') {
            ++p;
            if (!ParseNumber(field, p, v) || v <= 0 || v > kMaxFuses) {
                error = "bad QF field";
                return false;
            }
            count = v;
        } else if (key == 'F') {
            if (!ParseNumber(field, p, v) || v > 1) {
                error = "bad F field";
                return false;
            }
            defaultState = static_cast<int>(v);
        } else if (key == 'G') {
            if (ParseNumber(field, p, v)) secured = v != 0;
        } else if (key == 'L') {
            if (!ParseNumber(field, p, v)) {
                error = "L field without an address";
                return false;
            }
            Run run{v, {}};
            for (; p < field.size(); ++p) {
                const char c = field[p];
                if (c == '0' || c == '1') run.bits.push_back(c);
                else if (!std::isspace(static_cast<unsigned char>(c))) {
                    error = std::string("L").append(std::to_string(v)) + " holds '" + std::string(1, c) + "'";
                    return false;
                }
            }
            runs.push_back(std::move(run));
        } else if (key == 'C') {
            if (!ParseNumber(field, p, checksum, 16)) {
                error = "bad C field";
                return false;
            }
            haveChecksum = true;
        }
    }
    if (count < 0) {
        error = "no QF field";
        return false;
    }
    if (defaultState < 0 && runs.empty()) {
        error = "neither F nor L fields";
        return false;
    }
    std::vector<std::uint8_t> fuses(static_cast<std::size_t>(count), defaultState == 1 ? 1 : 0);
    for (const auto& run : runs) {
        if (run.first + static_cast<long>(run.bits.size()) > count) {
            error = std::string("L").append(std::to_string(run.first)) + " runs past fuse " + std::to_string(count - 1);
            return false;
        }
        for (std::size_t i = 0; i < run.bits.size(); ++i)
            fuses[static_cast<std::size_t>(run.first) + i] = run.bits[i] == '1';
    }
    if (haveChecksum && FuseChecksum(fuses) != static_cast<std::uint16_t>(checksum)) {
        error = "fuse checksum " + Hex4(static_cast<unsigned>(checksum)) + " does not match the fuses (" +
                Hex4(FuseChecksum(fuses)) + ")";
        return false;
    }
    data.fuses = std::move(fuses);
    data.secured = secured;
    return true;
}

std::string FormatJedec(const JedecData& data, const std::string& device, int pinCount) {
    std::ostringstream out;
    out << '\x02' << "Vostrel unit dump\r\nDEVICE " << device << "*\r\n";
    out << "QP" << pinCount << "*\r\nQF" << data.fuses.size() << "*\r\nG" << (data.secured ? 1 : 0)
        << "*\r\nF0*\r\n";
    constexpr std::size_t kPerLine = 32;
    for (std::size_t i = 0; i < data.fuses.size(); i += kPerLine) {
        char addr[32];
        std::snprintf(addr, sizeof addr, "L%05zu ", i);
        out << addr;
        for (std::size_t j = i; j < i + kPerLine && j < data.fuses.size(); ++j) out << (data.fuses[j] ? '1' : '0');
        out << "*\r\n";
    }
    out << 'C' << Hex4(FuseChecksum(data.fuses)) << "*\r\n" << '\x03';
    const std::string body = out.str();
    unsigned transmission = 0;
    for (unsigned char c : body) transmission += c;
    return body + Hex4(transmission) + "\r\n";
}

bool ReadJedecFile(const std::string& path, JedecData& data, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            error = path + " is too large for a fuse file";
            return false;
        }
    }
    if (!ParseJedec(text, data, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteJedecFile(const std::string& path, const JedecData& data, const std::string& device, int pinCount,
                    std::string& error) {
    // Written beside the target and renamed over it, so a failed write leaves the old file whole.
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + path;
            return false;
        }
        out << FormatJedec(data, device, pinCount);
        out.flush();
        if (!out) {
            error = "cannot write " + path;
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace vostrel::sim
