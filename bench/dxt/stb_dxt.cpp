// stb_dxt's implementation, compiled once for the benchmark. It calls
// memcpy without including its header.
#include <cstring>
using std::memcpy;

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>
