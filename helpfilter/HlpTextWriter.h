// Where a record's text goes: 8-bit text collects in TextBuffer; whenever the buffer is full and
// at the end of the record it is converted to UTF-8 and appended to the piece the converter hands
// out. A record whose text outgrows the 65,536-byte buffer therefore leaves it in several parts,
// none of it dropped.
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

// Starts a new piece: empty TextBuffer, empty output.
void ResetText(HlpConverter& converter);
void PutText(HlpConverter& converter, const uint8_t* bytes, uint32_t count);
void PutCrLf(HlpConverter& converter);
void PutTab(HlpConverter& converter);
// Converts what is left in TextBuffer. Gives 0, or 1002 when memory ran out along the way.
int32_t FinishText(HlpConverter& converter);

}  // namespace scrivtar::hlp
