// mirolan-play: runs the effect plug-in outside an engine and writes what
// it draws as PNG pictures. See --help.
#include "tools/mirolan-play/options.h"
#include "tools/mirolan-play/player.h"

#include <cstdio>
#include <new>

int main(int argc, char** argv)
{
    ParsedOptions parsed = ParseOptions(argc, argv);
    if (!parsed.options)
        return ToInt(parsed.exitCode);
    try {
        return ToInt(Play(*parsed.options));
    } catch (const std::bad_alloc&) {
        // The frames say what they were doing when memory ran out; this is
        // what is left: the parameter text, the module, the effect itself.
        std::fprintf(stderr, "mirolan-play: out of memory\n");
        return ToInt(ExitCode::EffectFailure);
    }
}
