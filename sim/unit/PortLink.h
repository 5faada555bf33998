#pragma once
// The unit's entry in the port map: <runtime dir>/vostrel/ports/COMn -> the pty the unit serves.
// While a PortLink is claimed, a lock file says that COMn is taken, so a second unit on the same name
// refuses to start instead of stealing the port; a link left by a unit that died is replaced.

#include <string>

#include "platform/DaemonSupport.h"

namespace vostrel::unit {

class PortLink {
public:
    PortLink(std::string runtimeDir, std::string portName);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    // Makes the folders as needed and takes the port name. False with the reason in *error.
    bool Claim(std::string* error);
    // Points COMn at target (replacing our earlier link). False with the reason in *error.
    bool Link(const std::string& target, std::string* error);
    // Removes our link, if it is still ours.
    void Unlink();
    // Unlink, give up the name, and remove the folders we leave empty.
    void Release();

    const std::string& entryPath() const { return entry_; }
    const std::string& vostrelDir() const { return vostrelDir_; }

private:
    std::string runtimeDir_;
    std::string portName_;
    std::string vostrelDir_;
    std::string portsDir_;
    std::string entry_;
    std::string linkedTo_;
    bool createdVostrelDir_ = false;
    bool claimed_ = false;
    platform::FileLock lock_;
};

}  // namespace vostrel::unit
