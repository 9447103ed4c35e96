// Option bits of SurfaceLock and VolumeLock.
#pragma once

#include "win32.h"

// The pixels are only read: the lock is read-only and a copy is never
// written back.
inline constexpr DWORD LOCK_READ_ONLY = 0x1u;
// Always work through a system-memory copy, even when the surface could be
// locked directly (used when a surface is loaded from itself, so the source
// stays a snapshot while the destination is written). Volume locks ignore
// it: volumes have no copy path.
inline constexpr DWORD LOCK_SEPARATE_COPY = 0x10000u;
