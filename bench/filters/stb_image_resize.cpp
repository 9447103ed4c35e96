// The comparison resizer of the benchmarks, compiled once here.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include "stb/stb_image_resize.h"
