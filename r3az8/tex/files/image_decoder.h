// PNG, TGA, JPEG, OpenEXR and Radiance decoding in two steps: the header
// first, whose size is checked against the limits of texture_image.h
// before anything is allocated for the pixels, then the pixels. A hostile header cannot make a
// program allocate more than the limits allow, and a caller (the fuzz
// target) can look at the size before it asks for the pixels.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

namespace r3az8tex {

// What the header promises: the size, and the format the pixels decode to
// (A8R8G8B8, A16R16G16B16 for 16-bit PNG, A16B16G16R16F or A32B32G32R32F
// for OpenEXR and Radiance pictures).
struct ImageHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
};

// Told that the top `rows` rows of the image are final.
using RowsDecoded = std::function<void(uint32_t rows)>;

// An image file whose header has been read and found within the limits. It
// reads from the caller's bytes, which must outlive it.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;
    const ImageHeader& Header() const { return header_; }
    // The pixels as a one-level 2D texture of the header's size and format.
    // Called once, like Fill. Throws TextureError naming the file (Malformed,
    // Unsupported).
    TextureImage Pixels();
    // The texture Fill decodes into, allocated, its pixels not yet decoded:
    // work on the image may start while Fill runs on another thread.
    TextureImage Canvas() const;
    // Decodes the pixels into `canvas` from the top down; `rowsDecoded`,
    // when given, hears of the rows as they become final (all at once at
    // the end from readers that cannot tell earlier), the last time with
    // the whole height. Throws as Pixels does.
    virtual void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) = 0;

protected:
    ImageHeader header_;
};

// Read the header. Throw TextureError naming the file: Malformed for a damaged
// header or one the file's data cannot fill, Unsupported beyond the limits
// or for a kind of image the reader does not handle.
std::unique_ptr<ImageDecoder> OpenPng(std::span<const BYTE> bytes, const std::string& name);
std::unique_ptr<ImageDecoder> OpenTga(std::span<const BYTE> bytes, const std::string& name);
std::unique_ptr<ImageDecoder> OpenJpeg(std::span<const BYTE> bytes, const std::string& name);
// OpenEXR and Radiance pictures decode to floats: A16B16G16R16F for an EXR
// file of half channels only, A32B32G32R32F otherwise.
std::unique_ptr<ImageDecoder> OpenExr(std::span<const BYTE> bytes, const std::string& name);
std::unique_ptr<ImageDecoder> OpenHdr(std::span<const BYTE> bytes, const std::string& name);
// By the file's signature, or a ".tga" name (DetectFileType); any other
// file, DDS included, is refused as Unsupported.
std::unique_ptr<ImageDecoder> OpenImage(std::span<const BYTE> bytes, const std::string& name);

// Throws TextureError (Unsupported) naming the file when an image of
// width x height pixels of `bytesPerPixel` bytes is beyond the limits:
// kMaxSide per side, kMaxTextureBytes in all.
void CheckImageLimits(const std::string& name, uint64_t width, uint64_t height, uint32_t bytesPerPixel);

// Images of more pixels than this are refused too (Unsupported), as on a
// smaller machine; 0, the start value, leaves the limits above alone. The
// image fuzz target sets it, so that a hostile header costs what the
// checks before the pixels cost on such a machine, not seconds of proof.
void LimitImagePixels(uint64_t pixels);

} // namespace r3az8tex
