#include "tools/mirolan-play/animation.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>

struct AnimationWriter::Encoder {
    WebPAnimEncoder* encoder = nullptr;
    WebPConfig config{};
    unsigned width = 0;
    unsigned height = 0;
    ~Encoder()
    {
        if (encoder != nullptr)
            WebPAnimEncoderDelete(encoder);
    }
};

AnimationWriter::AnimationWriter() : m_encoder(std::make_unique<Encoder>()) {}

AnimationWriter::~AnimationWriter() = default;

bool AnimationWriter::Add(const Picture& frame, int milliseconds, std::string& error)
{
    Encoder& e = *m_encoder;
    if (e.encoder == nullptr) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&e.config)) {
            error = "the WebP encoder does not match its headers";
            return false;
        }
        // Lossless: one-pixel particles and their trails would smear in
        // lossy coding; the fastest method keeps long runs practical.
        e.config.lossless = 1;
        e.config.method = 0;
        e.config.quality = 25;
        e.encoder = WebPAnimEncoderNew(int(frame.width), int(frame.height), &options);
        e.width = frame.width;
        e.height = frame.height;
        if (e.encoder == nullptr) {
            error = "cannot start a " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                    " WebP animation";
            return false;
        }
    }
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        error = "the WebP encoder does not match its headers";
        return false;
    }
    picture.use_argb = 1;
    picture.width = int(frame.width);
    picture.height = int(frame.height);
    const bool imported = frame.width == e.width && frame.height == e.height &&
                          WebPPictureImportRGBA(&picture, frame.rgba.data(), int(frame.width * 4));
    const bool added = imported && WebPAnimEncoderAdd(e.encoder, &picture, milliseconds, &e.config);
    if (!added)
        error = std::string("cannot add a frame to the WebP animation: ") +
                (imported ? WebPAnimEncoderGetError(e.encoder) : "out of memory or a frame of another size");
    WebPPictureFree(&picture);
    return added;
}

bool AnimationWriter::Write(const std::string& path, int milliseconds, std::string& error)
{
    Encoder& e = *m_encoder;
    WebPData data;
    WebPDataInit(&data);
    if (e.encoder == nullptr || !WebPAnimEncoderAdd(e.encoder, nullptr, milliseconds, nullptr) ||
        !WebPAnimEncoderAssemble(e.encoder, &data)) {
        error = "cannot finish the WebP animation" +
                (e.encoder != nullptr ? std::string(": ") + WebPAnimEncoderGetError(e.encoder) : std::string());
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(data.bytes, 1, data.size, file) == data.size;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    WebPDataClear(&data);
    if (!written || !closed) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}
