// The conversion's door to the texture library's loads and the software
// device.
//
// Each LibrarySession has its own software device, made the first time it
// is asked for: work on images in memory (bands of rows) needs none, so a
// band costs no device. The library keeps nothing from call to call but
// its process-wide values (settings read once, bound kernels, the debug
// switches), which are safe to share. So sessions on several threads run
// at once, each on its own textures, and a result does not depend on which
// thread made it.
//
// What the library prints on its debug channel goes into the record of the
// session open on the printing thread, so that a failure's message carries
// it and a success stays quiet. The channel's mute switch is one for the
// process: while another thread's library call is muted, a failing call can
// miss its detail line, never its result.
#pragma once

#include "com_ref.h"
#include "d3d8.h"

#include <string>

namespace r3az8tex {

class LibrarySession {
public:
    LibrarySession();
    ~LibrarySession();
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    // The session's software device, made on first use; throws
    // TextureError (Internal) when it cannot be made.
    IDirect3DDevice8* Device();

    // Throws TextureError when hr is a failure: Unsupported for E_FAIL (the
    // library's answer to a format pair or filter it cannot serve),
    // Internal otherwise. The message names the operation, the result code
    // and what the library printed on its debug channel during the call.
    void Check(HRESULT hr, const std::string& operation);

    // Takes a line the library printed on this session's thread.
    void Collect(const char* text);

private:
    // The session open on this thread before this one, restored when this
    // one ends (sessions nest on a thread).
    LibrarySession* outer_;
    std::string printed_;
    ComRef<IDirect3DDevice8> device_;
};

} // namespace r3az8tex
