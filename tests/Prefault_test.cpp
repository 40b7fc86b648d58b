#include "platform/Prefault.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace scrivtar::platform
