// Fitting one set of BC7 endpoints and indices to the pixels that share
// them: a subset of a partition, or (modes 4 and 5) the colour or alpha
// channels of the whole block.
#pragma once

namespace bptc {

// The block's pixels as the fits see them: channels in 0..255, channel by
// channel (value[channel][pixel], so that loops over the 16 pixels read
// one row in order), a weight per channel for squared errors, and 1 for a
// pixel that counts, 0 for one outside the image.
struct Bc7Pixels {
    float value[4][16];
    float covered[16];
    float weight[4];
};

struct SubsetProblem {
    unsigned pixels[16] = {};
    unsigned count = 0;
    unsigned firstChannel = 0; // the channels fitted: firstChannel ..
    unsigned channels = 3;     // .. firstChannel + channels - 1
    unsigned bits[4] = {};     // endpoint width of each channel, before the p-bit
    unsigned pBits = 0;        // 0 none, 1 one per endpoint, 2 one shared by both
    unsigned indexBits = 2;
    bool opaqueAlpha = false;   // channel 3 held at its largest code (p-bits 1)
    unsigned refinements = 1;   // rounds of least-squares ends and new indices
    bool everyIndex = false;    // try every index per pixel, not only those beside the projection
    bool checkNeighbour = true; // compare the entries either side of the projection exactly
    bool everyPBit = false;     // fit under every choice of p-bits, not only the one nearest the ends
    unsigned polish = 0;        // passes of moving each quantised end channel one code either way
    float goodEnough = 0.0f;    // an error at which no least-squares round or polish pass is made
    float inset = 0.0f;         // share of the spread along the axis each first end is moved inward
};

struct SubsetFit {
    unsigned raw[2][4] = {};
    unsigned pBit[2] = {};
    int value[2][4] = {};    // the endpoints widened to 8 bits, as decoded
    unsigned index[16] = {}; // by pixel position; only the problem's pixels are set
    float error = 0.0f;      // weighted squared error of the covered pixels
};

SubsetFit FitSubset(const Bc7Pixels& pixels, const SubsetProblem& problem);

} // namespace bptc
