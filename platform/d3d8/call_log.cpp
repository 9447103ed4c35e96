#include "platform/d3d8/call_log.h"

#include "d3d8_testing.h"
#include "process_state.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <vector>

namespace softd3d8 {

namespace {

struct CallRecord {
    std::mutex mutex;
    std::vector<std::string> lines;
};

std::atomic<bool> recordCalls{true};

} // namespace

bool RecordingCalls() { return recordCalls.load(std::memory_order_relaxed); }

void AppendCall(std::string line) { Locked<CallRecord>()->lines.push_back(std::move(line)); }

std::string DescribePointer(const void* pointer)
{
    if (pointer == nullptr)
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(pointer));
    return text;
}

} // namespace softd3d8

namespace d3d8 {

WIN32_EXPORT std::vector<std::string> CallLog() { return Locked<softd3d8::CallRecord>()->lines; }

WIN32_EXPORT void ClearCallLog() { Locked<softd3d8::CallRecord>()->lines.clear(); }

WIN32_EXPORT void RecordCalls(bool record) { softd3d8::recordCalls.store(record, std::memory_order_relaxed); }

WIN32_EXPORT std::string DescribeObject(const void* object) { return softd3d8::DescribePointer(object); }

} // namespace d3d8
