#include "platform/PortNames.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vostrel::platform {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// lstat: a map entry counts even when its target is gone; opening it will then fail, which is the
// same answer a missing port gets.
bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool DeviceExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string UserName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr && *pw->pw_name)
        return pw->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr && *user) return user;
    return std::to_string(::geteuid());
}

}  // namespace

int ParseComName(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return -1;
    const std::string digits = name.substr(3);
    if (digits.size() > 1 && digits[0] == '0') return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n <= kLastComPort ? n : -1;
}

std::string RuntimeDir() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir != nullptr && *dir) return dir;
    return "/tmp/runtime-" + UserName();
}

std::string PortMapDir(const std::string& runtimeDir) { return runtimeDir + "/vostrel/ports"; }

PortMapEnv PortMapEnv::FromEnvironment() {
    PortMapEnv env;
    env.runtimeDir = RuntimeDir();
    return env;
}

std::string ResolveComPort(int n, const PortMapEnv& env) {
    if (n < kFirstComPort || n > kLastComPort) return {};
    const std::string number = std::to_string(n);
    const std::string mapDir = PortMapDir(env.runtimeDir);
    if (!env.runtimeDir.empty() && IsDirectory(mapDir)) {
        const std::string entry = mapDir + "/COM" + number;
        return EntryExists(entry) ? entry : std::string{};
    }
    for (const char* stem : {"/ttyUSB", "/ttyACM"}) {
        const std::string path = env.devDir + stem + number;
        if (DeviceExists(path)) return path;
    }
    return {};
}

}  // namespace vostrel::platform
