#include "fuses/FileSelection.h"

#include <filesystem>
#include <string>

#include "app/FuseView.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/DeviceTable.h"
#include "fuses/Jedec.h"

namespace vostrel {
namespace {

// Fuse count declared by a file -> the device type it selects. Tools write the GAL counts with or
// without the UES and the last architecture fuses, so several counts lead to one type.
struct FuseCountEntry {
    int fuses;
    DeviceCode code;
};
constexpr FuseCountEntry kFuseCountTable[] = {
    // fuses  code        type
    {2194, 0},   {2195, 0},              // GAL16V8
    {2706, 32},  {2707, 32},             // GAL20V8
    {3476, 80},  {3540, 80},             // GAL18V10
    {3210, 96},  {3274, 96},             // GAL20RA10
    {1631, 101}, {1671, 101},            // GAL20XV10
    {5828, 72},  {5892, 72},  {5893, 72},  // GAL22V10
    {6368, 88},  {6432, 88},             // GAL26CV12
    {7848, 93},  {7912, 93},             // GAL26V12C
    {8222, 64},  {8294, 64},             // GAL6001
    {8258, 68},  {8330, 68},             // GAL6002B
};

// Everything up to and including the last separator; "" for a bare name.
std::string DirectoryPart(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StartDirectory(const std::string& remembered) {
    if (!remembered.empty()) return remembered;
    std::error_code ec;
    std::string current = std::filesystem::current_path(ec).string();
    if (ec) return std::string();
    if (current.empty() || current.back() != '/') current += '/';
    return current;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    // A dangling link counts too: saving would replace it.
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::string SaveLoop(RunState& state, int patternIndex, const std::string& defaultName) {
    const std::string start = StartDirectory(state.lastSaveDir);
    for (;;) {
        const FileDialogAnswer answer =
            state.window.SaveFileDialog("Save as", start, defaultName, kFilePatterns, patternIndex);
        std::string name = answer.path;
        if (name.empty()) return name;
        if (answer.patternIndex == 0 && !std::filesystem::path(NamePart(name)).has_extension()) {
            name += ".jed";
        }
        if (!Exists(name)) return name;
        if (state.window.QuestionBox("File already exists", "Replace \"" + NamePart(name) + "\"?")) {
            return name;
        }
    }
}

}  // namespace

std::string SelectFile(RunState& state, int mode, int patternIndex, const std::string& defaultName) {
    if (mode != 1) {
        const FileDialogAnswer answer = state.window.OpenFileDialog(
            "Open", StartDirectory(state.lastOpenDir), kFilePatterns, patternIndex);
        if (!answer.path.empty()) state.lastOpenDir = DirectoryPart(answer.path);
        return answer.path;
    }
    const std::string name = SaveLoop(state, patternIndex, defaultName);
    if (name.empty()) {
        WriteLog(state, "Save canceled", LogInfo);
    } else {
        state.lastSaveDir = DirectoryPart(name);
    }
    return name;
}

void OpenJedecFile(RunState& state, const std::string& path) {
    if (path.empty()) return;
    WindowServices& window = state.window;
    window.ClearPane(Pane::Fuse);
    window.ClearPane(Pane::Log);
    window.SetStatusText(0, "");
    window.SetStatusText(1, "");
    WriteLog(state, "Parsing file: " + NamePart(path), LogInfo);
    WriteLog(state, "Path: " + DirectoryPart(path), LogInfo);

    const int n = ReadJedecFile(state, path);
    if (state.loadedFuseCount == 0) return;

    const FuseCountEntry* match = nullptr;
    for (const auto& entry : kFuseCountTable) {
        if (entry.fuses == n) match = &entry;
    }
    if (match == nullptr || !SelectDevice(state.profile, match->code)) {
        WriteLog(state, std::to_string(n) + " fuses don't match any GAL", LogError);
        return;
    }
    WriteLog(state, std::to_string(n) + " fuses match " + state.profile.name, LogInfo);
    state.loadedFuseCount = state.profile.fuseCount;
    ShowFuses(state, state.profile.fuseCount);
}

}  // namespace vostrel
