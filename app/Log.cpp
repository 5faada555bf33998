#include "app/Log.h"

#include "app/RunState.h"
#include "app/WindowServices.h"

namespace vostrel {

void WriteLog(RunState& state, const std::string& text, int kind) {
    if (kind == LogWarning) {
        state.window.AppendLine(Pane::Log, "WARNING!");
    } else if (kind == LogError) {
        state.window.AppendLine(Pane::Log, "ERROR!");
    }
    state.window.AppendLine(Pane::Log, text);
    state.window.ScrollLogToEnd();
    state.window.ServiceEvents();
}

std::vector<std::string> SplitPaneLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    return lines;
}

}  // namespace vostrel
