// Frames as an animated WebP file, one file any browser plays. Each frame
// is encoded when it arrives (only the rectangle that changed since the
// frame before) and goes straight to a temporary file beside the target,
// so memory stays that of a frame or two however long the run; the file
// replaces the target when the last frame is in.
#pragma once

#include "tools/mirolan-play/picture.h"
#include "tools/common/temporary_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class AnimationWriter {
public:
    explicit AnimationWriter(std::string path);
    // An animation not finished leaves no file behind.
    ~AnimationWriter();
    AnimationWriter(const AnimationWriter&) = delete;
    AnimationWriter& operator=(const AnimationWriter&) = delete;

    // Adds a frame shown from `milliseconds` after the start. Every frame
    // has the size of the first. On failure `error` says why.
    bool Add(const Picture& frame, int milliseconds, std::string& error);
    // Ends the last frame at `milliseconds` and puts the file in place.
    bool Finish(int milliseconds, std::string& error);
    // Whether the failure was the file's (not writable, disk full) rather
    // than the encoder's (out of memory, a frame too large for WebP).
    bool FileFailed() const { return fileFailed_; }

    // WebP's largest canvas side.
    static constexpr unsigned kMaxSide = 16383;

private:
    struct Pending {
        std::vector<uint8_t> image; // the frame's image chunks (VP8L, or ALPH and VP8)
        unsigned left = 0, top = 0, width = 0, height = 0;
        int start = 0;
    };
    bool Begin(const Picture& frame, std::string& error);
    bool WritePending(int end, std::string& error);
    bool Put(const std::vector<uint8_t>& bytes, std::string& error);

    std::string path_;
    tools::TemporaryFile file_;
    Picture canvas_; // what a player shows after the last frame added
    std::optional<Pending> pending_;
    uint64_t size_ = 0; // bytes in the file so far
    bool alpha_ = false;
    bool fileFailed_ = false;
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};
