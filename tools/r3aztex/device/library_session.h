// The tool's only door to the texture library and the software device.
//
// The library was written for one thread: its debug mute, debug level and
// bound box kernels are process-wide values written without
// synchronisation. So the tool never calls it from two threads at once: a
// LibrarySession holds one process-wide lock for as long as it lives, and
// every library and device call happens inside one. Threads run the tool's
// own work in parallel (file reading and writing, PNG coding, sRGB
// conversion, normal renormalisation) and queue for the library. Since each
// session makes a fresh device and the library keeps nothing from call to
// call but those process-wide values, results do not depend on which
// thread ran what, or in which order.
#pragma once

#include "com_ref.h"
#include "d3d8.h"

#include <mutex>
#include <string>

namespace r3aztex {

class LibrarySession {
public:
    // Waits for the library, then makes a software device.
    LibrarySession();
    ~LibrarySession();
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    IDirect3DDevice8* Device() const { return device_.Get(); }

    // Throws ToolError when hr is a failure: Unsupported for E_FAIL (the
    // library's answer to a format pair or filter it cannot serve),
    // Internal otherwise. The message names the operation, the result code
    // and what the library printed on its debug channel during the call.
    void Check(HRESULT hr, const std::string& operation);

private:
    std::unique_lock<std::mutex> lock_;
    ComRef<IDirect3DDevice8> device_;
};

} // namespace r3aztex
