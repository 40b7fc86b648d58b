// Asks the kernel to back a freshly allocated region with pages in one call before it is
// written, instead of taking a page fault at the first write to every page. On a virtual machine
// a fault costs several times the page's own setup, and a large converted part touches tens of
// thousands of pages. Advisory only: where the kernel does not offer it nothing changes.
#pragma once

#include <cstddef>

namespace scrivtar::platform {

// Regions smaller than this are left to ordinary faults: the call would cost more than it saves.
inline constexpr size_t kPrefaultMinimum = size_t{1} << 20;

// Prefaults the whole pages inside [data, data + size) for writing; regions under the minimum
// are ignored.
void PrefaultForWrite(void* data, size_t size);

}  // namespace scrivtar::platform
