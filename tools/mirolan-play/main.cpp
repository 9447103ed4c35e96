// mirolan-play: runs the effect plug-in outside an engine and writes what
// it draws as PNG pictures. See --help.
#include "tools/mirolan-play/options.h"
#include "tools/mirolan-play/player.h"

int main(int argc, char** argv)
{
    ParsedOptions parsed = ParseOptions(argc, argv);
    if (!parsed.options)
        return ToInt(parsed.exitCode);
    return ToInt(Play(*parsed.options));
}
