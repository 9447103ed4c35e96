// OpenEXR input through the OpenEXR library (Debian's libopenexr-dev):
// scanline and tiled files, half, float and uint channels, RGB(A) or
// luminance (Y, shown as grey). A tiled file with mips gives its top
// level; a multipart file its first part. The pixels come out as
// A16B16G16R16F when every channel read is half, as A32B32G32R32F
// otherwise, so nothing is rounded on the way in.
//
// The library throws on damaged input; everything it throws is turned into
// a refusal here, at the reader's edge. Before the reader proper sees a
// file, OpenEXR's own checker (the one its fuzzing runs) reads it with its
// limits on memory and time: a file that fails there is refused before the
// reader sets anything aside for it. (The checker's pass through the
// library's newer core is left off: in OpenEXR 3.1 it fails valid tiled
// files with mip levels.)
#include "r3az8/tex/files/exr_streams.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"

#include <ImfChannelList.h>
#include <ImfCheckFile.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfVersion.h>

#include <array>
#include <cstring>
#include <mutex>

namespace r3az8tex {
namespace {

// Where each channel goes in a pixel of R, G, B, A samples.
constexpr std::array<const char*, 4> kColourChannels = {"R", "G", "B", "A"};

// OpenEXR refuses headers beyond these sizes itself, before it sets
// anything aside for the file's chunk table or lines.
void LimitHeaderSizes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Imf::Header::setMaxImageSize(int(kMaxSide), int(kMaxSide));
        Imf::Header::setMaxTileSize(int(kMaxSide), int(kMaxSide));
    });
}

bool IsFloat(Imf::PixelType type) { return type != Imf::HALF; }

class ExrDecoder final : public ImageDecoder {
public:
    ExrDecoder(std::span<const BYTE> bytes, const std::string& name) : stream_(bytes, name.c_str()), name_(name)
    {
        LimitHeaderSizes();
        RefuseDeepData(bytes);
        if (Imf::checkOpenEXRFile(reinterpret_cast<const char*>(bytes.data()), bytes.size(), true, true, false))
            throw FileError(ErrorKind::Malformed, name_, "OpenEXR file is damaged (OpenEXR's check of it fails)");
        file_ = std::make_unique<Imf::InputFile>(stream_);
        const Imf::Header& header = file_->header();
        const Imath::Box2i window = header.dataWindow();
        const int64_t width = int64_t(window.max.x) - window.min.x + 1;
        const int64_t height = int64_t(window.max.y) - window.min.y + 1;
        if (width <= 0 || height <= 0)
            throw FileError(ErrorKind::Malformed, name_, "OpenEXR data window holds no pixels");

        const Imf::ChannelList& channels = header.channels();
        bool floats = false;
        for (const char* channel : kColourChannels)
            floats |= Use(channels, channel);
        luminance_ = !present_[0] && !present_[1] && !present_[2] && channels.findChannel("Y") != nullptr;
        if (luminance_)
            floats |= Use(channels, "Y");
        if (!present_[0] && !present_[1] && !present_[2] && !luminance_)
            throw FileError(ErrorKind::Unsupported, name_,
                            "OpenEXR file has no R, G, B or Y channel (it holds " + ChannelNames(channels) + ")");
        const uint32_t sampleBytes = floats ? 4 : 2;
        CheckImageLimits(name_, uint64_t(width), uint64_t(height), 4 * sampleBytes);
        header_ = {uint32_t(width), uint32_t(height), floats ? FMT_A32B32G32R32F : FMT_A16B16G16R16F};
    }

    void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) override
    {
        try {
            ReadPixels(canvas);
        } catch (const TextureError&) {
            throw;
        } catch (const std::exception& error) {
            throw FileError(ErrorKind::Malformed, name_, std::string("OpenEXR pixels are damaged: ") + error.what());
        }
        if (rowsDecoded)
            rowsDecoded(header_.height);
    }

private:
    // Deep files (bit 11 of the version field) hold many samples a pixel;
    // a texture holds one.
    void RefuseDeepData(std::span<const BYTE> bytes) const
    {
        if (bytes.size() < 8)
            return;
        const int version = int(bytes[4] | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24);
        if (Imf::isNonImage(version) && !Imf::isMultiPart(version))
            throw FileError(ErrorKind::Unsupported, name_, "OpenEXR deep images are not read, only flat ones");
    }

    // Notes a channel that is present; returns whether it needs floats.
    bool Use(const Imf::ChannelList& channels, const char* name)
    {
        const Imf::Channel* channel = channels.findChannel(name);
        if (channel == nullptr)
            return false;
        if (channel->xSampling != 1 || channel->ySampling != 1)
            throw FileError(ErrorKind::Unsupported, name_,
                            std::string("OpenEXR channel ") + name + " is subsampled; only full-size channels are read");
        for (size_t i = 0; i < kColourChannels.size(); ++i)
            if (std::strcmp(kColourChannels[i], name) == 0)
                present_[i] = true;
        return IsFloat(channel->type);
    }

    static std::string ChannelNames(const Imf::ChannelList& channels)
    {
        std::string names;
        size_t count = 0;
        for (auto channel = channels.begin(); channel != channels.end(); ++channel, ++count)
            if (count < 8)
                names += (count ? ", " : "") + std::string(channel.name());
        if (count > 8)
            names += ", ...";
        return count == 0 ? "no channels" : names;
    }

    void ReadPixels(TextureImage& canvas)
    {
        const bool floats = header_.format == FMT_A32B32G32R32F;
        const Imf::PixelType type = floats ? Imf::FLOAT : Imf::HALF;
        const size_t sample = floats ? 4 : 2;
        const size_t pixelBytes = 4 * sample;
        const Imath::Box2i window = file_->header().dataWindow();
        BYTE* base = canvas.Surface(0, 0).data();
        Imf::FrameBuffer frame;
        // Channels the file lacks are filled by OpenEXR: colour with 0,
        // alpha with 1 (opaque).
        for (size_t i = 0; i < kColourChannels.size(); ++i) {
            const char* name = luminance_ && i == 0 ? "Y" : kColourChannels[i];
            frame.insert(name, Imf::Slice::Make(type, base + i * sample, window, pixelBytes,
                                                pixelBytes * header_.width, 1, 1, i == 3 ? 1.0 : 0.0));
        }
        file_->setFrameBuffer(frame);
        file_->readPixels(window.min.y, window.max.y);
        if (luminance_) {
            const size_t pixels = size_t(header_.width) * header_.height;
            for (size_t pixel = 0; pixel < pixels; ++pixel) {
                BYTE* red = base + pixel * pixelBytes;
                std::memcpy(red + sample, red, sample);
                std::memcpy(red + 2 * sample, red, sample);
            }
        }
    }

    exr::MemoryInput stream_;
    std::string name_;
    std::unique_ptr<Imf::InputFile> file_;
    std::array<bool, 4> present_{};
    bool luminance_ = false;
};

} // namespace

std::unique_ptr<ImageDecoder> OpenExr(std::span<const BYTE> bytes, const std::string& name)
{
    try {
        return std::make_unique<ExrDecoder>(bytes, name);
    } catch (const TextureError&) {
        throw;
    } catch (const std::exception& error) {
        throw FileError(ErrorKind::Malformed, name, std::string("OpenEXR header is damaged: ") + error.what());
    }
}

} // namespace r3az8tex
