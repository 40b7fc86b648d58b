// The LZ77 variant of Windows help files (topic blocks, phrase tables).
#pragma once

#include <stdint.h>

namespace scrivtar::hlp {

// Decompresses `inputLength` bytes into `output`, writing at most `outputLimit` bytes. Gives the
// number of bytes written, or -1 when the input ends inside a back-reference.
int32_t Lz77Decompress(const uint8_t* input, uint32_t inputLength, uint8_t* output,
                       uint32_t outputLimit);

}  // namespace scrivtar::hlp
