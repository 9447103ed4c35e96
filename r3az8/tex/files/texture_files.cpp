// The calls of r3az8/tex/texture_files.h, over the container rows.
#include "r3az8/tex/texture_files.h"

#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/texture/texture_error.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace r3az8tex {
namespace {

const Container& NamedContainer(const std::string& container)
{
    const Container* found = FindContainer(container);
    if (found == nullptr)
        throw TextureError(ErrorKind::Request,
                           "'" + container + "' names no container the library knows: " + ContainerNamesText());
    return *found;
}

const Container& ContainerForPath(const std::string& path)
{
    const Container* found = ContainerOfPath(path);
    if (found == nullptr)
        throw FileError(ErrorKind::Request, path,
                        "cannot tell the container from the name: end it in " + EndingsText(IsWritten));
    return *found;
}

// Writes all of the bytes; false with errno set on failure.
bool WriteAll(int fd, const BYTE* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// A new file beside the target, created with the usual permissions (the
// process's mask applies, as to any new file); its name goes to `temporary`.
// The name is short and hidden, whatever the target's: a target named up
// to the file system's limit is still written.
int CreateBeside(const std::string& path, std::string& temporary)
{
    static std::atomic<unsigned> serial{0};
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (;;) {
        temporary = folder + ".r3az-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

// The bytes under a temporary name in the target's folder, renamed over
// the target once complete: a reader sees the old file or the new one.
void WriteWhole(const std::string& path, const std::vector<BYTE>& bytes)
{
    std::string temporary;
    const int fd = CreateBeside(path, temporary);
    if (fd < 0)
        throw FileError(ErrorKind::FileAccess, path, std::string("cannot write: ") + std::strerror(errno));
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw FileError(ErrorKind::FileAccess, path, std::string("cannot write: ") + std::strerror(error));
    }
}

// Messages of the writers name no file; the caller's file is added.
std::vector<BYTE> EncodeNaming(const std::string& file, const Container& container,
                               std::span<const TextureImage> layers, const WriteOptions& options)
{
    try {
        return EncodeLayers(container, layers, options);
    } catch (const TextureError& error) {
        throw FileError(error.Code(), file, error.what());
    }
}

} // namespace

TextureImage DecodeTextureFile(const BYTE* data, size_t size, const std::string& name)
{
    return DecodeTexture({data, size}, name);
}

std::vector<TextureImage> DecodeTextureLayers(const BYTE* data, size_t size, const std::string& name)
{
    return DecodeTextureLayers(std::span<const BYTE>(data, size), name);
}

std::vector<BYTE> EncodeTextureLayers(const std::string& container, const std::vector<TextureImage>& layers,
                                      const WriteOptions& options)
{
    return EncodeLayers(NamedContainer(container), layers, options);
}

std::vector<BYTE> EncodeTextureFile(const std::string& container, const TextureImage& texture,
                                    const WriteOptions& options)
{
    return EncodeLayers(NamedContainer(container), {&texture, 1}, options);
}

void WriteTextureLayers(const std::string& path, const std::vector<TextureImage>& layers, const WriteOptions& options)
{
    WriteWhole(path, EncodeNaming(path, ContainerForPath(path), layers, options));
}

void WriteTextureFile(const std::string& path, const TextureImage& texture, const WriteOptions& options)
{
    WriteWhole(path, EncodeNaming(path, ContainerForPath(path), {&texture, 1}, options));
}

} // namespace r3az8tex
