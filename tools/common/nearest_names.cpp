#include "tools/common/nearest_names.h"

#include <algorithm>
#include <numeric>

namespace tools {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Costs in half edits, so that a whole word can cost one and a half.
constexpr size_t kEdit = 2;
constexpr size_t kWholeWord = 3;

std::vector<std::string_view> Words(std::string_view name)
{
    std::vector<std::string_view> words;
    for (size_t start = 0;;) {
        const size_t end = name.find('_', start);
        words.push_back(name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return words;
        start = end + 1;
    }
}

// The first word says what a name is about ("bc1", "r16g16"), the later
// ones qualify it ("unorm", "srgb") and are the ones people leave out or
// add: the first words are always compared with each other, a later one
// may also go or come whole.
size_t WordCost(std::string_view typed, std::string_view name)
{
    const std::vector<std::string_view> from = Words(typed), to = Words(name);
    const size_t columns = to.size();
    std::vector<size_t> previous(columns), current(columns);
    previous[0] = kEdit * EditDistance(from[0], to[0]);
    for (size_t j = 1; j < columns; ++j)
        previous[j] = previous[j - 1] + kWholeWord;
    for (size_t i = 1; i < from.size(); ++i) {
        current[0] = previous[0] + kWholeWord;
        for (size_t j = 1; j < columns; ++j)
            current[j] = std::min({previous[j] + kWholeWord, current[j - 1] + kWholeWord,
                                   previous[j - 1] + kEdit * EditDistance(from[i], to[j])});
        std::swap(previous, current);
    }
    return previous[columns - 1];
}

size_t Cost(std::string_view typed, std::string_view name)
{
    return std::min(kEdit * EditDistance(typed, name), WordCost(typed, name));
}

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
    // Three edits let "conv" find "convert".
    const size_t allowed = kEdit * (std::max<size_t>(2, typed.size() / 3) + 1);
    size_t best = allowed;
    std::vector<std::string> nearest;
    for (const std::string& name : known) {
        const size_t distance = Cost(typed, name);
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
