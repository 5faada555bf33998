// vostrel-unit: the simulated programmer unit on a pseudo-terminal, or a client of a running one.

#include <iostream>
#include <string>

#include "sim/unit/Daemon.h"
#include "sim/unit/Options.h"

int main(int argc, char** argv) {
    vostrel::unit::Options options;
    std::string error;
    if (!vostrel::unit::ParseOptions(argc, argv, &options, &error)) {
        std::cerr << "vostrel-unit: " << error << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << vostrel::unit::HelpText();
        return 0;
    }
    if (!options.send.empty()) return vostrel::unit::RunClient(options);
    return vostrel::unit::RunDaemon(options);
}
