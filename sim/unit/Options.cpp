#include "sim/unit/Options.h"

#include <algorithm>

#include "platform/PortNames.h"

namespace vostrel::unit {

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *into = argv[++i];
            return true;
        };
        std::string fault;
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--port") {
            if (!value(&options->port)) return false;
            if (platform::ParseComName(options->port) < 0) {
                *error = "--port takes COM0 to COM32, not \"" + options->port + "\"";
                return false;
            }
        } else if (arg == "--chip") {
            if (!value(&options->chip)) return false;
        } else if (arg == "--load") {
            if (!value(&options->loadPath)) return false;
        } else if (arg == "--timing") {
            options->timing = true;
        } else if (arg == "--fault") {
            if (!value(&fault)) return false;
            // "silent=3" reads better on a command line; the channel takes "silent 3".
            std::replace(fault.begin(), fault.end(), '=', ' ');
            options->faults.push_back(fault);
        } else if (arg == "--banner") {
            if (!value(&options->banner)) return false;
        } else if (arg == "--control") {
            if (!value(&options->controlPath)) return false;
        } else if (arg == "--send") {
            if (!value(&options->send)) return false;
        } else {
            *error = "unknown option \"" + arg + "\" (see --help)";
            return false;
        }
    }
    return true;
}

std::string DefaultControlPath(const std::string& runtimeDir, const std::string& port) {
    return runtimeDir + "/vostrel/unit-" + port + ".ctl";
}

}  // namespace vostrel::unit
