// One whole life of the effect as an engine drives it (factory, Create with
// a parameter text, frames, disposal) on a fresh engine, and what a run
// leaves behind, for the fault sweeps and the determinism checks.
#pragma once

#include "effects/effMirolan/zelvBaseEffect.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace reliability {

struct LifeScript {
    std::string parameters;
    unsigned frames = 3;
    float timeStep = 1.0f / 60.0f;
    unsigned seed = 1;
};

// What one life did, as far as the engine can tell.
struct LifeOutcome {
    bool effectMade = false;        // CreateEffect gave an object
    HRESULT created = E_FAIL;       // Create's result (E_FAIL when no object)
    bool heldWhenCreated = false;   // after Create: a texture exactly when S_OK, only the effect's block when not
    unsigned framesRendered = 0;
    unsigned framesLeftLocked = 0;  // frames after which something was still locked
    // Filled by the frame observer when given: one hash per rendered frame.
    std::vector<uint64_t> frameHashes;
};

// Called before each frame (with its index) so a sweep can arm a failure
// for that frame only.
using BeforeFrame = std::function<void(unsigned frame)>;

// Resets the engine, tracker, heap failures and device faults.
void FreshEngine();

// Runs the life; with `hashFrames` every level of the texture is hashed
// after each frame.
enum class FrameHashes { Skip, Take };
LifeOutcome RunLife(const LifeScript& script, FrameHashes hashFrames = FrameHashes::Skip,
                    const BeforeFrame& beforeFrame = nullptr);

// What a finished life left behind; all zero when it cleaned up.
struct Leftovers {
    size_t trackedBlocks = 0;   // blocks the allocation tracker still holds
    size_t heapBlocks = 0;      // global-heap blocks beyond those alive before the life
    size_t textures = 0;        // engine textures alive after disposal
    unsigned lockedObjects = 0; // device objects still locked
    unsigned deviceObjects = 0; // device objects alive once the engine shut down
    bool Clean() const
    {
        return trackedBlocks == 0 && heapBlocks == 0 && textures == 0 && lockedObjects == 0 && deviceObjects == 0;
    }
};

// Measures what is left, then shuts the engine down (releasing what it
// still held, so the next life starts clean).
Leftovers TakeLeftovers(size_t heapBlocksBefore);

// FNV-1a over bytes, folded into a running hash.
uint64_t HashBytes(uint64_t hash, const void* bytes, size_t size);
constexpr uint64_t kHashStart = 0xcbf29ce484222325ull;

} // namespace reliability
