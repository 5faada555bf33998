#include <cstdint>
#include <string>
#include <vector>

#include "app/FuseView.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "fuses/FileSelection.h"

namespace vostrel {
namespace {

// The input box answers UTF-8; the UES stores one byte per character, so the text is taken apart
// into code points first. A byte that starts no valid sequence stands for itself, as in Latin-1.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF5) return 4;
    return 0;
}

std::vector<std::uint32_t> CodePoints(const std::string& text) {
    std::vector<std::uint32_t> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = SequenceLength(lead);
        std::uint32_t cp = length > 1 ? lead & (0x7F >> length) : lead;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(valid ? cp : lead);
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

}  // namespace

void EditUes(RunState& state) {
    WindowServices& window = state.window;
    window.ClearPane(Pane::Log);
    if (window.FuseLineCount() == 0) return;

    const DeviceProfile& p = state.profile;
    const std::string answer =
        window.InputBox("User Electronic Signature (UES)",
                        "Enter new UES [max. " + std::to_string(p.uesBytes) + " alphanumeric digits]",
                        "HALLO1234");
    std::vector<std::uint32_t> text = CodePoints(answer);
    text.resize(p.uesBytes, ' ');

    for (int k = 0; k < p.uesBytes; ++k) {
        const std::uint32_t byte = text[static_cast<std::size_t>(k)] & 0xFF;
        for (int j = 0; j < 8; ++j) {
            const int fuse = p.uesFuse + 8 * k + j;
            if (fuse >= 0 && fuse < kFuseMapSize) {
                state.FuseMap[static_cast<std::size_t>(fuse)] = (byte >> (7 - j)) & 1;
            }
        }
    }
    ShowFuses(state, p.fuseCount);
    WriteLog(state, "->UES changed in data array", LogInfo);
    WriteLog(state, "Click on Save or Programm in order to make the change take effect", LogInfo);
}

}  // namespace vostrel
