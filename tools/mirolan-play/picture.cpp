#include "tools/mirolan-play/picture.h"

#include <algorithm>

bool ReadTextureLevel(IDirect3DTexture8* texture, unsigned level, Picture& picture, std::string& error)
{
    picture = Picture{};
    D3DSURFACE_DESC description{};
    if (FAILED(texture->GetLevelDesc(level, &description))) {
        error = "cannot describe texture level " + std::to_string(level);
        return false;
    }
    if (description.Format != D3DFMT_A8R8G8B8) {
        error = "texture level " + std::to_string(level) + " is not A8R8G8B8";
        return false;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) {
        error = "cannot lock texture level " + std::to_string(level);
        return false;
    }
    picture.width = description.Width;
    picture.height = description.Height;
    picture.rgba.resize(size_t(picture.width) * picture.height * 4);
    for (unsigned row = 0; row < picture.height; ++row) {
        const uint8_t* source = static_cast<const uint8_t*>(locked.pBits) + size_t(row) * size_t(locked.Pitch);
        uint8_t* target = picture.rgba.data() + size_t(row) * picture.width * 4;
        // A8R8G8B8 is stored little-endian: blue, green, red, alpha.
        for (unsigned column = 0; column < picture.width; ++column) {
            target[4 * column + 0] = source[4 * column + 2];
            target[4 * column + 1] = source[4 * column + 1];
            target[4 * column + 2] = source[4 * column + 0];
            target[4 * column + 3] = source[4 * column + 3];
        }
    }
    texture->UnlockRect(level);
    return true;
}

Picture Enlarge(const Picture& picture, unsigned factor)
{
    if (factor <= 1)
        return picture;
    Picture large;
    large.width = picture.width * factor;
    large.height = picture.height * factor;
    large.rgba.resize(size_t(large.width) * large.height * 4);
    for (unsigned y = 0; y < large.height; ++y)
        for (unsigned x = 0; x < large.width; ++x)
            std::copy_n(&picture.rgba[(size_t(y / factor) * picture.width + x / factor) * 4], 4,
                        &large.rgba[(size_t(y) * large.width + x) * 4]);
    return large;
}

Picture ContactSheet(const std::vector<Picture>& pictures, unsigned columns)
{
    constexpr unsigned kGap = 4;
    constexpr uint8_t kBackground[4] = {32, 32, 32, 255};
    Picture sheet;
    if (pictures.empty() || columns == 0)
        return sheet;
    columns = std::min<unsigned>(columns, unsigned(pictures.size()));
    unsigned rows = unsigned((pictures.size() + columns - 1) / columns);
    unsigned tileWidth = pictures.front().width;
    unsigned tileHeight = pictures.front().height;
    sheet.width = columns * tileWidth + (columns + 1) * kGap;
    sheet.height = rows * tileHeight + (rows + 1) * kGap;
    sheet.rgba.resize(size_t(sheet.width) * sheet.height * 4);
    for (size_t i = 0; i < sheet.rgba.size(); i += 4)
        std::copy_n(kBackground, 4, &sheet.rgba[i]);
    for (size_t index = 0; index < pictures.size(); ++index) {
        unsigned left = kGap + unsigned(index % columns) * (tileWidth + kGap);
        unsigned top = kGap + unsigned(index / columns) * (tileHeight + kGap);
        const Picture& tile = pictures[index];
        for (unsigned y = 0; y < tileHeight; ++y)
            std::copy_n(&tile.rgba[size_t(y) * tileWidth * 4], size_t(tileWidth) * 4,
                        &sheet.rgba[(size_t(top + y) * sheet.width + left) * 4]);
    }
    return sheet;
}
