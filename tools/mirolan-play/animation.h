// Frames as an animated WebP file, through libwebp's animation encoder:
// one file any browser plays.
#pragma once

#include "tools/mirolan-play/picture.h"

#include <memory>
#include <string>

class AnimationWriter {
public:
    // Not copyable: the encoder is held alone (m_encoder).
    AnimationWriter();
    ~AnimationWriter();

    // Adds a frame shown from `milliseconds` after the start. Every frame
    // has the size of the first. On failure `error` says why.
    bool Add(const Picture& frame, int milliseconds, std::string& error);
    // Ends the last frame at `milliseconds` and writes the file.
    bool Write(const std::string& path, int milliseconds, std::string& error);

private:
    struct Encoder;
    std::unique_ptr<Encoder> m_encoder;
};
