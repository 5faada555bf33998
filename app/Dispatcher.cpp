#include "app/Dispatcher.h"

#include <string>

#include "app/Log.h"
#include "app/Startup.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "compile/Compile.h"
#include "device/Pinout.h"
#include "fuses/FileSelection.h"
#include "fuses/Jedec.h"
#include "programmer/DeviceOperations.h"

#ifndef VOSTREL_BUILD_DATE
#define VOSTREL_BUILD_DATE "00.00.0000"
#endif

namespace vostrel {

namespace {

enum CommandId : int {
    MenuOpen = 16,
    MenuSaveAs = 17,
    MenuSetUes = 19,
    MenuCopyPes = 20,
    MenuDisablePowerDown = 21,
    MenuEnableSecurity = 22,
    MenuConditioning = 23,
    MenuSupplyTest = 24,
    MenuAbout = 25,
    MenuSupportedDevices = 26,
    ButtonOpen = 27,
    ButtonSave = 28,
    ButtonCompile = 29,
    ButtonRead = 30,
    ButtonProgram = 31,
    ButtonVerify = 32,
    ButtonErase = 33,
    ButtonInfo = 34,
};

constexpr int kOpenMode = 0;
constexpr int kJedecPattern = 0;
constexpr int kAbelPattern = 1;

constexpr const char* kSupportedDevices =
    "GAL16V8\r\nGAL18V10\r\nGAL20V8\r\nGAL20XV10\r\nGAL20RA10\r\nGAL22V10\r\n"
    "ATF16V8\r\nATF20V8\r\nATF22V10\r\nGAL26V12\r\nGAL26CV12\r\nGAL6001 (GAL39V18)\r\nGAL6002";

void OpenCommand(RunState& state) {
    state.currentDesignPath = SelectFile(state, kOpenMode, kJedecPattern, "");
    OpenJedecFile(state, state.currentDesignPath);
}

void CompileCommand(RunState& state) {
    const std::string design = SelectFile(state, kOpenMode, kAbelPattern, "");
    // A cancelled dialog or a failed compile keeps the design the user had before.
    if (CompileAbel(state, design) != 1) return;
    state.currentDesignPath = design;
    // The compiler left its fuse file beside the design, under the design's base name.
    OpenJedecFile(state, DesignBase(design) + ".jed");
    ShowDesignDocumentation(state);
}

void ReadCommand(RunState& state) {
    // Whatever the chip turns out to hold, it is no longer the design that was opened.
    state.currentDesignPath.clear();
    ReadOrVerifyDevice(state, false, true);
}

void InfoCommand(RunState& state) {
    ShowDesignDocumentation(state);
    DrawPinout(state);
}

}  // namespace

void DispatchCommand(RunState& state, int id) {
    switch (id) {
        case MenuOpen:
        case ButtonOpen: OpenCommand(state); break;
        case MenuSaveAs:
        case ButtonSave: SaveJedecFile(state); break;
        case MenuSetUes: EditUes(state); break;
        case MenuCopyPes: CopyPes(state); break;
        case MenuDisablePowerDown: SetDeviceFeature(state, PowerDownOff); break;
        case MenuEnableSecurity: SetDeviceFeature(state, Security); break;
        case MenuConditioning: ConditionDevice(state); break;
        case MenuSupplyTest: RunSupplyTest(state); break;
        case MenuAbout:
            state.window.MessageBox("Vostrel", std::string("Version 1.1\r\nBuilt: ") + VOSTREL_BUILD_DATE);
            break;
        case MenuSupportedDevices: state.window.MessageBox("Devices", kSupportedDevices); break;
        case ButtonCompile: CompileCommand(state); break;
        case ButtonRead: ReadCommand(state); break;
        case ButtonProgram: ProgramDevice(state); break;
        case ButtonVerify: ReadOrVerifyDevice(state, true, true); break;
        case ButtonErase: EraseDevice(state, false); break;
        case ButtonInfo: InfoCommand(state); break;
        default: break;
    }
    WriteLog(state, state.linkFailure != 0 ? "-- aborted --" : ">>> done <<<", LogInfo);
}

bool RunCommandEvent(RunState& state, int id) {
    state.linkFailure = 0;
    DispatchCommand(state, id);
    return ResetAfterLinkFailure(state);
}

}  // namespace vostrel
