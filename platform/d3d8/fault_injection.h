// Counting and failing the device calls that tests can make fail.
#pragma once

#include "d3d8_testing.h"

namespace softd3d8 {

// Counts one call of `kind` (and of Call::Any) and returns the result armed
// for it, or D3D_OK when the call is to go ahead.
HRESULT EnterInjectableCall(d3d8::Call kind);

} // namespace softd3d8
