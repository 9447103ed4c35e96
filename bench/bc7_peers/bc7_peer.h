// Outside programs the BC7 benchmark runs: bc7enc, the encoder it is
// measured against, and Pillow, a second opinion on how BC7 files decode.
#pragma once

#include "bench/bc7_peers/bc7_dds.h"

#include <optional>
#include <string>
#include <vector>

struct PeerResult {
    Bc7Blocks blocks;
    double seconds = 0; // encoding alone, as bc7enc reports it
};

// Runs bc7enc on one thread at quality level `level` (-u0 .. -u6) from
// `png` into `dds`; nothing when it fails or reports no encoding time.
std::optional<PeerResult> RunBc7enc(const std::string& program, const std::string& png, const std::string& dds,
                                    int level);

// The file as Pillow decodes it, R, G, B, A bytes per pixel; empty when
// Pillow cannot.
std::vector<uint8_t> DecodeWithPillow(const std::string& dds);
