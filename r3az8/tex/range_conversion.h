// Conversion of float colours between channel ranges: a channel that is
// unsigned (0..1) on one side and signed (-1..1) on the other is mapped with
// 2x - 1 or (x + 1) * 0.5; a channel of the same kind on both sides is
// copied. No clamping: the encoders saturate what is out of their range.
#pragma once

#include "r3az8/tex/pixel_codec.h"

// One pixel from range `from` to range `to`.
FloatColor ConvertPixelRange(FloatColor pixel, ChannelRange from, ChannelRange to);

// `count` pixels from `source` into `target` (which may be the same row).
void ConvertRowRange(const FloatColor* source, FloatColor* target, UINT count, ChannelRange from, ChannelRange to);
