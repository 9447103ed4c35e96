// Pictures read from the effect's texture, and what the host makes of them.
#pragma once

#include "d3d8.h"

#include <cstdint>
#include <string>
#include <vector>

// Row-major RGBA, 4 bytes a pixel, no gaps.
struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> rgba;
};

// Reads one A8R8G8B8 level of a texture, honouring its row pitch. On
// failure `error` says why and the picture is empty.
bool ReadTextureLevel(IDirect3DTexture8* texture, unsigned level, Picture& picture, std::string& error);

// Every pixel repeated `factor` times each way.
Picture Enlarge(const Picture& picture, unsigned factor);

// The pictures side by side, `columns` to a row, on a dark background with
// a gap between them. All pictures have the same size.
Picture ContactSheet(const std::vector<Picture>& pictures, unsigned columns);
