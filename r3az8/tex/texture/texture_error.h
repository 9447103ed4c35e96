// The library's own name for the error type, which r3az8/tex/texture.h
// makes public together with the texture it describes.
#pragma once

#include "r3az8/tex/texture.h"
