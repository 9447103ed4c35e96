#include "tools/common/temporary_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// More than the files any run writes at once (one per worker thread); a
// writer that finds every slot taken waits for one.
constexpr int kSlots = 64;

// A slot's life: a writer claims a free slot (Filling) before it creates
// the file and publishes the name (Live); it frees the slot after the
// rename or removal. The signal handler takes every slot for good
// (Closing), removing the Live ones' files, so that no temporary can be
// made after it ran.
enum SlotState : int { kFree, kFilling, kLive, kClosing };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX]{};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' states");

// Plain storage, no constructor to run: the handler may come at any time.
constinit Slot slots[kSlots];

// A writer between claiming a slot and publishing its name is a few system
// calls from done, on a thread that blocks these signals; the handler
// waits for it, but not forever (a hung file system).
constexpr long kFillingPollNanoseconds = 100'000;
constexpr int kFillingPolls = 20'000; // two seconds

void RemoveTemporariesAndDie(int signal)
{
    for (Slot& slot : slots) {
        int polls = 0;
        for (;;) {
            int state = slot.state.load(std::memory_order_acquire);
            if (state == kClosing)
                break;
            if (state == kFilling && polls++ < kFillingPolls) {
                const timespec pause{0, kFillingPollNanoseconds};
                ::nanosleep(&pause, nullptr);
                continue;
            }
            if (slot.state.compare_exchange_strong(state, kClosing, std::memory_order_acq_rel)) {
                if (state == kLive)
                    ::unlink(slot.path);
                break;
            }
        }
    }
    // The program ends the way the signal would have ended it, so that a
    // shell or a parent sees the signal and not an exit code.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
}

std::mutex installing;

// Holds the three signals off the calling thread while a file is created
// and its name recorded, or renamed and its slot freed.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kSignals)
            sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t before_;
};

int ClaimSlot()
{
    for (;;) {
        for (int i = 0; i < kSlots; ++i) {
            int expected = kFree;
            if (slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel))
                return i;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Frees a slot unless the handler has taken it (the program is ending).
void ReleaseSlot(int slot)
{
    int expected = kLive;
    slots[slot].state.compare_exchange_strong(expected, kFree, std::memory_order_acq_rel);
}

// The process's file-creation mask. Reading it means setting it, so it is
// read once during static initialisation, before any thread exists.
mode_t ReadCreationMask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
const mode_t kCreationMask = ReadCreationMask();

// ".PROGRAM-XXXXXX": hidden, says whose it is if a kill -9 leaves it
// behind, and at most 23 characters whatever the target's name.
std::string NameTemplate()
{
    constexpr size_t kProgramCharacters = 16;
    std::string name(".");
    name.append(program_invocation_short_name, ::strnlen(program_invocation_short_name, kProgramCharacters));
    name.append("-XXXXXX");
    return name;
}

} // namespace

void RemoveTemporariesOnSignals()
{
    std::lock_guard<std::mutex> lock(installing);
    for (int signal : kSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0)
            continue;
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&handler.sa_mask);
        for (int other : kSignals)
            sigaddset(&handler.sa_mask, other);
        handler.sa_flags = SA_RESTART;
        ::sigaction(signal, &handler, nullptr);
    }
}

TemporaryFile::~TemporaryFile() { Discard(); }

bool TemporaryFile::Create(const std::string& folder)
{
    static std::once_flag installed;
    std::call_once(installed, RemoveTemporariesOnSignals);
    Discard();
    std::string path = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    path += NameTemplate();
    if (path.size() >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    {
        SignalsHeld held;
        const int slot = ClaimSlot();
        const int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            slots[slot].state.store(kFree, std::memory_order_release);
            errno = error;
            return false;
        }
        std::memcpy(slots[slot].path, path.c_str(), path.size() + 1);
        slots[slot].state.store(kLive, std::memory_order_release);
        fd_ = fd;
        slot_ = slot;
        path_.swap(path); // no allocation while the file is only in the table
    }
    // mkostemp makes the file readable by its owner only.
    if (::fchmod(fd_, 0666 & ~kCreationMask) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    return true;
}

bool TemporaryFile::Close()
{
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

bool TemporaryFile::Commit(const std::string& target)
{
    if (slot_ < 0) {
        errno = EBADF;
        return false;
    }
    if (!Close()) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    int error = 0;
    {
        SignalsHeld held;
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            error = errno;
            ::unlink(path_.c_str());
        }
        ReleaseSlot(slot_);
    }
    slot_ = -1;
    path_.clear();
    errno = error;
    return error == 0;
}

void TemporaryFile::Discard()
{
    const int error = errno;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (slot_ >= 0) {
        SignalsHeld held;
        ::unlink(path_.c_str());
        ReleaseSlot(slot_);
    }
    slot_ = -1;
    path_.clear();
    errno = error;
}

} // namespace tools
