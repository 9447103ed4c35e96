// The parameter list: a text of "key = value" lines, split into line copies
// once and parsed again at every lookup. Keys match without regard to the
// case of ASCII letters; the first matching line wins.
//
// Line syntax: leading whitespace, the key (up to '=', whitespace or the end),
// one separator character, any run of whitespace and '=', any run of double
// quotes, then the value up to ';' (a comment) or the end, with trailing
// whitespace and then trailing double quotes removed.
#pragma once

#include "kwoUtils/TrackedAlloc.h"

#include <cstddef>

// Buffer sizes of a lookup, terminator included. Longer keys and values are
// cut to fit.
inline constexpr size_t kParamKeyBufferSize = 256;
inline constexpr size_t kParamValueBufferSize = 512;
// The last line of a text (the one no line feed ends) keeps at most this
// many characters.
inline constexpr size_t kParamLastLineLimit = 999;

// Splits one line into `key` (kParamKeyBufferSize bytes) and `value`
// (kParamValueBufferSize bytes). Both are always terminated.
void SplitKeyValue(const char* pszLine, char* pszKey, char* pszValue);

class kwoStringParams {
public:
    // Builds the line copies; a null text gives an empty list. The text is
    // handed to the allocation tracker as a comment. A line whose copy cannot
    // be allocated is left out of every lookup.
    explicit kwoStringParams(const char* pszText);
    virtual ~kwoStringParams();

    kwoStringParams(const kwoStringParams&) = delete;
    kwoStringParams& operator=(const kwoStringParams&) = delete;

    // Parameter lists live in tracked blocks: `new (site) kwoStringParams(text)`
    // yields null when the block cannot be had, and delete returns the block.
    static void* operator new(size_t size, const CallSite& site) noexcept;
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, const CallSite& site) noexcept;

    // Index of the first line with that key, its value in `pszValue`
    // (kParamValueBufferSize bytes); -1 when there is none.
    int FindKey(const char* pszName, char* pszValue) const;

    // Each getter returns 1 when the key is found and 0 when not; on 0 the
    // output is left untouched, so callers preset their defaults.
    //
    // The value, cut at its last double quote if it holds one; `pszOut`
    // holds kParamValueBufferSize bytes.
    int GetString(const char* pszName, char* pszOut) const;
    // Decimal: optional whitespace and sign, digits up to the first
    // non-digit, 0 when there are none; clamped to the int range.
    int GetInt(const char* pszName, int& nOut) const;
    // As GetInt, but a value starting with "0x" (lower-case x) is read as
    // hexadecimal; "0X..." is read as decimal and so gives 0.
    int GetIntHex(const char* pszName, int& nOut) const;
    // Decimal floating point: optional sign, fraction and exponent; 0.0 when
    // there is no number.
    int GetFloat(const char* pszName, float& fOut) const;

    int GetNumLines() const { return m_nNumLines; }
    // The copy of line i, or null for a line that could not be kept.
    const char* GetLine(int i) const { return i >= 0 && i < m_nNumLines && m_ppLines ? m_ppLines[i] : nullptr; }

private:
    char** m_ppLines;
    int m_nNumLines;
    int m_bParsed;
};
