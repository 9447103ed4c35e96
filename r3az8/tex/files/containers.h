// The containers the library reads and writes, one row each: how a file of
// it is recognised, read and written. A new container is a row here and its
// own reader and writer files; the readers of whole files, the input
// checks and the writers of outputs all go through the rows.
#pragma once

#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace r3az8tex {

// A row's identity, for code that has a reason to single out one container.
enum class FileType { Dds, Png, Tga, Jpeg, Ktx2, Exr, Hdr, Unknown };

// The WriteOptions a container's writer heeds.
enum WriteOption : BYTE {
    kHeaderOption = 1, // ddsHeader
    kDepthOption = 2,  // samples
    kAlphaOption = 4,  // alpha
    kZstdOption = 16,  // zstdLevel
    kFloatOption = 8,  // floatSamples
};

// Enough bytes for every signature and for each reader's first refusal.
inline constexpr size_t kHeadBytes = 18;

struct Container {
    FileType type;
    const char* name; // lower case, as --file-type and messages give it
    // Endings in lower case, the one written first; the second may be null.
    std::array<const char*, 2> endings;
    // Whether the first bytes carry the container's signature; null for a
    // container without one (TGA), which is known by its ending alone.
    bool (*sniff)(std::span<const BYTE> head);
    // Whether the reader refuses the file on its first kHeadBytes bytes (or
    // all of a shorter file) alone, so that the rest need not be read.
    bool (*refusedOnHead)(std::span<const BYTE> head);
    // Every texture the file holds: one, or the elements of an array.
    std::vector<TextureImage> (*read)(std::span<const BYTE> bytes, const std::string& name);
    // For a container of single pictures, the header first and the pixels
    // later (image_decoder.h); null for the others.
    std::unique_ptr<ImageDecoder> (*open)(std::span<const BYTE> bytes, const std::string& name);
    // The file of one texture or the layers of an array; null for a
    // container that is only read.
    std::vector<BYTE> (*write)(std::span<const TextureImage> layers, const WriteOptions& options);
    BYTE writeOptions; // WriteOption bits
    // One file holds a whole texture (levels, faces, slices, array layers);
    // otherwise one 2D picture, and a tool writes one file for each.
    bool wholeTexture;

    bool Writable() const { return write != nullptr; }
    const char* Ending() const { return endings[0]; }
};

std::span<const Container> AllContainers();

// The row of a type; throws TextureError (Internal) for Unknown.
const Container& ContainerOf(FileType type);
// By name ("dds") or ending (".jpg", or "jpg"), in any letter case; null
// for anything else.
const Container* FindContainer(std::string_view nameOrEnding);
// By the ending of a path; null without a known one.
const Container* ContainerOfPath(const std::string& path);

// "DDS, PNG, TGA or JPEG": the rows' names in capitals, of the rows that
// pass `which` (all of them when null).
std::string ContainerNamesText(bool (*which)(const Container&) = nullptr);
// ".dds or .png": the ending each of those rows writes.
std::string EndingsText(bool (*which)(const Container&) = nullptr);
// Whether the container is written (for the two texts above).
inline bool IsWritten(const Container& container) { return container.Writable(); }
// The names of the containers that are written: "dds", "png".
std::vector<std::string> WrittenContainerNames();

// The bytes of the layers as a file of the container. Throws TextureError:
// Unsupported for a container only read, or a texture it cannot hold;
// Request for a texture whose shape, levels or surfaces do not agree.
std::vector<BYTE> EncodeLayers(const Container& container, std::span<const TextureImage> layers,
                               const WriteOptions& options);

} // namespace r3az8tex
