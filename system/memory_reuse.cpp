#include "system/memory_reuse.h"

#include <cstdlib> // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Large blocks from the heap rather than from their own mappings, one
    // heap for all threads (the decoder thread frees what the GUI thread
    // reuses), and no trimming below half a gigabyte of free heap.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

void ReleaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
