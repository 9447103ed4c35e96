#include "r3az8/tex/blit/triangle_weights.h"

#include "r3az8/tex/debug.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace {

constexpr float kSmallestKeptWeight = 0.00001f;

// Upper bound in bytes of what filling the table writes: per source index
// its size word and room for trunc(span + wrap + 1) pairs twice over, span
// being the tent half's width in destination units as the filling computes
// it. Empty when it does not fit the 32-bit size word.
std::optional<size_t> TableCapacity(UINT sourceSize, float scale, EdgeMode edge)
{
    const float wrap = edge == EdgeMode::Wrap ? 1.0f : 0.0f;
    uint64_t capacity = 16;
    for (UINT j = 0; j < sourceSize; ++j) {
        const float x = (float(j) - 0.5f) * scale;
        const float span = (x + scale) - x;
        capacity += 12 + 16 * uint64_t(std::trunc(span + wrap + 1.0f));
        if (capacity > UINT32_MAX)
            return std::nullopt;
    }
    return size_t(capacity);
}

// Appends words to the table, each write checked against the capacity
// first; once a write would pass it, nothing more is written.
class TableWriter {
public:
    TableWriter(uint32_t* words, size_t capacity) : m_words(words), m_capacity(capacity) {}

    // Reserves one word; its byte offset, or empty when out of room.
    std::optional<size_t> Reserve() { return Append(0); }

    std::optional<size_t> Append(uint32_t word)
    {
        const size_t uSizeMax = m_capacity;
        const size_t uSize = m_size + sizeof(uint32_t);
        if (!R3AZ_ASSERT(uSize <= uSizeMax)) {
            m_overflowed = true;
            return std::nullopt;
        }
        const size_t offset = m_size;
        m_words[offset / sizeof(uint32_t)] = word;
        m_size = uSize;
        return offset;
    }

    // A pair is one write of two words.
    bool AppendPair(uint32_t destination, float weight)
    {
        const size_t uSizeMax = m_capacity;
        const size_t uSize = m_size + 2 * sizeof(uint32_t);
        if (!R3AZ_ASSERT(uSize <= uSizeMax)) {
            m_overflowed = true;
            return false;
        }
        m_words[m_size / sizeof(uint32_t)] = destination;
        m_words[m_size / sizeof(uint32_t) + 1] = std::bit_cast<uint32_t>(weight);
        m_size = uSize;
        return true;
    }

    // Overwrites a word already written.
    void Patch(size_t offset, uint32_t word) { m_words[offset / sizeof(uint32_t)] = word; }

    size_t Size() const { return m_size; }
    bool Overflowed() const { return m_overflowed; }

private:
    uint32_t* m_words;
    size_t m_capacity;
    size_t m_size = 0;
    bool m_overflowed = false;
};

// Folds a destination position one period past either edge back in.
inline int64_t WrapIndex(int64_t p, int64_t destSize)
{
    if (p < 0)
        p += destSize;
    else if (p >= destSize)
        p -= destSize;
    // The tent never reaches further than half the destination past an
    // edge; keep even a float-rounded outlier inside.
    if (p < 0 || p >= destSize)
        p = ((p % destSize) + destSize) % destSize;
    return p;
}

// Fills the table; false when the filling stopped at the capacity.
bool FillTable(TableWriter& writer, UINT sourceSize, UINT destSize, float scale, EdgeMode edge)
{
    const bool mirror = edge == EdgeMode::Mirror;
    const float destLimit = float(destSize);
    const float sourceLimit = float(sourceSize);
    const float halfOverScale = 0.5f / scale;

    if (!writer.Reserve()) // total size, written last
        return false;
    int64_t d = 0; // runs on from one source index to the next
    for (UINT j = 0; j < sourceSize; ++j) {
        const std::optional<size_t> entryStart = writer.Reserve();
        if (!entryStart)
            return false;
        float s = 0.0f;
        for (UINT k = 0; k < 2; ++k) {
            // The rising (k = 0) or falling (k = 1) half of the tent, from
            // u to u + 1 in source units, from g to e in destination units.
            const float u = float(j + k) - 0.5f;
            float g = u * scale;
            float e = g + scale;
            if (mirror) {
                g = std::max(g, 0.0f);
                e = std::min(e, destLimit);
            }
            for (int64_t p = int64_t(std::floor(g)); float(p) < e; ++p) {
                const int64_t t = WrapIndex(p, destSize);
                if (t != d) {
                    if (s > kSmallestKeptWeight && !writer.AppendPair(uint32_t(d), s))
                        return false;
                    s = 0.0f;
                    d = t;
                }
                const float lo = std::max(float(p), g);
                const float hi = std::min(float(p + 1), e);
                // Tent height at the middle of the stretch; mirrored, the
                // stretch folded back over an edge counts fully.
                float v;
                if (mirror && u < 0.0f)
                    v = 1.0f;
                else if (mirror && u + 1.0f >= sourceLimit)
                    v = 0.0f;
                else
                    v = (lo + hi) * halfOverScale - u;
                if (k == 1)
                    v = 1.0f - v;
                s += (hi - lo) * v;
            }
        }
        if (s > kSmallestKeptWeight && !writer.AppendPair(uint32_t(d), s))
            return false;
        writer.Patch(*entryStart, uint32_t(writer.Size() - *entryStart));
    }
    writer.Patch(0, uint32_t(writer.Size()));
    return true;
}

WorkingArray<uint32_t> BuildTable(UINT sourceSize, UINT destSize, EdgeMode edge, std::optional<size_t> forcedCapacity)
{
    if (sourceSize == 0 || destSize == 0)
        return nullptr;
    const float scale = float(destSize) / float(sourceSize);
    std::optional<size_t> capacity = forcedCapacity ? forcedCapacity : TableCapacity(sourceSize, scale, edge);
    if (!capacity)
        return nullptr;
    WorkingArray<uint32_t> table =
        AllocateWorkingArray<uint32_t>((*capacity + sizeof(uint32_t) - 1) / sizeof(uint32_t), Contents::Uninitialised);
    if (!table)
        return nullptr;
    TableWriter writer(table.get(), *capacity);
    if (!FillTable(writer, sourceSize, destSize, scale, edge))
        return nullptr; // a table cut short would lose weights: no table at all
    return table;
}

} // namespace

WorkingArray<uint32_t> MakeTriangleWeights(UINT sourceSize, UINT destSize, EdgeMode edge)
{
    return BuildTable(sourceSize, destSize, edge, std::nullopt);
}

bool ReadTriangleWeights(const uint32_t* table, UINT sourceSize, TriangleWeightList& list)
{
    const size_t totalWords = table[0] / sizeof(uint32_t);
    // Every entry is its size word plus two words per pair.
    const size_t pairCount = (totalWords - 1 - sourceSize) / 2;
    list.pairs = AllocateWorkingArray<TriangleWeightPair>(pairCount, Contents::Uninitialised);
    list.first = AllocateWorkingArray<uint32_t>(size_t(sourceSize) + 1, Contents::Uninitialised);
    if (!list.pairs || !list.first)
        return false;
    list.sourceSize = sourceSize;

    size_t word = 1;
    uint32_t pair = 0;
    for (UINT j = 0; j < sourceSize; ++j) {
        list.first[j] = pair;
        const size_t entryWords = table[word] / sizeof(uint32_t);
        for (size_t w = word + 1; w + 2 <= word + entryWords; w += 2)
            list.pairs[pair++] = {table[w], std::bit_cast<float>(table[w + 1])};
        word += entryWords;
    }
    list.first[sourceSize] = pair;
    return true;
}

WorkingArray<uint32_t> MakeTriangleWeightsWithCapacityForTesting(UINT sourceSize, UINT destSize, EdgeMode edge,
                                                      size_t capacityBytes)
{
    return BuildTable(sourceSize, destSize, edge, capacityBytes);
}
