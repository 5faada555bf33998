#pragma once
// Byte texts: files, signatures and banners carry one character per byte (0 .. 255, the upper half
// Latin-1); panes and boxes take UTF-8.

#include <cstdint>
#include <string>

namespace vostrel {

// Appends the character whose code is byte (0 .. 255) as UTF-8.
inline void AppendLatin1(std::string& text, std::uint8_t byte) {
    if (byte < 0x80) {
        text.push_back(static_cast<char>(byte));
    } else {
        text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
        text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
}

}  // namespace vostrel
