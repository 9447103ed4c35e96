#include "tools/r3aztex/image_io/file_io.h"

#include "tools/common/atomic_file.h"
#include "tools/r3aztex/tool_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace r3aztex {
namespace {

std::string SystemReason() { return std::strerror(errno); }

// Closes a descriptor on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    // Closes now, reporting the result (a delayed write error shows here).
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Every byte the descriptor gives until its end.
std::vector<BYTE> ReadAll(int fd, const std::string& name)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw FileError(ExitCode::FileAccess, name, "cannot read: " + SystemReason());
    if (S_ISDIR(status.st_mode))
        throw FileError(ExitCode::FileAccess, name, "is a directory");
    std::vector<BYTE> bytes;
    if (S_ISREG(status.st_mode))
        bytes.reserve(static_cast<size_t>(status.st_size));
    BYTE chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(ExitCode::FileAccess, name, "cannot read: " + SystemReason());
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

// Writes every byte; false (errno set) on failure.
bool WriteAll(int fd, std::span<const BYTE> bytes)
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

} // namespace

std::string DisplayName(const std::string& path) { return path == kStandardStream ? "standard input" : path; }

std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    if (path == kStandardStream)
        return ReadAll(STDIN_FILENO, DisplayName(path));
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw FileError(ExitCode::FileAccess, path, "cannot open: " + SystemReason());
    return ReadAll(file.Get(), path);
}

void WriteFileAtomically(const std::string& path, std::span<const BYTE> bytes)
{
    // The shared writer names its temporary without the target's name, so
    // an output named up to the file system's limit still converts, and
    // removes it when the run is interrupted.
    std::string reason;
    if (!tools::WriteFileAtomically(path, bytes, reason))
        throw FileError(ExitCode::FileAccess, path, reason);
}

void WriteOutputFile(const std::string& path, std::span<const BYTE> bytes)
{
    if (path != kStandardStream) {
        WriteFileAtomically(path, bytes);
        return;
    }
    if (::isatty(STDOUT_FILENO) == 1)
        throw ToolError(ExitCode::CommandLine, "will not write binary data to a terminal: redirect standard output");
    if (!WriteAll(STDOUT_FILENO, bytes))
        throw ToolError(ExitCode::FileAccess, "standard output: cannot write: " + SystemReason());
}

} // namespace r3aztex
