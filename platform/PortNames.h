#pragma once
// How the program's port names COM0 .. COM32 find a device on this machine. The port map folder,
// when it exists, is the whole truth: it lets a user reach any tty (a legacy UART, a simulated unit)
// and keeps tests away from the machine's own ports. Without it only USB serial adapters and CDC
// boards are considered, since a legacy UART is often a console that must not receive our BREAKs.

#include <string>

namespace vostrel::platform {

constexpr int kFirstComPort = 0;
constexpr int kLastComPort = 32;

// "COM0" .. "COM32" (decimal, no leading zeros) gives the number; anything else gives -1.
int ParseComName(const std::string& name);

struct PortMapEnv {
    // Where the program keeps its run-time files; the port map is <runtimeDir>/vostrel/ports.
    std::string runtimeDir;
    // Where device nodes live; a test points this at a folder of its own.
    std::string devDir = "/dev";

    // $XDG_RUNTIME_DIR, else /tmp/runtime-<user> (the fallback the window toolkit uses too).
    static PortMapEnv FromEnvironment();
};

std::string RuntimeDir();
std::string PortMapDir(const std::string& runtimeDir);

// The device path of COMn, or "" when the machine has no such port.
std::string ResolveComPort(int n, const PortMapEnv& env);

}  // namespace vostrel::platform
