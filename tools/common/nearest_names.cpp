#include "tools/common/nearest_names.h"

#include <algorithm>
#include <numeric>

namespace tools {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

} // namespace

size_t EditDistance(std::string_view first, std::string_view second)
{
    // Three rows of the usual table are enough: a swap looks two rows back.
    const size_t columns = second.size() + 1;
    std::vector<size_t> before(columns), previous(columns), current(columns);
    std::iota(previous.begin(), previous.end(), size_t{0});
    for (size_t i = 1; i <= first.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= second.size(); ++j) {
            const bool same = Lower(first[i - 1]) == Lower(second[j - 1]);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && Lower(first[i - 1]) == Lower(second[j - 2]) &&
                Lower(first[i - 2]) == Lower(second[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[second.size()];
}

std::vector<std::string> NearestNames(std::string_view typed, const std::vector<std::string>& known)
{
    const size_t allowed = std::max<size_t>(2, typed.size() / 3);
    size_t best = allowed + 1;
    std::vector<std::string> nearest;
    for (const std::string& name : known) {
        const size_t distance = EditDistance(typed, name);
        if (distance < best) {
            best = distance;
            nearest.clear();
        }
        if (distance == best)
            nearest.push_back(name);
    }
    return nearest;
}

std::string OneOf(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

} // namespace tools
