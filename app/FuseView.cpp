#include "app/FuseView.h"

#include <algorithm>
#include <cstdio>

#include "app/RunState.h"
#include "app/Text.h"
#include "app/WindowServices.h"

namespace vostrel {

std::string UesText(const RunState& state) {
    const DeviceProfile& p = state.profile;
    std::string text;
    for (int k = 0; k < p.uesBytes; ++k) {
        int byte = 0;
        for (int j = 0; j < 8; ++j) {
            const int fuse = p.uesFuse + 8 * k + j;
            const int bit = (fuse >= 0 && fuse < kFuseMapSize) ? state.FuseMap[fuse] & 1 : 0;
            byte = (byte << 1) | bit;
        }
        AppendLatin1(text, byte == 0 ? ' ' : static_cast<std::uint8_t>(byte));
    }
    return text;
}

void ShowFuses(RunState& state, int n) {
    WindowServices& window = state.window;
    window.ClearPane(Pane::Fuse);
    state.viewFuseCount = n;
    const int w = state.profile.rowCount;
    const int shown = std::min(n, kFuseMapSize);
    if (w > 0 && shown > 0) {
        std::string line;
        for (int start = 0; start < shown; start += w) {
            char label[16];
            std::snprintf(label, sizeof label, "L%05d ", start);
            line = label;
            const int end = std::min(start + w, shown);
            for (int k = start; k < end; ++k) {
                line.push_back(state.FuseMap[k] ? '1' : '0');
            }
            window.AppendLine(Pane::Fuse, line);
        }
    }
    window.SetStatusText(1, "UES: " + UesText(state));
    window.SetStatusText(0, state.profile.name);
}

}  // namespace vostrel
