#include "tools/mirolan-play/earlier_outputs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

namespace {

// `prefix`, then digits (at least `digits` of them), then ".png".
bool NumberedPicture(const std::string& name, const std::string& prefix, size_t digits)
{
    const std::string ending = ".png";
    if (!name.starts_with(prefix) || !name.ends_with(ending) || name.size() < prefix.size() + digits + ending.size())
        return false;
    const auto first = name.begin() + std::ptrdiff_t(prefix.size());
    const auto last = name.end() - std::ptrdiff_t(ending.size());
    return std::all_of(first, last, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

} // namespace

bool IsHostOutputName(const std::string& name)
{
    return name == "contact_sheet.png" || NumberedPicture(name, "frame_", 4) || NumberedPicture(name, "last_level_", 1);
}

int RemoveEarlierOutputs(const std::string& folder, std::string& error)
{
    std::error_code failure;
    std::vector<std::filesystem::path> earlier;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
        if (entry.is_regular_file() && IsHostOutputName(entry.path().filename().string()))
            earlier.push_back(entry.path());
    if (failure) {
        error = "cannot list '" + folder + "': " + failure.message();
        return -1;
    }
    for (const std::filesystem::path& path : earlier)
        if (!std::filesystem::remove(path, failure)) {
            error = "cannot remove the earlier run's '" + path.string() + "': " + failure.message();
            return -1;
        }
    return int(earlier.size());
}
