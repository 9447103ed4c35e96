#include "platform/d3d8/object_registry.h"

#include "d3d8_testing.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace softd3d8 {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<const void*, ObjectKind> objects;
};

Registry& TheRegistry()
{
    static Registry* registry = new Registry; // objects may outlive static destruction
    return *registry;
}

std::atomic<unsigned> lockedObjects{0};

} // namespace

Registration::Registration(const void* identity, ObjectKind kind) : identity_(identity)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.objects[identity] = kind;
}

Registration::~Registration()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.objects.erase(identity_);
}

bool IsLiveObject(const void* identity, ObjectKind kind)
{
    if (identity == nullptr)
        return false;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.objects.find(identity);
    return found != registry.objects.end() && found->second == kind;
}

size_t LiveObjectCount()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.objects.size();
}

void CountLockTaken() { ++lockedObjects; }
void CountLockReleased() { --lockedObjects; }

} // namespace softd3d8

namespace d3d8 {

WIN32_EXPORT unsigned LiveObjects() { return static_cast<unsigned>(softd3d8::LiveObjectCount()); }
WIN32_EXPORT unsigned LockedObjects() { return softd3d8::lockedObjects.load(); }

} // namespace d3d8
