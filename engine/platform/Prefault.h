// Asks the kernel to back a freshly allocated region with pages in one call before it is
// written, instead of taking a page fault at the first write to every page, and with huge pages
// where the region covers whole ones. On a virtual machine
// a fault costs several times the page's own setup, and a large converted part touches tens of
// thousands of pages. Advisory only: where the kernel does not offer it nothing changes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace scrivtar::platform {

// Regions smaller than this are left to ordinary faults: the call would cost more than it saves.
inline constexpr size_t kPrefaultMinimum = size_t{1} << 20;

// Prefaults the whole pages inside [data, data + size) for writing; regions under the minimum
// are ignored.
void PrefaultForWrite(void* data, size_t size);

// The size of the huge pages a region is backed with where it covers whole ones.
inline constexpr size_t kHugePageSize = size_t{2} << 20;

// How far ahead of its end a buffer that grows into reserved capacity is backed: one huge page.
inline constexpr size_t kPrefaultChunk = kHugePageSize;

// For a buffer filled front to back within its capacity (all counts in bytes): once the bytes in
// use reach the backed frontier `ahead`, backs the next chunk of the capacity and returns the new
// frontier; otherwise returns `ahead` unchanged. Start with ahead = 0. Nothing is backed before
// a chunk's worth is in use, so a small buffer with generous room never holds more pages than
// it would have faulted in.
// The frontier is kept on chunk boundaries of the address space, so that every chunk after the
// first can be one huge page.
inline size_t PrefaultAhead(void* data, size_t used, size_t capacity, size_t ahead) {
  if (used < ahead || used < kPrefaultChunk || used >= capacity) return ahead;
  const uintptr_t base = reinterpret_cast<uintptr_t>(data);
  const uintptr_t end = (base + used + kPrefaultChunk) & ~uintptr_t{kPrefaultChunk - 1};
  size_t next = std::min(capacity, static_cast<size_t>(end - base));
  PrefaultForWrite(static_cast<char*>(data) + used, next - used);
  return next;
}

}  // namespace scrivtar::platform
