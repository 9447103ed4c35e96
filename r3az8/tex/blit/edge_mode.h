// How a filter that reaches past an edge of the image treats it, per axis.
#pragma once

#include "r3az8/tex/image_desc.h"

enum class EdgeMode {
    Mirror, // stay inside: the part beyond the edge folds back
    Wrap,   // the image tiles: the part beyond the edge comes from the other side
};

// The axis's mirror flag (IMAGE_FILTER_MIRROR_U, _V or _W) set means Mirror.
inline EdgeMode EdgeModeFor(DWORD filter, DWORD mirrorFlag)
{
    return (filter & mirrorFlag) != 0 ? EdgeMode::Mirror : EdgeMode::Wrap;
}
