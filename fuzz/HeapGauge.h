#pragma once
#include <cstddef>

// Bytes the process holds on its heap right now, as the allocator in use
// counts them (the sanitizer's when built with AddressSanitizer, else
// glibc's). Only differences between two readings mean anything.
size_t HeapInUse();
