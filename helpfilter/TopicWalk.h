// The topic walk: reads the topic file's blocks in order, decompresses them, follows the chain of
// topic records, reassembles records that run across blocks and yields one record's text per
// call. When the structure stops making sense it asks for a fallback instead.
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

struct Piece {
  // Without fallback: the UTF-8 text is in converter.output and `length` counts the record's
  // 8-bit text (0: no more text). With fallback: `length` bytes of BlockBuffer from
  // converter.currentOffset on.
  int64_t length;
  bool fallback;
};

// Positions the walk before the first record of the first block.
void ResetTopicWalk(HlpConverter& converter);
// The next piece of text, or an error code (1001, 1002, 1003 or a callback's code).
int32_t NextText(HlpConverter& converter, Piece& piece);
// Frees a record still being assembled.
void FreeSpanRecord(HlpConverter& converter);

}  // namespace scrivtar::hlp
