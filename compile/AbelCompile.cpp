#include "compile/Compile.h"

#include <filesystem>
#include <fstream>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "compile/TextLines.h"
#include "platform/Process.h"

namespace vostrel {

namespace fs = std::filesystem;

namespace {

// The emulator's set-up runs the compiler on this one name; the design is copied in under it.
constexpr const char* kWorkName = "abelcpl";
// How often the window is serviced while the emulator runs.
constexpr int kServiceEveryMs = 15;

enum class CopyResult { Done, ReadFailed, WriteFailed };

// Writes through a temporary file and renames it over the working design, so that a design chosen
// from the working folder itself is read before it is replaced, and a failed write leaves no
// half-written working design behind.
CopyResult WriteWorkingDesign(TextLineReader& design, const std::string& target) {
    const std::string temporary = target + ".part";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return CopyResult::WriteFailed;

    auto put = [&out](const std::string& line) { out << line << "\r\n"; };
    std::string line;
    std::size_t at = 0;
    bool more = false;
    // Everything up to and including the module line is dropped; the module takes the work name.
    while ((more = design.Next(line)) && !FindNoCase(line, "MODULE", at)) {
    }
    if (more) {
        put(std::string("MODULE ") + kWorkName);
        // The device line takes the work name too; what follows the word DEVICE stays.
        while ((more = design.Next(line)) && !FindNoCase(line, "DEVICE", at)) put(line);
        if (more) put(std::string(kWorkName) + " DEVICE" + line.substr(at + 6));
        while (design.Next(line)) put(line);
    }
    out.close();

    std::error_code error;
    if (!out || (fs::rename(temporary, target, error), error)) {
        fs::remove(temporary, error);
        return CopyResult::WriteFailed;
    }
    return CopyResult::Done;
}

// Copies through a temporary file beside the target, so an older file there stays whole when the
// copy fails half-way. A design inside the working folder has its outputs there already.
bool CopyOutput(const std::string& from, const std::string& to) {
    std::error_code error;
    if (!fs::is_regular_file(from, error)) return false;
    if (fs::equivalent(from, to, error)) return true;
    const std::string temporary = to + ".part";
    if (!fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error)) {
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, to, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

int CompileAbel(RunState& state, const std::string& designPath) {
    if (designPath.empty()) return 0;

    std::error_code error;
    std::string emulatorDir = fs::current_path(error).string();
    if (!error && (emulatorDir.empty() || emulatorDir.back() != '/')) emulatorDir += '/';
    emulatorDir += "vDosPlus/";
    const std::string work = emulatorDir + "abel/" + kWorkName;

    TextLineReader design;
    if (!design.Open(designPath)) {
        WriteLog(state, "ERROR: Can't open ABEL design file!", LogInfo);
        return 0;
    }
    // Without a current directory there is no emulator folder to copy into.
    if (error || WriteWorkingDesign(design, work + ".abl") != CopyResult::Done) {
        WriteLog(state, "ERROR: Can't duplicate ABEL design file!", LogInfo);
        return 0;
    }

    // Whatever is found after the run must come from this run.
    for (const char* extension : {".out", ".jed", ".doc", ".sim"}) fs::remove(work + extension, error);

    // A compile takes a while: keep painting meanwhile, but commands and closing stay dropped.
    if (!RunAndWait(emulatorDir + "vDosPlus.exe", {}, emulatorDir, [&state] { state.window.ServiceEvents(); },
                    kServiceEveryMs)) {
        WriteLog(state, "ERROR: Can't start vDosPlus", LogInfo);
        return 0;
    }

    TextLineReader listing;
    if (!listing.Open(work + ".out")) {
        WriteLog(state, "ERROR: Can't open compiler output file!", LogInfo);
        return 0;
    }
    state.window.ClearPane(Pane::Log);
    std::string line;
    while (listing.Next(line)) state.window.AppendLine(Pane::Log, line);

    const std::string base = DesignBase(designPath);
    CopyOutput(work + ".out", base + ".out");
    CopyOutput(work + ".doc", base + ".doc");
    CopyOutput(work + ".sim", base + ".sim");
    return CopyOutput(work + ".jed", base + ".jed") ? 1 : 0;
}

}  // namespace vostrel
