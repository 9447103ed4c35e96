#include "kwoUtils/kwoStringParams.h"

#include "engine/pwMemLeak.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The tracker's names for this file's allocations.
constexpr CallSite kLineArraySite{"kwoUtils/kwoStringParams", 93};
constexpr CallSite kLineCopySite{"kwoUtils/kwoStringParams", 98};

// Only these six count: bytes of 0x80 and above never do, whatever the
// locale says.
bool IsWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    return *a == *b;
}

// Copies characters from `source` while `keep` holds, storing at most
// capacity - 1 of them; the rest are stepped over. Returns where it stopped.
template <typename Keep>
const char* CopyWhile(const char* source, char* target, size_t capacity, Keep keep)
{
    size_t stored = 0;
    for (; *source != '\0' && keep(*source); ++source)
        if (stored + 1 < capacity)
            target[stored++] = *source;
    target[stored] = '\0';
    return source;
}

const char* SkipWhitespace(const char* text)
{
    while (IsWhitespace(*text))
        ++text;
    return text;
}

// The decimal number at the start of `text` after optional whitespace and
// sign, as a long long clamped on overflow; 0 when there are no digits.
long long ReadDecimal(const char* text)
{
    text = SkipWhitespace(text);
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    // Anything beyond the int range is clamped by the caller, so the
    // magnitude need not grow past a bound that cannot overflow.
    constexpr long long kSaturated = 1LL << 40;
    long long magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        magnitude = std::min(magnitude * 10 + (*text - '0'), kSaturated);
    return negative ? -magnitude : magnitude;
}

int ClampToInt(long long value) { return int(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

// Hexadecimal digits after the "0x" prefix up to the first non-hex
// character, with 32-bit wrap-around as a 32-bit read would give.
int ReadHex(const char* digits)
{
    uint32_t value = 0;
    bool overflow = false;
    for (;; ++digits) {
        char c = LowerAscii(*digits);
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else
            break;
        overflow = overflow || (value >> 28) != 0;
        value = (value << 4) | digit;
    }
    // Too many digits to fit: the largest 32-bit value, as the C library's
    // hexadecimal reading clamps.
    return overflow ? -1 : int32_t(value);
}

// A decimal floating-point number (no "inf", "nan" or hexadecimal forms),
// rounded once, straight from decimal to the nearest float: "3.4028235e38",
// the largest float as it is usually printed, is that float, while a value
// read as a double first would lie beyond it and end as infinity.
float ReadFloat(const char* text)
{
    text = SkipWhitespace(text);
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    const bool digitFirst = *text >= '0' && *text <= '9';
    const bool pointThenDigit = *text == '.' && text[1] >= '0' && text[1] <= '9';
    if (!digitFirst && !pointThenDigit)
        return 0.0f;
    float value = 0.0f;
    const char* end = text + std::strlen(text);
    const std::from_chars_result result = std::from_chars(text, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = std::strtof(text, nullptr); // beyond the float range: infinity, or 0 for tiny values
    else if (result.ec != std::errc())
        value = 0.0f;
    return negative ? -value : value;
}

} // namespace

void SplitKeyValue(const char* pszLine, char* pszKey, char* pszValue)
{
    const char* cursor = SkipWhitespace(pszLine);
    cursor = CopyWhile(cursor, pszKey, kParamKeyBufferSize, [](char c) { return c != '=' && !IsWhitespace(c); });
    // The one character that ended the key; at the end of the line there is
    // no value.
    if (*cursor == '\0') {
        pszValue[0] = '\0';
        return;
    }
    ++cursor;
    while (*cursor == '=' || IsWhitespace(*cursor))
        ++cursor;
    while (*cursor == '"')
        ++cursor;
    cursor = CopyWhile(cursor, pszValue, kParamValueBufferSize, [](char c) { return c != ';'; });
    size_t length = std::strlen(pszValue);
    while (length > 0 && IsWhitespace(pszValue[length - 1]))
        --length;
    while (length > 0 && pszValue[length - 1] == '"')
        --length;
    pszValue[length] = '\0';
}

kwoStringParams::kwoStringParams(const char* pszText) : m_ppLines(nullptr), m_nNumLines(0), m_bParsed(0)
{
    if (pszText == nullptr)
        return;
    size_t lineCount = 1;
    for (const char* c = pszText; *c != '\0'; ++c)
        lineCount += *c == '\n';
    kwoMemLeak_Comment(pszText);

    // A pointer array the tracked allocator cannot express leaves the list
    // empty rather than short.
    if (lineCount <= UINT32_MAX / sizeof(char*))
        m_ppLines = static_cast<char**>(TrackedAlloc(unsigned(lineCount * sizeof(char*)), kLineArraySite));
    if (m_ppLines == nullptr) {
        m_bParsed = 1;
        return;
    }
    m_nNumLines = int(std::min<size_t>(lineCount, INT_MAX));

    const char* lineStart = pszText;
    for (int i = 0; i < m_nNumLines; ++i) {
        const char* lineFeed = std::strchr(lineStart, '\n');
        size_t length = lineFeed != nullptr ? size_t(lineFeed - lineStart) : kParamLastLineLimit;
        // The slot stays null when the copy cannot be had: lookups skip it.
        if (length < UINT32_MAX) {
            char* copy = static_cast<char*>(TrackedAlloc(unsigned(length + 1), kLineCopySite));
            if (copy != nullptr)
                std::strncpy(copy, lineStart, length); // stops at the text's end; the block is zero-filled
            m_ppLines[i] = copy;
        }
        if (lineFeed == nullptr)
            break;
        lineStart = lineFeed + 1;
    }
    m_bParsed = 1;
}

kwoStringParams::~kwoStringParams()
{
    if (m_bParsed && m_ppLines != nullptr) {
        for (int i = 0; i < m_nNumLines; ++i) {
            TrackedFree(m_ppLines[i]);
            m_ppLines[i] = nullptr;
        }
    }
    TrackedFree(m_ppLines);
    m_ppLines = nullptr;
}

void* kwoStringParams::operator new(size_t size, const CallSite& site) noexcept
{
    return TrackedAlloc(unsigned(size), site);
}

void kwoStringParams::operator delete(void* block) noexcept { TrackedFree(block); }

void kwoStringParams::operator delete(void* block, const CallSite&) noexcept { TrackedFree(block); }

int kwoStringParams::FindKey(const char* pszName, char* pszValue) const
{
    if (pszName == nullptr || m_ppLines == nullptr)
        return -1;
    char key[kParamKeyBufferSize];
    for (int i = 0; i < m_nNumLines; ++i) {
        if (m_ppLines[i] == nullptr)
            continue;
        SplitKeyValue(m_ppLines[i], key, pszValue);
        if (EqualIgnoringCase(key, pszName))
            return i;
    }
    return -1;
}

int kwoStringParams::GetString(const char* pszName, char* pszOut) const
{
    char value[kParamValueBufferSize];
    if (FindKey(pszName, value) < 0)
        return 0;
    if (char* quote = std::strrchr(value, '"'))
        *quote = '\0';
    std::strcpy(pszOut, value);
    return 1;
}

namespace {

// The value of `name` as `parse` reads it; 0, with `out` untouched, when
// the key is missing.
template <class Value, class Parse>
int ReadValue(const kwoStringParams& params, const char* name, Value& out, Parse parse)
{
    char value[kParamValueBufferSize];
    if (!params.GetString(name, value))
        return 0;
    out = parse(value);
    return 1;
}

} // namespace

int kwoStringParams::GetInt(const char* pszName, int& nOut) const
{
    return ReadValue(*this, pszName, nOut, [](const char* value) { return ClampToInt(ReadDecimal(value)); });
}

int kwoStringParams::GetIntHex(const char* pszName, int& nOut) const
{
    return ReadValue(*this, pszName, nOut, [](const char* value) {
        return value[0] == '0' && value[1] == 'x' ? ReadHex(value + 2) : ClampToInt(ReadDecimal(value));
    });
}

int kwoStringParams::GetFloat(const char* pszName, float& fOut) const
{
    return ReadValue(*this, pszName, fOut, ReadFloat);
}
