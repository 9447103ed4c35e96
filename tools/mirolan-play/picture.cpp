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

Picture Shrink(const Picture& picture, unsigned width, unsigned height)
{
    Picture small;
    small.width = width;
    small.height = height;
    small.rgba.resize(size_t(width) * height * 4);
    for (unsigned y = 0; y < height; ++y) {
        const unsigned top = unsigned(uint64_t(y) * picture.height / height);
        const unsigned bottom = std::max(top + 1, unsigned(uint64_t(y + 1) * picture.height / height));
        for (unsigned x = 0; x < width; ++x) {
            const unsigned left = unsigned(uint64_t(x) * picture.width / width);
            const unsigned right = std::max(left + 1, unsigned(uint64_t(x + 1) * picture.width / width));
            uint64_t sums[4] = {};
            for (unsigned sy = top; sy < bottom; ++sy)
                for (unsigned sx = left; sx < right; ++sx)
                    for (unsigned c = 0; c < 4; ++c)
                        sums[c] += picture.rgba[(size_t(sy) * picture.width + sx) * 4 + c];
            const uint64_t count = uint64_t(bottom - top) * (right - left);
            for (unsigned c = 0; c < 4; ++c)
                small.rgba[(size_t(y) * width + x) * 4 + c] = uint8_t((sums[c] + count / 2) / count);
        }
    }
    return small;
}

namespace {

// Digits 0 to 9 in a 3x5 font: five rows of three bits, the top row in the
// highest bits, the left column in the highest bit of a row.
constexpr uint16_t kDigits[10] = {
    0b111'101'101'101'111, 0b010'110'010'010'111, 0b111'001'111'100'111, 0b111'001'111'001'111,
    0b101'101'111'001'001, 0b111'100'111'001'111, 0b111'100'111'101'111, 0b111'001'001'001'001,
    0b111'101'111'101'111, 0b111'101'111'001'111,
};

void Fill(Picture& picture, unsigned left, unsigned top, unsigned width, unsigned height, uint8_t grey)
{
    for (unsigned y = top; y < std::min(top + height, picture.height); ++y)
        for (unsigned x = left; x < std::min(left + width, picture.width); ++x) {
            uint8_t* pixel = &picture.rgba[(size_t(y) * picture.width + x) * 4];
            pixel[0] = pixel[1] = pixel[2] = grey;
            pixel[3] = 255;
        }
}

} // namespace

void DrawNumber(Picture& picture, unsigned left, unsigned top, unsigned number, unsigned size)
{
    const std::string digits = std::to_string(number);
    // A margin of one font pixel around the digits, one between them.
    Fill(picture, left, top, (unsigned(digits.size()) * 4 + 1) * size, 7 * size, 0);
    for (size_t i = 0; i < digits.size(); ++i) {
        const uint16_t glyph = kDigits[digits[i] - '0'];
        for (unsigned row = 0; row < 5; ++row)
            for (unsigned column = 0; column < 3; ++column)
                if (glyph >> (14 - row * 3 - column) & 1)
                    Fill(picture, left + (1 + unsigned(i) * 4 + column) * size, top + (1 + row) * size, size, size,
                         255);
    }
}

Picture ContactSheet(const std::vector<SheetTile>& tiles, unsigned columns, unsigned maxWidth)
{
    constexpr unsigned kGap = 4;
    constexpr uint8_t kBackground[4] = {32, 32, 32, 255};
    Picture sheet;
    if (tiles.empty() || columns == 0)
        return sheet;
    columns = std::min<unsigned>(columns, unsigned(tiles.size()));
    const unsigned rows = unsigned((tiles.size() + columns - 1) / columns);
    unsigned tileWidth = tiles.front().picture.width;
    unsigned tileHeight = tiles.front().picture.height;
    const unsigned room = maxWidth > (columns + 1) * kGap ? (maxWidth - (columns + 1) * kGap) / columns : 1;
    if (tileWidth > room) {
        tileHeight = std::max(1u, unsigned(uint64_t(tileHeight) * room / tileWidth));
        tileWidth = room;
    }
    sheet.width = columns * tileWidth + (columns + 1) * kGap;
    sheet.height = rows * tileHeight + (rows + 1) * kGap;
    sheet.rgba.resize(size_t(sheet.width) * sheet.height * 4);
    for (size_t i = 0; i < sheet.rgba.size(); i += 4)
        std::copy_n(kBackground, 4, &sheet.rgba[i]);
    for (size_t index = 0; index < tiles.size(); ++index) {
        const Picture& original = tiles[index].picture;
        Picture tile = original.width == tileWidth ? original : Shrink(original, tileWidth, tileHeight);
        DrawNumber(tile, 0, 0, tiles[index].frame, tileWidth < 64 ? 1 : std::max(2u, tileWidth / 128));
        const unsigned left = kGap + unsigned(index % columns) * (tileWidth + kGap);
        const unsigned top = kGap + unsigned(index / columns) * (tileHeight + kGap);
        for (unsigned y = 0; y < tileHeight; ++y)
            std::copy_n(&tile.rgba[size_t(y) * tileWidth * 4], size_t(tileWidth) * 4,
                        &sheet.rgba[(size_t(top + y) * sheet.width + left) * 4]);
    }
    return sheet;
}
