#include <cstdio>
#include <ctime>
#include <string>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "fuses/FileSelection.h"
#include "fuses/Jedec.h"
#include "platform/AtomicFile.h"

namespace vostrel {
namespace {

std::string DateLine() {
    const std::time_t now = std::time(nullptr);
    char text[64] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(text, sizeof text, "%d/%m/%Y  %H:%M:%S", local);
    }
    return std::string("CREATED DATE: ") + text;
}

}  // namespace

std::string JedecFileText(const RunState& state) {
    const std::string eol = "\r\n";
    std::string out;
    out += '\x02' + eol;
    out += "This is a JEDEC compatible fuse file." + eol;
    out += "CREATED BY: Vostrel" + eol;
    out += DateLine() + eol;
    out += "*QF" + std::to_string(state.viewFuseCount) + "* F0* G0* " + eol;

    // The rows come from the view, which is what the user saw; rows of only 0 are implied by F0.
    const WindowServices& window = state.window;
    const int rows = window.FuseLineCount();
    for (int i = 0; i < rows; ++i) {
        const std::string row = window.FuseLine(i);
        const auto blank = row.find(' ');
        if (blank == std::string::npos) continue;
        const auto fusesEnd = row.find(' ', blank + 1);
        if (row.substr(blank + 1, fusesEnd - blank - 1).find('1') != std::string::npos) {
            out += row + "*" + eol;
        }
    }

    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "C%04X*", JedecChecksum(state, state.loadedFuseCount));
    out += checksum + eol;
    out += '\x03' + eol;
    return out;
}

void SaveJedecFile(RunState& state) {
    const std::string path = SelectFile(state, 1, 0, "");
    if (path.empty()) return;
    // The old file is replaced only by a complete new one: a full disk or a vanished folder must not
    // leave the user with half a file where a good one stood.
    if (!ReplaceFileContents(path, JedecFileText(state))) {
        WriteLog(state, "Can't access file", LogError);
    }
}

}  // namespace vostrel
