#include "tools/mirolan-play/animation.h"

#include "tools/common/atomic_file.h"

#include <webp/encode.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

// The file is the WebP container written by hand: RIFF header, VP8X (the
// canvas), ANIM (background, loop), then one ANMF chunk per frame holding
// the image chunks libwebp made for that frame's rectangle. libwebp's own
// animation encoder would keep every encoded frame in memory until the
// end: gigabytes for a long run at a large --scale.

namespace {

constexpr uint32_t kMaxDuration = 0xFFFFFF;           // 24 bits of milliseconds
constexpr uint64_t kMaxRiffPayload = 0xFFFFFFFFu - 1; // the RIFF size field, kept even
constexpr uint8_t kAnimationFlag = 0x02;
constexpr uint8_t kAlphaFlag = 0x10;
constexpr uint8_t kNoBlending = 0x02; // the frame's pixels replace the canvas's
constexpr size_t kRiffSizeOffset = 4;
constexpr size_t kFlagsOffset = 20;

void PutLe(std::vector<uint8_t>& bytes, uint64_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

void PutChunkHeader(std::vector<uint8_t>& bytes, const char* fourcc, uint64_t size)
{
    bytes.insert(bytes.end(), fourcc, fourcc + 4);
    PutLe(bytes, size, 4);
}

uint32_t GetLe32(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24; }

// The image chunks of a still WebP file, as they go into an ANMF chunk.
std::vector<uint8_t> ImageChunks(const uint8_t* file, size_t size)
{
    std::vector<uint8_t> chunks;
    for (size_t at = 12; at + 8 <= size;) {
        const size_t length = 8 + size_t(GetLe32(file + at + 4) + 1) / 2 * 2;
        if (at + length > size)
            break;
        if (std::memcmp(file + at, "VP8L", 4) == 0 || std::memcmp(file + at, "VP8 ", 4) == 0 ||
            std::memcmp(file + at, "ALPH", 4) == 0)
            chunks.insert(chunks.end(), file + at, file + at + length);
        at += length;
    }
    return chunks;
}

// The smallest rectangle holding every pixel that differs between two
// pictures of one size, its corner on even coordinates as WebP requires;
// false when they are the same.
bool ChangedRectangle(const Picture& before, const Picture& after, unsigned& left, unsigned& top, unsigned& width,
                      unsigned& height)
{
    const size_t rowBytes = size_t(after.width) * 4;
    auto row = [&](const Picture& p, unsigned y) { return p.rgba.data() + y * rowBytes; };
    unsigned first = 0;
    while (first < after.height && std::memcmp(row(before, first), row(after, first), rowBytes) == 0)
        ++first;
    if (first == after.height)
        return false;
    unsigned last = after.height - 1;
    while (std::memcmp(row(before, last), row(after, last), rowBytes) == 0)
        --last;
    unsigned lowX = after.width, highX = 0;
    for (unsigned y = first; y <= last; ++y) {
        const uint8_t* a = row(before, y);
        const uint8_t* b = row(after, y);
        for (unsigned x = 0; x < lowX; ++x)
            if (std::memcmp(a + 4 * x, b + 4 * x, 4) != 0) {
                lowX = x;
                break;
            }
        for (unsigned x = after.width; x-- > std::max(highX, lowX);)
            if (std::memcmp(a + 4 * x, b + 4 * x, 4) != 0) {
                highX = x;
                break;
            }
    }
    highX = std::max(highX, lowX);
    left = lowX & ~1u;
    top = first & ~1u;
    width = highX + 1 - left;
    height = last + 1 - top;
    return true;
}

const char* EncodingError(WebPEncodingError code)
{
    switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return "the frame is too large for WebP";
    default:
        return "the encoder failed";
    }
}

} // namespace

struct AnimationWriter::Encoder {
    WebPConfig config{};
};

AnimationWriter::AnimationWriter(std::string path) : path_(std::move(path)), encoder_(std::make_unique<Encoder>()) {}

AnimationWriter::~AnimationWriter() = default;

bool AnimationWriter::Begin(const Picture& frame, std::string& error)
{
    if (frame.width > kMaxSide || frame.height > kMaxSide) {
        error = "frames of " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                " are larger than a WebP animation's " + std::to_string(kMaxSide) + " pixels a side (a smaller --scale)";
        return false;
    }
    if (!WebPConfigInit(&encoder_->config)) {
        error = "the WebP encoder does not match its headers";
        return false;
    }
    // Lossless: one-pixel particles and their trails would smear in lossy
    // coding; the fastest method keeps long runs practical.
    encoder_->config.lossless = 1;
    encoder_->config.method = 0;
    encoder_->config.quality = 25;
    if (!file_.Create(tools::FolderOf(path_))) {
        fileFailed_ = true;
        error = path_ + ": cannot create: " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> header;
    PutChunkHeader(header, "RIFF", 0); // the size is filled in at the end
    header.insert(header.end(), {'W', 'E', 'B', 'P'});
    PutChunkHeader(header, "VP8X", 10);
    PutLe(header, kAnimationFlag, 4); // flags, then three reserved bytes
    PutLe(header, frame.width - 1, 3);
    PutLe(header, frame.height - 1, 3);
    PutChunkHeader(header, "ANIM", 6);
    PutLe(header, 0xFFFFFFFFu, 4); // white background, as libwebp's default
    PutLe(header, 0, 2);           // loop forever
    canvas_.width = frame.width;
    canvas_.height = frame.height;
    return Put(header, error);
}

bool AnimationWriter::Put(const std::vector<uint8_t>& bytes, std::string& error)
{
    fileFailed_ = true; // until the bytes are in
    if (size_ + bytes.size() - 8 > kMaxRiffPayload) {
        error = path_ + ": the animation would grow past the 4 GB a WebP file can hold (fewer --frames or a "
                        "smaller --scale)";
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(file_.Descriptor(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            error = path_ + ": cannot write: " + std::strerror(errno);
            return false;
        }
        done += size_t(put);
    }
    size_ += bytes.size();
    fileFailed_ = false;
    return true;
}

bool AnimationWriter::Add(const Picture& frame, int milliseconds, std::string& error)
{
    if (canvas_.width == 0 && !Begin(frame, error))
        return false;
    if (frame.width != canvas_.width || frame.height != canvas_.height) {
        error = "cannot add a frame of another size to the WebP animation";
        return false;
    }
    Pending next;
    next.start = milliseconds;
    if (canvas_.rgba.empty()) {
        next.width = frame.width;
        next.height = frame.height;
    } else if (!ChangedRectangle(canvas_, frame, next.left, next.top, next.width, next.height)) {
        return true; // the frame before stays on screen longer
    }

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        error = "the WebP encoder does not match its headers";
        return false;
    }
    picture.use_argb = 1;
    picture.width = int(next.width);
    picture.height = int(next.height);
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    const size_t stride = size_t(frame.width) * 4;
    const uint8_t* corner = frame.rgba.data() + next.top * stride + size_t(next.left) * 4;
    bool encoded = WebPPictureImportRGBA(&picture, corner, int(stride)) && WebPEncode(&encoder_->config, &picture);
    if (encoded) {
        next.image = ImageChunks(memory.mem, memory.size);
        encoded = !next.image.empty();
    }
    if (!encoded)
        error = std::string("cannot encode a frame of the WebP animation: ") + EncodingError(picture.error_code);
    WebPMemoryWriterClear(&memory);
    WebPPictureFree(&picture);
    if (!encoded)
        return false;

    for (size_t i = 3; i < frame.rgba.size() && !alpha_; i += 4)
        alpha_ = frame.rgba[i] != 255;
    canvas_.rgba = frame.rgba;
    if (pending_ && !WritePending(milliseconds, error))
        return false;
    pending_ = std::move(next);
    return true;
}

bool AnimationWriter::WritePending(int end, std::string& error)
{
    const Pending& frame = *pending_;
    std::vector<uint8_t> chunk;
    chunk.reserve(24 + frame.image.size());
    PutChunkHeader(chunk, "ANMF", 16 + frame.image.size());
    PutLe(chunk, frame.left / 2, 3);
    PutLe(chunk, frame.top / 2, 3);
    PutLe(chunk, frame.width - 1, 3);
    PutLe(chunk, frame.height - 1, 3);
    PutLe(chunk, std::clamp<int64_t>(int64_t(end) - frame.start, 0, kMaxDuration), 3);
    chunk.push_back(kNoBlending);
    chunk.insert(chunk.end(), frame.image.begin(), frame.image.end());
    pending_.reset();
    return Put(chunk, error);
}

bool AnimationWriter::Finish(int milliseconds, std::string& error)
{
    if (!pending_) {
        error = "the WebP animation has no frames";
        return false;
    }
    if (!WritePending(milliseconds, error))
        return false;
    std::vector<uint8_t> riffSize;
    PutLe(riffSize, size_ - 8, 4);
    const uint8_t flags = kAnimationFlag | (alpha_ ? kAlphaFlag : 0);
    if (::pwrite(file_.Descriptor(), riffSize.data(), 4, kRiffSizeOffset) != 4 ||
        ::pwrite(file_.Descriptor(), &flags, 1, kFlagsOffset) != 1 || !file_.Close()) {
        fileFailed_ = true;
        error = path_ + ": cannot write: " + std::strerror(errno);
        return false;
    }
    if (!file_.Commit(path_)) {
        fileFailed_ = true;
        error = path_ + ": cannot replace: " + std::strerror(errno);
        return false;
    }
    return true;
}
