#include "tools/r3aztex/page/page_text.h"

namespace r3aztex {

std::string Base64(std::span<const uint8_t> bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            text += kAlphabet[(group >> shift) & 63];
    }
    // One or two bytes left: their six-bit groups, then '=' for the rest.
    const size_t left = bytes.size() - i;
    if (left > 0) {
        const uint32_t group = uint32_t(bytes[i]) << 16 | (left == 2 ? uint32_t(bytes[i + 1]) << 8 : 0);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += left == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::string DataUri(const std::string& mime, std::span<const uint8_t> bytes)
{
    return "data:" + mime + ";base64," + Base64(bytes);
}

std::string ScriptSafe(std::string json)
{
    if (json.find("</") == std::string::npos)
        return json;
    std::string safe;
    safe.reserve(json.size() + 16);
    for (size_t i = 0; i < json.size(); ++i) {
        safe += json[i];
        if (json[i] == '<' && i + 1 < json.size() && json[i + 1] == '/')
            safe += '\\';
    }
    return safe;
}

} // namespace r3aztex
