#include "sim/unit/PortLink.h"

#include <filesystem>
#include <system_error>

#include "platform/PortNames.h"

namespace fs = std::filesystem;

namespace vostrel::unit {

namespace {

// A link into /dev/pts or one whose target is gone was made by a simulated unit; anything else
// is a mapping the user made (a real adapter, a legacy UART) and is not ours to replace.
bool LooksLikeStaleUnitLink(const fs::path& entry) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(entry, ec))) return false;
    const fs::path target = fs::read_symlink(entry, ec);
    if (ec) return false;
    return target.string().rfind("/dev/pts/", 0) == 0 || !fs::exists(entry, ec);
}

}  // namespace

PortLink::PortLink(std::string runtimeDir, std::string portName)
    : runtimeDir_(std::move(runtimeDir)),
      portName_(std::move(portName)),
      vostrelDir_(runtimeDir_ + "/vostrel"),
      portsDir_(platform::PortMapDir(runtimeDir_)),
      entry_(portsDir_ + "/" + portName_) {}

PortLink::~PortLink() { Release(); }

bool PortLink::Claim(std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(runtimeDir_, ec)) {
        // The toolkit's fallback runtime dir is ours to make; a missing $XDG_RUNTIME_DIR is not.
        if (runtimeDir_ != platform::RuntimeDir() || !platform::MakePrivateDir(runtimeDir_)) {
            *error = "runtime dir " + runtimeDir_ + " does not exist";
            return false;
        }
    }
    createdVostrelDir_ = !fs::exists(vostrelDir_, ec);
    if (!platform::MakePrivateDir(vostrelDir_) || !platform::MakePrivateDir(portsDir_)) {
        *error = "cannot create the port map folder " + portsDir_;
        return false;
    }
    if (!lock_.TryLock(vostrelDir_ + "/unit-" + portName_ + ".lock", error)) {
        *error = portName_ + " is already served by another vostrel-unit (" + *error + ")";
        return false;
    }
    claimed_ = true;
    if (fs::symlink_status(entry_, ec).type() != fs::file_type::not_found) {
        if (!LooksLikeStaleUnitLink(entry_)) {
            *error = entry_ + " already maps " + portName_ + " to something else; remove it or choose another --port";
            Release();
            return false;
        }
        fs::remove(entry_, ec);
    }
    return true;
}

bool PortLink::Link(const std::string& target, std::string* error) {
    if (!claimed_) {
        *error = "port not claimed";
        return false;
    }
    // Made beside the entry and renamed over it, so a host scanning the map never sees a half state.
    const std::string temp = entry_ + ".new";
    std::error_code ec;
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (!ec) fs::rename(temp, entry_, ec);
    if (ec) {
        fs::remove(temp, ec);
        *error = "cannot link " + entry_ + " to " + target + ": " + ec.message();
        return false;
    }
    linkedTo_ = target;
    return true;
}

void PortLink::Unlink() {
    if (linkedTo_.empty()) return;
    std::error_code ec;
    if (fs::read_symlink(entry_, ec) == fs::path(linkedTo_)) fs::remove(entry_, ec);
    linkedTo_.clear();
}

void PortLink::Release() {
    Unlink();
    if (!claimed_) return;
    lock_.Release();
    claimed_ = false;
    std::error_code ec;
    // remove() takes a folder only when it is empty: another unit's links keep the map alive.
    fs::remove(portsDir_, ec);
    if (createdVostrelDir_) fs::remove(vostrelDir_, ec);
}

}  // namespace vostrel::unit
