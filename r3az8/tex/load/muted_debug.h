// Silences the library's debug channel (and the device runtime's) for the
// lifetime of the object: around platform calls that are expected to fail
// in normal operation, such as asking a surface for a container it may not
// have.
#pragma once

#include "r3az8/tex/debug.h"

class MutedDebug {
public:
    MutedDebug() { SetDebugMute(TRUE); }
    ~MutedDebug() { SetDebugMute(FALSE); }
    MutedDebug(const MutedDebug&) = delete;
    MutedDebug& operator=(const MutedDebug&) = delete;
};
