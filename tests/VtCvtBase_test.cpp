#include "VtCvtBase.h"

#include <gtest/gtest.h>

namespace scrivtar {
namespace {

TEST(OutputStep, Utf8MarkAndLineEnds) {
  OutputBlock block;
  int32_t n = OutputUtf8Text("a\rb", true, kCrLf, 65001, Utf8Decoder::kLenient, block);
  ASSERT_EQ(n, 7);
  EXPECT_EQ(std::string(block.begin(), block.begin() + n), "\xEF\xBB\xBF" "a\r\nb");
}

}  // namespace
}  // namespace scrivtar
