#include "r3az8/tex/files/file_bytes.h"

#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace r3az8tex {
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

private:
    int fd_;
};

// Reads until `count` bytes are in or the file ends; gives the bytes read.
size_t ReadUpTo(int fd, BYTE* out, size_t count, const std::string& name)
{
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, out + got, count - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(ErrorKind::FileAccess, name, "cannot read: " + SystemReason());
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    return got;
}

[[noreturn]] void RefuseTooLarge(const std::string& name)
{
    throw FileError(ErrorKind::Unsupported, name,
                    "file is larger than any image within the limits needs (" + std::to_string(kMaxInputBytes) +
                        " bytes)");
}

// A pipe or a device is read in blocks this large: malloc maps each on its
// own, so a block freed gives its memory back at once, and one partly
// filled costs only the pages written.
constexpr size_t kBlockBytes = size_t(64) << 20;

// The rest of a file of unknown size after `bytes`, up to kMaxInputBytes.
// It is gathered in blocks and copied once into a buffer of its size,
// freeing each block as it is copied, so the peak is the file and a block.
std::vector<BYTE> ReadStream(int fd, const std::string& name, std::vector<BYTE> bytes)
{
    std::vector<std::unique_ptr<BYTE[]>> blocks;
    uint64_t total = bytes.size();
    size_t lastFill = 0;
    do {
        blocks.push_back(std::make_unique_for_overwrite<BYTE[]>(kBlockBytes));
        lastFill = ReadUpTo(fd, blocks.back().get(), kBlockBytes, name);
        total += lastFill;
        if (total > kMaxInputBytes)
            RefuseTooLarge(name);
    } while (lastFill == kBlockBytes);
    bytes.reserve(size_t(total));
    for (size_t i = 0; i < blocks.size(); ++i) {
        const size_t fill = i + 1 < blocks.size() ? kBlockBytes : lastFill;
        bytes.insert(bytes.end(), blocks[i].get(), blocks[i].get() + fill);
        blocks[i].reset();
    }
    return bytes;
}

// The descriptor's bytes until its end, the first ones checked before the
// rest is read. A regular file is read into one allocation of its size.
std::vector<BYTE> ReadInput(int fd, const std::string& name)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw FileError(ErrorKind::FileAccess, name, "cannot read: " + SystemReason());
    if (S_ISDIR(status.st_mode))
        throw FileError(ErrorKind::FileAccess, name, "is a directory");
    BYTE first[kHeadBytes];
    const size_t firstCount = ReadUpTo(fd, first, sizeof first, name);
    const FileType type = DetectFileType({first, firstCount}, name);
    if (type == FileType::Unknown)
        throw FileError(ErrorKind::Unsupported, name, "not a " + ContainerNamesText() + " file");
    // A file its reader refuses on the first bytes is not read on
    // (`/dev/zero` named x.png or x.tga).
    if (firstCount < sizeof first || ContainerOf(type).refusedOnHead({first, firstCount}))
        return std::vector<BYTE>(first, first + firstCount);
    if (!S_ISREG(status.st_mode))
        return ReadStream(fd, name, std::vector<BYTE>(first, first + firstCount));
    if (uint64_t(status.st_size) > kMaxInputBytes)
        RefuseTooLarge(name);
    // One byte beyond the size, so that the end of an unchanged file is seen
    // without another read into a grown buffer.
    std::vector<BYTE> bytes(std::max(size_t(status.st_size), firstCount) + 1);
    std::copy(first, first + firstCount, bytes.begin());
    bytes.resize(firstCount + ReadUpTo(fd, bytes.data() + firstCount, bytes.size() - firstCount, name));
    if (bytes.size() <= size_t(status.st_size))
        return bytes;
    // The file grew while it was read: the rest as from a pipe.
    return ReadStream(fd, name, std::move(bytes));
}

} // namespace

std::string DisplayName(const std::string& path) { return path == kStandardStream ? "standard input" : path; }

std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    if (path == kStandardStream)
        return ReadInput(STDIN_FILENO, DisplayName(path));
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw FileError(ErrorKind::FileAccess, path, "cannot open: " + SystemReason());
    return ReadInput(file.Get(), path);
}

} // namespace r3az8tex
