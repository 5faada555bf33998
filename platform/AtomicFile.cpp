#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vostrel {
namespace {

std::int64_t g_writeFault = -1;

// Writes everything or answers false; a fault armed for tests counts against the bytes written.
bool WriteAll(int fd, std::string_view bytes, std::int64_t fault) {
    std::int64_t written = 0;
    while (!bytes.empty()) {
        std::size_t chunk = bytes.size();
        if (fault >= 0) {
            if (written >= fault) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(fault - written));
        }
        const ssize_t n = ::write(fd, bytes.data(), chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        written += n;
    }
    return true;
}

// The rename itself is only durable once the folder's entry is on the disk; a folder that cannot be
// synced (some network file systems) still holds a complete file, so a failure here is not reported.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void InjectFileWriteFault(std::int64_t failAfterBytes) { g_writeFault = failAfterBytes; }

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    const std::int64_t fault = g_writeFault;
    g_writeFault = -1;
    if (path.empty()) return false;
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // Saving through a link updates the file it names instead of replacing the link.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    mode_t mode = 0666;
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing) mode = old.st_mode & 07777;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) +
               ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return false;
    // The creation mode passed through the umask; a replaced file keeps exactly the bits it had.
    bool ok = !replacing || ::fchmod(fd, mode) == 0;
    ok = ok && WriteAll(fd, bytes, fault);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

}  // namespace vostrel
