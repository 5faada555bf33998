#pragma once
// vostrel-unit's command line.

#include <string>
#include <vector>

namespace vostrel::unit {

struct Options {
    std::string port = "COM0";
    std::string chip;               // empty: a GAL16V8 holding the built-in design
    std::string loadPath;           // JEDEC file for the chip in the socket
    bool timing = false;
    std::vector<std::string> faults;  // each as the control channel's "fault" takes it: "silent 3"
    std::string banner;             // banner fault as the control channel's "banner" takes it
    std::string controlPath;        // empty: <runtime dir>/vostrel/unit-<port>.ctl
    std::string send;               // client mode: the command to send
    bool help = false;
};

// False with a message in *error for an unknown option, a missing value or a bad port name.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);
std::string HelpText();
std::string DefaultControlPath(const std::string& runtimeDir, const std::string& port);

}  // namespace vostrel::unit
