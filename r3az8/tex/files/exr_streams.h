// OpenEXR's streams over memory: the registry hands readers the file's
// bytes, and writers give bytes back, so the library never sees a path.
#pragma once

#include "r3az8/tex/texture.h"

#include <Iex.h>
#include <ImfIO.h>

#include <cstring>
#include <span>
#include <vector>

namespace r3az8tex::exr {

// Reads from the caller's bytes, which must outlive it. A read past the
// end throws, as OpenEXR's own file stream does, so a truncated file ends
// in an exception the reader turns into a refusal.
class MemoryInput final : public Imf::IStream {
public:
    MemoryInput(std::span<const BYTE> bytes, const char* name) : Imf::IStream(name), bytes_(bytes) {}

    bool read(char c[], int n) override
    {
        if (n < 0 || size_t(n) > bytes_.size() - position_)
            throw Iex::InputExc("unexpected end of file");
        std::memcpy(c, bytes_.data() + position_, size_t(n));
        position_ += size_t(n);
        return position_ < bytes_.size();
    }
    uint64_t tellg() override { return position_; }
    void seekg(uint64_t position) override
    {
        if (position > bytes_.size())
            throw Iex::InputExc("seek past the end of the file");
        position_ = size_t(position);
    }

private:
    std::span<const BYTE> bytes_;
    size_t position_ = 0;
};

// Collects what OpenEXR writes, seeks back included (it fills the chunk
// offset table last).
class MemoryOutput final : public Imf::OStream {
public:
    explicit MemoryOutput(const char* name) : Imf::OStream(name) {}

    void write(const char c[], int n) override
    {
        if (position_ + size_t(n) > bytes_.size())
            bytes_.resize(position_ + size_t(n));
        std::memcpy(bytes_.data() + position_, c, size_t(n));
        position_ += size_t(n);
    }
    uint64_t tellp() override { return position_; }
    void seekp(uint64_t position) override { position_ = size_t(position); }
    std::vector<BYTE> Take() { return std::move(bytes_); }

private:
    std::vector<BYTE> bytes_;
    size_t position_ = 0;
};

} // namespace r3az8tex::exr
