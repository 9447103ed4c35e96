// The canary: a program that does what the sanitizers exist to catch, so
// the battery can prove they are watching. Modes:
//   heap-overflow    writes one byte past the end of a heap block
//   leak             drops the last pointer to a heap block
//   signed-overflow  overflows a signed integer
// Built only in the sanitizer build. Run there, it must be stopped with the
// sanitizer's report; if it reaches its last line instead, it says so and
// the test that runs it fails.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Sizes and offsets come from the command line, so nothing can be decided
// at compile time.
__attribute__((noinline)) void WritePastTheEnd(size_t size)
{
    char* block = new char[size];
    volatile char* bytes = block;
    bytes[size] = 1;
    delete[] block;
}

__attribute__((noinline)) void Leak(size_t size)
{
    void* volatile block = std::malloc(size);
    std::memset(block, 1, size);
    block = nullptr;
}

__attribute__((noinline)) int Overflow(int start)
{
    volatile int value = start;
    return value + 1;
}

} // namespace

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "heap-overflow";
    const size_t size = 16 + (argc > 2 ? size_t(std::atoi(argv[2])) : 0);
    if (std::strcmp(mode, "heap-overflow") == 0)
        WritePastTheEnd(size);
    else if (std::strcmp(mode, "leak") == 0)
        Leak(size);
    else if (std::strcmp(mode, "signed-overflow") == 0)
        std::printf("%d\n", Overflow(INT_MAX - int(size) + 16));
    else {
        std::fprintf(stderr, "canary: unknown mode %s\n", mode);
        return 2;
    }
    std::printf("canary: %s went unnoticed\n", mode);
    return 0;
}
