#include "tools/common/atomic_file.h"

#include "tools/common/temporary_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace tools {
namespace {

bool Fail(const char* what, std::string& reason)
{
    reason = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool WriteAll(int fd, std::span<const uint8_t> bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<size_t>(put);
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& reason)
{
    TemporaryFile file;
    if (!file.Create(FolderOf(path)))
        return Fail("cannot create", reason);
    // A full disk may show only at the close.
    if (!WriteAll(file.Descriptor(), bytes) || !file.Close())
        return Fail("cannot write", reason);
    if (!file.Commit(path))
        return Fail("cannot replace", reason);
    return true;
}

} // namespace tools
