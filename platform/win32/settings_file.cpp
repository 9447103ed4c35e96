// The settings file: an INI-like text (format in docs/settings.md).
//
//   [profile:Direct3D]
//   debug = 3
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Dazuvidar\Direct3D]
//   R3AZ = dword:3
//   Name = sz:text
//   Blob = hex:01,02
#include "platform/win32/settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace win32_settings {

namespace {

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// "text" becomes text; anything else is kept as it is.
std::string Unquote(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool ParseDword(const std::string& text, DWORD& value)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    bool hex = StartsWithNoCase(text, "0x");
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (*digits == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull || !std::isxdigit(static_cast<unsigned char>(*digits)))
        return false;
    value = static_cast<DWORD>(parsed);
    return true;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>& bytes)
{
    if (Trim(text).empty())
        return true;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string item = Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (item.empty() || item.size() > 2)
            return false;
        for (char c : item)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        bytes.push_back(static_cast<BYTE>(std::strtoul(item.c_str(), nullptr, 16)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

// A typed registry value "type:data"; returns an empty text on success or
// what is wrong.
std::string ParseRegistryValue(const std::string& text, RegistryValue& value)
{
    size_t colon = text.find(':');
    if (colon == std::string::npos)
        return "a registry value needs a type: dword:, sz:, expand_sz: or hex:";
    std::string type = Lower(Trim(text.substr(0, colon)));
    std::string data = Trim(text.substr(colon + 1));
    if (type == "dword") {
        DWORD number;
        if (!ParseDword(data, number))
            return "\"" + data + "\" is not a 32-bit number (decimal, or hexadecimal after 0x)";
        value = {REG_DWORD, {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)}};
        return {};
    }
    if (type == "sz" || type == "expand_sz") {
        std::string string = Unquote(data);
        value.type = type == "sz" ? REG_SZ : REG_EXPAND_SZ;
        value.data.assign(string.begin(), string.end());
        value.data.push_back(0); // stored with its terminating zero, as the registry does
        return {};
    }
    if (type == "hex") {
        value.type = REG_BINARY;
        value.data.clear();
        if (!ParseHexBytes(data, value.data))
            return "\"" + data + "\" is not a list of hexadecimal bytes such as 01,ff";
        return {};
    }
    return "unknown registry type \"" + type + "\"";
}

enum class SectionKind { None, Profile, Registry };

bool IsRegistryRoot(const std::string& normalizedPath)
{
    std::string root = normalizedPath.substr(0, normalizedPath.find('\\'));
    return root == "hkey_local_machine" || root == "hkey_current_user" || root == "hkey_classes_root";
}

} // namespace

std::vector<std::string> ParseSettings(const std::string& text, SettingsStore& store)
{
    std::vector<std::string> problems;
    SectionKind kind = SectionKind::None;
    std::string section;
    bool sectionRefused = false;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        auto problem = [&](const std::string& what) {
            problems.push_back("line " + std::to_string(lineNumber) + ": " + what);
        };
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']') {
                problem("a section name must end with ]");
                kind = SectionKind::None;
                sectionRefused = true;
                continue;
            }
            std::string name = Trim(line.substr(1, line.size() - 2));
            sectionRefused = false;
            if (StartsWithNoCase(name, "profile:") && !Trim(name.substr(8)).empty()) {
                kind = SectionKind::Profile;
                section = Trim(name.substr(8));
            } else if (IsRegistryRoot(NormalizeKeyPath(name))) {
                kind = SectionKind::Registry;
                section = NormalizeKeyPath(name);
            } else {
                problem("unknown section [" + name + "]: use [profile:NAME] or [HKEY_...\\key]");
                kind = SectionKind::None;
                sectionRefused = true;
            }
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problem("expected name = value");
            continue;
        }
        std::string name = Unquote(Trim(line.substr(0, equals)));
        std::string value = Trim(line.substr(equals + 1));
        if (kind == SectionKind::None) {
            if (!sectionRefused) // the refused section was reported already
                problem("a setting before any section");
            continue;
        }
        if (kind == SectionKind::Profile) {
            if (name.empty()) {
                problem("a profile key needs a name");
                continue;
            }
            store.SetProfileString(section, name, Unquote(value));
            continue;
        }
        if (name == "@")
            name.clear(); // the key's default value
        RegistryValue parsed;
        std::string wrong = ParseRegistryValue(value, parsed);
        if (!wrong.empty()) {
            problem(wrong);
            continue;
        }
        store.SetRegistryValue(section, name, std::move(parsed));
    }
    return problems;
}

} // namespace win32_settings
