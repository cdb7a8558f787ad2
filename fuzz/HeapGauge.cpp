#include "HeapGauge.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RX_HEAP_FROM_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RX_HEAP_FROM_ASAN 1
#endif

#if defined(RX_HEAP_FROM_ASAN)
// The sanitizer runtime's count; GCC ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

size_t HeapInUse()
{
#if defined(RX_HEAP_FROM_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}
