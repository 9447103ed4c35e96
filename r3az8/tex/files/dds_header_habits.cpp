#include "r3az8/tex/files/dds_header_habits.h"

namespace r3az8tex::dds {

DdsPixelFormat WidelyReadForm(const DdsPixelFormat& own)
{
    DdsPixelFormat stored = own;
    if (own.flags & DDPF_FOURCC)
        return stored;
    if (own.flags & DDPF_LUMINANCE) {
        stored.flags |= DDPF_RGB;
        stored.greenMask = stored.blueMask = own.redMask;
    } else if (own.flags & DDPF_ALPHA) {
        stored.flags |= DDPF_RGB | DDPF_ALPHAPIXELS;
    }
    return stored;
}

DdsPixelFormat CanonicalForm(const DdsPixelFormat& stored)
{
    DdsPixelFormat own = stored;
    if (stored.flags & DDPF_FOURCC)
        return own;
    const bool grey = stored.redMask != 0 && stored.greenMask == stored.redMask && stored.blueMask == stored.redMask;
    const bool noColour = stored.redMask == 0 && stored.greenMask == 0 && stored.blueMask == 0;
    if ((stored.flags & DDPF_LUMINANCE) && grey) {
        own.flags &= ~DDPF_RGB;
        own.greenMask = own.blueMask = 0;
    } else if ((stored.flags & DDPF_ALPHA) && noColour) {
        own.flags &= ~(DDPF_RGB | DDPF_ALPHAPIXELS);
    }
    return own;
}

} // namespace r3az8tex::dds
