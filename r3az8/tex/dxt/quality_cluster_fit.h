// The quality encoder's cluster fit, one block per vector lane (see
// quality_kernel.h).
#ifndef BLOCK_LANES_WIDTH
#error "include quality_kernel.h, not its parts"
#endif

namespace BLOCK_LANES_NAMESPACE {

namespace {

// Cluster fit of the four-colour ramp: the pixels ordered along the axis,
// every split of that order into four runs (first end, a third, two
// thirds, second end) scored by its least-squares error, and the codes of
// the best split. With a, b the runs' shares of the first end (1, 2/3,
// 1/3, 0), the colour sums weighted by them are a third of the sums of
// three prefix sums, so each split costs a few additions.
struct SplitTracker {
    Floats score = Splat(0.0f);
    Floats determinant = Splat(1.0f);
    Ints split = SplatInt(16 << 10 | 16 << 5 | 16); // i << 10 | j << 5 | k
};

constexpr int kSplitTrackers = 4;

// Batcher's odd-even merge network for 16 keys, its exchanges listed in
// order at compile time, so that sorting runs no index arithmetic.
struct SortExchanges {
    int count = 0;
    unsigned char low[64] = {};
    unsigned char high[64] = {};
};

constexpr SortExchanges MergeNetwork()
{
    SortExchanges network;
    for (int p = 1; p < 16; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < 16; j += 2 * k)
                for (int i = 0; i < k && i + j + k < 16; ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) {
                        network.low[network.count] = static_cast<unsigned char>(i + j);
                        network.high[network.count] = static_cast<unsigned char>(i + j + k);
                        ++network.count;
                    }
    return network;
}

constexpr SortExchanges kSortNetwork = MergeNetwork();
static_assert(kSortNetwork.count == 63);

void ClusterPositions(const ColorInput& in, const Floats* axis, Ints (*positions)[16])
{
    // Each lane's pixels in the order of their projections, the same
    // exchanges in every lane.
    Floats key[16];
    Ints order[16];
    for (int i = 0; i < 16; ++i) {
        key[i] = in.x[0][i] * axis[0] + in.x[1][i] * axis[1] + in.x[2][i] * axis[2];
        order[i] = SplatInt(i);
    }
    for (int e = 0; e < kSortNetwork.count; ++e) {
        const int low = kSortNetwork.low[e], high = kSortNetwork.high[e];
        const Ints exchange = key[high] < key[low];
        const Floats lowKey = key[low];
        key[low] = exchange ? key[high] : key[low];
        key[high] = exchange ? lowKey : key[high];
        const Ints lowOrder = order[low];
        order[low] = exchange ? order[high] : order[low];
        order[high] = exchange ? lowOrder : order[high];
    }
    Floats x[3][16];
    Floats w[16];
    Ints rank[16];
    for (int lane = 0; lane < kLaneCount; ++lane)
        for (int i = 0; i < 16; ++i) {
            const int pixel = order[i][lane];
            for (int c = 0; c < 3; ++c)
                x[c][i][lane] = in.x[c][pixel][lane];
            w[i][lane] = in.weight[pixel][lane];
            rank[pixel][lane] = i;
        }
    // Colours about their weighted mean, which leaves each split's least
    // error unchanged (the shares of the two ends add up to 1) and makes
    // the colour total 0. A split's least error is then the constant sum of
    // squares less W |X_a|^2 / det, with W the weight and X_a the colours
    // weighted by the first end's shares: the best split scores highest.
    Floats sumW = Splat(0.0f);
    Floats mean[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i < 16; ++i) {
        sumW += w[i];
        for (int c = 0; c < 3; ++c)
            mean[c] += w[i] * x[c][i];
    }
    for (int c = 0; c < 3; ++c)
        mean[c] = mean[c] / (sumW > Splat(0.0f) ? sumW : Splat(1.0f));
    // Prefix sums, pre-multiplied by the shares they enter with: X_a is a
    // third of the sum of the prefix sums at the three split points.
    Floats third[17], fifthNinths[17], thirdNinths[17], ninth[17];
    Floats xThird[3][17];
    Floats runningW = Splat(0.0f);
    Floats runningX[3] = {Splat(0.0f), Splat(0.0f), Splat(0.0f)};
    for (int i = 0; i <= 16; ++i) {
        third[i] = runningW * dxt::kOneThird;
        fifthNinths[i] = runningW * (5.0f / 9.0f);
        thirdNinths[i] = runningW * (3.0f / 9.0f);
        ninth[i] = runningW * (1.0f / 9.0f);
        for (int c = 0; c < 3; ++c)
            xThird[c][i] = runningX[c] * dxt::kOneThird;
        if (i < 16) {
            runningW += w[i];
            for (int c = 0; c < 3; ++c)
                runningX[c] += w[i] * (x[c][i] - mean[c]);
        }
    }
    // With S the sum of first-end shares and aa that of their squares, the
    // shares of the second end being 1 minus them, det = W aa - S^2; splits
    // that put (nearly) every pixel in one run have none and are skipped.
    const Floats degenerate = sumW * 1.0e-3f;
    // Trackers of the best split, one per step of k modulo kSplitTrackers, so
    // the comparisons do not wait on each other.
    SplitTracker trackers[kSplitTrackers];
    for (int i = 0; i <= 16; ++i)
        for (int j = i; j <= 16; ++j) {
            const Floats alphaIJ = third[i] + third[j];
            const Floats aaIJ = fifthNinths[i] + thirdNinths[j];
            const Floats xIJ[3] = {xThird[0][i] + xThird[0][j], xThird[1][i] + xThird[1][j],
                                   xThird[2][i] + xThird[2][j]};
            auto consider = [&](SplitTracker& tracker, int k, Ints split) {
                const Floats sumAlpha = alphaIJ + third[k];
                const Floats aa = aaIJ + ninth[k];
                const Floats determinant = sumW * aa - sumAlpha * sumAlpha;
                const Floats s0 = xIJ[0] + xThird[0][k];
                const Floats s1 = xIJ[1] + xThird[1][k];
                const Floats s2 = xIJ[2] + xThird[2][k];
                const Floats score = s0 * s0 + s1 * s1 + s2 * s2;
                const Ints better =
                    (determinant > degenerate) & (score * tracker.determinant > tracker.score * determinant);
                tracker.score = better ? score : tracker.score;
                tracker.determinant = better ? determinant : tracker.determinant;
                tracker.split = better ? split : tracker.split;
            };
            int k = j;
            Ints split = SplatInt(i << 10 | j << 5 | j);
            for (; k + 3 <= 16; k += 4) {
                for (int t = 0; t < kSplitTrackers; ++t)
                    consider(trackers[t], k + t, split + t);
                split += kSplitTrackers;
            }
            for (; k <= 16; ++k, split += 1)
                consider(trackers[0], k, split);
        }
    // Every tracker's split: the best and some good others, for the
    // quantised ends to judge.
    for (int t = 0; t < kSplitTrackers; ++t) {
        const Ints bestSplit = trackers[t].split;
        const Ints bestI = bestSplit >> 10;
        const Ints bestJ = (bestSplit >> 5) & 31;
        const Ints bestK = bestSplit & 31;
        for (int i = 0; i < 16; ++i) {
            const Ints at = rank[i];
            positions[t][i] =
                at < bestI ? SplatInt(0) : at < bestJ ? SplatInt(1) : at < bestK ? SplatInt(2) : SplatInt(3);
        }
    }
}

} // namespace

} // namespace BLOCK_LANES_NAMESPACE
