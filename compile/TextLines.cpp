#include "compile/TextLines.h"

#include "compile/Compile.h"

#include <filesystem>

namespace vostrel {

namespace {
// ASCII only: the window program runs under the user's locale, where toupper could fold other bytes.
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool TextLineReader::Open(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return false;
    file_.open(path, std::ios::binary);
    first_ = true;
    return file_.is_open();
}

bool TextLineReader::Next(std::string& line) {
    if (!file_.is_open() || !std::getline(file_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first_ && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    first_ = false;
    return true;
}

std::string DesignBase(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return path;
    return path.substr(0, dot);
}

bool FindNoCase(const std::string& text, const std::string& word, std::size_t& position) {
    if (word.empty() || text.size() < word.size()) return false;
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < word.size() && Upper(text[at + i]) == Upper(word[i])) ++i;
        if (i == word.size()) {
            position = at;
            return true;
        }
    }
    return false;
}

}  // namespace vostrel
