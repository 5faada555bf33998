#pragma once
// Line-wise reading of designs and of the compiler's text files.
// Internal to compile/.

#include <fstream>
#include <string>

namespace vostrel {

// Reads a regular file as UTF-8 lines: the bytes pass unchanged, lines end at LF, a CR before the LF
// is dropped (so CR LF files give the same lines as LF files) and so is a byte-order mark in front.
// Devices and pipes are refused: a read from them might never end.
class TextLineReader {
public:
    bool Open(const std::string& path);
    // False at the end of the file.
    bool Next(std::string& line);

private:
    std::ifstream file_;
    bool first_ = true;
};

// True when text holds word, compared without regard to ASCII case; position receives where.
bool FindNoCase(const std::string& text, const std::string& word, std::size_t& position);

}  // namespace vostrel
