#include "compile/Compile.h"

#include "app/Log.h"
#include "app/RunState.h"
#include "compile/TextLines.h"

namespace vostrel {

namespace {

// How the compiler draws the chip's edges in its documentation file.
constexpr const char* kTopMarker = "|           -----           |";
constexpr const char* kEmptyRowMarker = "|                           |";
constexpr const char* kBottomMarker = "`---";

// The redrawn edges, indented to stand over the drawing's body.
const std::string kIndent(25, ' ');
constexpr const char* kTopLine1 = " ___________     ___________";
constexpr const char* kTopLine2 = "|           \\___/           |";
constexpr const char* kBottomLine = "|___________________________|";

}  // namespace

void ShowDesignDocumentation(RunState& state) {
    if (state.currentDesignPath.empty()) return;
    TextLineReader doc;
    if (!doc.Open(DesignBase(state.currentDesignPath) + ".doc")) return;

    std::string line;
    while (doc.Next(line) && line.find(kTopMarker) == std::string::npos) {
    }
    WriteLog(state, kIndent + kTopLine1, LogInfo);
    WriteLog(state, kIndent + kTopLine2, LogInfo);
    while (doc.Next(line)) {
        if (line.find(kBottomMarker) != std::string::npos) {
            WriteLog(state, kIndent + kBottomLine, LogInfo);
            break;
        }
        if (line.find(kEmptyRowMarker) == std::string::npos) WriteLog(state, line, LogInfo);
    }
}

}  // namespace vostrel
