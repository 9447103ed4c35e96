#include "tools/r3aztex/util/json_text.h"

#include <cmath>
#include <cstdio>

namespace r3aztex {

namespace {

// Bytes in a valid UTF-8 sequence starting at `at`; 0 when none starts there.
size_t Utf8SequenceAt(const std::string& text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    unsigned least = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, least = 0x10000;
    else
        return 0;
    if (at + length > text.size())
        return 0;
    unsigned code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= least && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        const size_t sequence = Utf8SequenceAt(text, at);
        if (sequence == 0) {
            // A file name need not be UTF-8, but JSON text must be. A byte
            // outside any character is written as a lone low surrogate
            // (U+DC80..U+DCFF), the escape by which Python's and others'
            // file-name decoders give such bytes back.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\udc%02x", static_cast<unsigned char>(c));
            out += escaped;
            continue;
        }
        if (sequence > 1) {
            out.append(text, at, sequence);
            at += sequence - 1;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonNumber(uint64_t value) { return std::to_string(value); }

std::string JsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    // Drop trailing zeros: 12.500000 -> 12.5, 3.000000 -> 3.
    std::string out = text;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    return out;
}

} // namespace r3aztex
