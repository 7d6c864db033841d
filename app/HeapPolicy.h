#pragma once
// How the program's heap gives memory back. A user's database is tens of
// megabytes of small values; glibc returns the freed top of the heap to the
// system once it passes a threshold that it derives from the largest mapped
// block freed so far. The next load, a user switch or a save then faults
// every page of that memory in again, which costs more than the parsing on a
// 100,000-record user. A fixed, generous threshold keeps that memory for the
// next use; large single buffers (whole file texts) are still mapped apart
// and returned on release, so no copy of a whole file lingers in the heap.
#include <malloc.h>

namespace heappolicy {

// Freed memory the heap keeps at its top instead of returning it.
inline constexpr int kKeptFreeBytes = 128 * 1024 * 1024;

// Called once at start, before the first database is read.
inline void KeepFreedMemory() { ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes); }

}  // namespace heappolicy
