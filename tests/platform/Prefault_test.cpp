#include "platform/Prefault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>

namespace scrivtar::platform {
namespace {

// Prefaulting is advisory: whatever the region, its bytes stay as they were, and the region is
// writable afterwards. Buffers are filled first so that a prefault that cleared pages shows.
TEST(PrefaultForWrite, KeepsTheBytesOfAnyRegion) {
  const size_t size = 6 << 20;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
  for (size_t i = 0; i < size; ++i) buffer[i] = static_cast<uint8_t>(i * 131 + 7);
  struct Case {
    size_t offset;
    size_t length;
  };
  const Case cases[] = {
      {0, 0},                   // empty
      {3, 100},                 // under the minimum
      {1, kPrefaultMinimum},    // unaligned, at the minimum
      {4097, (4 << 20) + 123},  // unaligned at both ends
      {0, size},                // the whole buffer
  };
  for (const Case& c : cases) {
    PrefaultForWrite(buffer.get() + c.offset, c.length);
  }
  for (size_t i = 0; i < size; ++i) {
    ASSERT_EQ(buffer[i], static_cast<uint8_t>(i * 131 + 7)) << "byte " << i;
  }
  // A fresh region prefaulted before its first write reads as written.
  std::unique_ptr<uint8_t[]> fresh(new uint8_t[size]);
  PrefaultForWrite(fresh.get(), size);
  std::iota(fresh.get(), fresh.get() + size, uint8_t{0});
  EXPECT_EQ(fresh[size - 1], static_cast<uint8_t>(size - 1));
}

// The frontier of a growing buffer: nothing is backed before a chunk's worth is in use, then it
// moves to the next chunk boundary of the address space and never past the capacity.
TEST(PrefaultAhead, MovesTheFrontierToChunkBoundaries) {
  const size_t capacity = 9 * kPrefaultChunk + 12345;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
  const uintptr_t base = reinterpret_cast<uintptr_t>(buffer.get());
  auto boundaryAfter = [&](size_t used) {
    uintptr_t end = (base + used + kPrefaultChunk) & ~uintptr_t{kPrefaultChunk - 1};
    return std::min(capacity, static_cast<size_t>(end - base));
  };
  struct Case {
    size_t used;
    size_t ahead;
    size_t expected;
  };
  const Case cases[] = {
      {0, 0, 0},                                                     // nothing in use
      {kPrefaultChunk - 1, 0, 0},                                    // under a chunk's worth
      {kPrefaultChunk, 0, boundaryAfter(kPrefaultChunk)},            // the first chunk
      {3 * kPrefaultChunk, 5 * kPrefaultChunk, 5 * kPrefaultChunk},  // still behind the frontier
      {capacity - 1, 0, capacity},                                   // the last chunk is cut short
      {capacity, 7, 7},                                              // full: nothing to back
  };
  for (const Case& c : cases) {
    size_t next = PrefaultAhead(buffer.get(), c.used, capacity, c.ahead);
    EXPECT_EQ(next, c.expected) << "used " << c.used;
    if (next != c.ahead && next < capacity) {
      EXPECT_EQ((base + next) % kPrefaultChunk, 0u) << "used " << c.used;
      EXPECT_GT(next, c.used);
    }
  }
}

}  // namespace
}  // namespace scrivtar::platform
