#include "tools/r3aztex/device/library_session.h"

#include "tools/r3aztex/tool_error.h"
#include "win32_testing.h"

#include <cstdio>

namespace r3aztex {
namespace {

std::mutex& LibraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// What the library printed since the session began; read and written only
// while the library lock is held.
std::string& Printed()
{
    static std::string text;
    return text;
}

// The library's debug lines go into the session's record instead of the
// terminal: a failure's message then carries them, and a success stays
// quiet.
void CollectDebugLine(const char* text, void*)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::string& printed = Printed();
    if (!printed.empty())
        printed += "; ";
    printed += line;
}

} // namespace

LibrarySession::LibrarySession() : lock_(LibraryMutex())
{
    Printed().clear();
    win32::SetDebugSink(CollectDebugLine, nullptr);
    const HRESULT hr = SoftD3D8CreateDevice(device_.Receive());
    if (hr < 0 || device_.Get() == nullptr) {
        win32::SetDebugSink(nullptr, nullptr);
        throw ToolError(ExitCode::Internal, "cannot create the software device");
    }
}

LibrarySession::~LibrarySession()
{
    device_.Reset();
    win32::SetDebugSink(nullptr, nullptr);
}

void LibrarySession::Check(HRESULT hr, const std::string& operation)
{
    if (hr >= 0) {
        Printed().clear();
        return;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    std::string message = operation + " failed (" + code + ")";
    if (!Printed().empty())
        message += ": " + Printed();
    Printed().clear();
    throw ToolError(hr == E_FAIL ? ExitCode::Unsupported : ExitCode::Internal, message);
}

} // namespace r3aztex
