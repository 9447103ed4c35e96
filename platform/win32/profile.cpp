// GetProfileIntA over the settings' profile sections.
#include "platform/win32/settings.h"

#include <cctype>
#include <string>

namespace {

// Windows reads the number the way its string-to-integer routine does:
// leading blanks, an optional sign, a 0x prefix for hexadecimal, then as
// many digits as there are; no digits at all give 0, and a negative number
// comes back as its 32-bit pattern.
UINT ParseProfileInt(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    unsigned base = 10;
    if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        base = 16;
        at += 2;
    }
    UINT value = 0;
    for (; at < text.size(); ++at) {
        int c = std::tolower(static_cast<unsigned char>(text[at]));
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else
            break;
        value = value * base + digit; // wraps like the 32-bit original
    }
    return negative ? UINT(0) - value : value;
}

} // namespace

extern "C" WIN32_EXPORT UINT GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault)
{
    if (lpAppName == nullptr || lpKeyName == nullptr)
        return UINT(nDefault);
    std::optional<std::string> value;
    {
        win32_settings::SettingsAccess settings;
        value = settings->FindProfileString(lpAppName, lpKeyName);
    }
    // A key that is missing, or present with nothing after the '=', reads
    // as the default.
    if (!value || value->find_first_not_of(" \t") == std::string::npos)
        return UINT(nDefault);
    return ParseProfileInt(*value);
}
