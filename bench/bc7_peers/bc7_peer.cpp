#include "bench/bc7_peers/bc7_peer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Single quotes keep the shell from reading anything in a path.
std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Everything the command writes to its standard output; nothing when it
// cannot start or exits other than 0.
std::optional<std::string> Output(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        text.append(chunk, got);
    return pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

} // namespace

std::optional<PeerResult> RunBc7enc(const std::string& program, const std::string& png, const std::string& dds,
                                    int level)
{
    // -g: no unpacked PNG beside the file (nor the PSNR it would print).
    const std::string command = "OMP_NUM_THREADS=1 " + Quoted(program) + " -u" + std::to_string(level) + " -g " +
                                Quoted(png) + " " + Quoted(dds) + " 2>&1";
    const std::optional<std::string> output = Output(command);
    if (!output)
        return std::nullopt;
    constexpr const char* kTimeLine = "Total encoding time: ";
    const size_t at = output->find(kTimeLine);
    std::optional<Bc7Blocks> blocks = ReadBc7Dds(dds);
    if (at == std::string::npos || !blocks)
        return std::nullopt;
    return PeerResult{std::move(*blocks), std::atof(output->c_str() + at + std::strlen(kTimeLine))};
}

std::vector<uint8_t> DecodeWithPillow(const std::string& dds)
{
    const std::string script = "import sys; from PIL import Image; "
                               "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert('RGBA').tobytes())";
    const std::optional<std::string> output = Output("/usr/bin/python3 -c " + Quoted(script) + " " + Quoted(dds));
    return output ? std::vector<uint8_t>(output->begin(), output->end()) : std::vector<uint8_t>{};
}
