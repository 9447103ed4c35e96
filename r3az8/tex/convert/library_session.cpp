#include "r3az8/tex/convert/library_session.h"

#include "r3az8/tex/texture/texture_error.h"
#include "win32_testing.h"

#include <cstdio>
#include <mutex>

namespace r3az8tex {
namespace {

thread_local LibrarySession* openSession = nullptr;

// Debug lines go to the session of the thread that printed them; a line
// printed on a thread without one goes where the platform sends it by
// default, standard error.
void RouteDebugLine(const char* text, void*)
{
    if (openSession != nullptr) {
        openSession->Collect(text);
        return;
    }
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void InstallDebugRoute()
{
    static std::once_flag installed;
    std::call_once(installed, [] { win32::SetDebugSink(RouteDebugLine, nullptr); });
}

} // namespace

LibrarySession::LibrarySession() : outer_(openSession)
{
    InstallDebugRoute();
    openSession = this;
}

IDirect3DDevice8* LibrarySession::Device()
{
    if (device_.Get() == nullptr) {
        const HRESULT hr = SoftD3D8CreateDevice(device_.Receive());
        if (hr < 0 || device_.Get() == nullptr) {
            device_.Reset();
            throw TextureError(ErrorKind::Internal, "cannot create the software device");
        }
    }
    return device_.Get();
}

LibrarySession::~LibrarySession()
{
    device_.Reset();
    openSession = outer_;
}

void LibrarySession::Collect(const char* text)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (!printed_.empty())
        printed_ += "; ";
    printed_ += line;
}

void LibrarySession::Check(HRESULT hr, const std::string& operation)
{
    if (hr >= 0) {
        printed_.clear();
        return;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    std::string message = operation + " failed (" + code + ")";
    if (!printed_.empty())
        message += ": " + printed_;
    printed_.clear();
    throw TextureError(hr == E_FAIL ? ErrorKind::Unsupported : ErrorKind::Internal, message);
}

} // namespace r3az8tex
