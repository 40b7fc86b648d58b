#include "platform/Prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace scrivtar::platform {

void PrefaultForWrite(void* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
  if (size < kPrefaultMinimum) return;
  const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
  const uintptr_t huge = kHugePageSize;
  uintptr_t hugeBegin = (begin + huge - 1) & ~(huge - 1);
  uintptr_t hugeEnd = end & ~(huge - 1);
  if (hugeEnd > hugeBegin)
    ::madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
  // A failure (an old kernel, memory short) only means the pages fault in one by one as before.
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace scrivtar::platform
