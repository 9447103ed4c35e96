#include "r3az8/tex/files/warnings.h"

#include <cstdio>
#include <mutex>

namespace r3az8tex {
void WarnToStandardError(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

namespace {

std::mutex& Lock()
{
    static std::mutex mutex;
    return mutex;
}

WarningSink& Destination()
{
    static WarningSink destination = WarnToStandardError;
    return destination;
}

} // namespace

void Warn(const std::string& file, const std::string& what)
{
    std::lock_guard lock(Lock());
    if (Destination())
        Destination()(file + ": warning: " + what);
}

WarningDestination::WarningDestination(WarningSink destination)
{
    std::lock_guard lock(Lock());
    previous_ = std::move(Destination());
    Destination() = std::move(destination);
}

WarningDestination::~WarningDestination()
{
    std::lock_guard lock(Lock());
    Destination() = std::move(previous_);
}

} // namespace r3az8tex
