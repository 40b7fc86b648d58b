#include "Lz77.h"

namespace scrivtar::hlp {

// The format's 4,096-byte ring is the last 4,096 output bytes, so references are served from the
// output itself; a reference before the first output byte reads the ring's initial content,
// which we define as zeros.
int32_t Lz77Decompress(const uint8_t* input, uint32_t inputLength, uint8_t* output,
                       uint32_t outputLimit) {
  uint32_t in = 0;
  uint32_t out = 0;
  while (in < inputLength && out < outputLimit) {
    const uint8_t control = input[in++];
    for (int bit = 0; bit < 8 && in < inputLength && out < outputLimit; ++bit) {
      if ((control & (1u << bit)) == 0) {
        output[out++] = input[in++];
        continue;
      }
      if (in + 1 >= inputLength) return -1;
      const uint32_t word = input[in] | (input[in + 1] << 8);
      in += 2;
      const uint32_t distance = (word & 0xFFF) + 1;
      uint32_t length = (word >> 12) + 3;
      for (; length > 0 && out < outputLimit; --length, ++out) {
        output[out] = out >= distance ? output[out - distance] : 0;
      }
    }
  }
  return static_cast<int32_t>(out);
}

}  // namespace scrivtar::hlp
