// Which device a COMn name reaches. Every case builds its own runtime dir and its own stand-in /dev,
// so nothing here looks at the machine's serial ports.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/OfflineBench.h"

using vostrel::test::ScratchDir;
#include "platform/PortNames.h"

namespace fs = std::filesystem;
using vostrel::platform::ParseComName;
using vostrel::platform::PortMapEnv;
using vostrel::platform::ResolveComPort;

namespace {

void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p).put('\n');
}

}  // namespace

TEST(PortNames, ParsesOnlyTheProgramsOwnNames) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"COM0", 0}, {"COM5", 5}, {"COM32", 32}, {"COM33", -1}, {"COM05", -1}, {"COM", -1},
        {"com1", -1}, {"COM-1", -1}, {"COM1 ", -1}, {"COM100", -1}, {"", -1}, {"XCOM1", -1},
    };
    for (const auto& [name, want] : cases) EXPECT_EQ(ParseComName(name), want) << '"' << name << '"';
}

struct ResolveCase {
    const char* what;
    bool mapFolder;
    std::vector<std::string> mapEntries;  // names linked to dev/<name> inside the map
    std::vector<std::string> devNodes;    // files made in the stand-in /dev
    int port;
    std::string want;                     // relative to the scratch dir, "" = no port
};

TEST(PortNames, ResolvesThroughTheMapOrTheUsbDevices) {
    const std::vector<ResolveCase> cases = {
        {"map entry wins over a USB adapter", true, {"COM1"}, {"ttyUSB1"}, 1, "run/vostrel/ports/COM1"},
        {"map without the entry hides the USB adapter", true, {"COM0"}, {"ttyUSB1"}, 1, ""},
        {"empty map folder: no ports at all", true, {}, {"ttyUSB0", "ttyACM0"}, 0, ""},
        {"map reaches a legacy UART", true, {"COM1"}, {"ttyS1"}, 1, "run/vostrel/ports/COM1"},
        {"dangling map entry still names the port", true, {"COM2"}, {}, 2, "run/vostrel/ports/COM2"},
        {"no map: USB adapter", false, {}, {"ttyUSB3", "ttyACM3"}, 3, "dev/ttyUSB3"},
        {"no map: CDC board when no USB adapter", false, {}, {"ttyACM3"}, 3, "dev/ttyACM3"},
        {"no map: legacy UART never", false, {}, {"ttyS0", "ttyS1"}, 0, ""},
        {"no map: other number's device does not count", false, {}, {"ttyUSB1"}, 0, ""},
        {"out of range", false, {}, {"ttyUSB33"}, 33, ""},
        {"negative", false, {}, {"ttyUSB0"}, -1, ""},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const fs::path dev = dir.path() / "dev";
        const fs::path map = dir.path() / "run/vostrel/ports";
        fs::create_directories(dev);
        fs::create_directories(dir.path() / "run");
        for (const auto& node : c.devNodes) Touch(dev / node);
        if (c.mapFolder) fs::create_directories(map);
        for (const auto& entry : c.mapEntries) {
            const std::string target = entry == "COM1" && !c.devNodes.empty() ? c.devNodes[0] : "gone";
            fs::create_symlink(dev / target, map / entry);
        }
        PortMapEnv env;
        env.runtimeDir = (dir.path() / "run").string();
        env.devDir = dev.string();
        const std::string want = c.want.empty() ? "" : (dir.path() / c.want).string();
        EXPECT_EQ(ResolveComPort(c.port, env), want) << c.what;
    }
}
