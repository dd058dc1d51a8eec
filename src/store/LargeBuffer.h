#pragma once

#include <cstddef>

namespace LargeBuffer {

// Asks the kernel to back the 2 MiB-aligned middle of a freshly allocated,
// still untouched buffer with huge pages: the few megabytes a large notebook
// is read into are then faulted in a handful of times instead of a thousand.
// A hint only; where huge pages are off, or the buffer is small, nothing
// changes.
void preferHugePages(const void *data, std::size_t size);

} // namespace LargeBuffer
