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

// The picture scaled down to width x height, each new pixel the average of
// the old ones it covers. Neither side may grow.
Picture Shrink(const Picture& picture, unsigned width, unsigned height);

// `number` in white digits on a black box whose top left corner is at
// (left, top), each pixel of the 3x5 font `size` pixels square; clipped to
// the picture.
void DrawNumber(Picture& picture, unsigned left, unsigned top, unsigned number, unsigned size);

struct SheetTile {
    Picture picture;
    unsigned frame;
};

// The tiles side by side, `columns` to a row, on a dark background with a
// gap between them, each labelled with its frame number. Tiles are shrunk
// when the sheet would be wider than `maxWidth`. All tiles have the same
// size.
Picture ContactSheet(const std::vector<SheetTile>& tiles, unsigned columns, unsigned maxWidth);
