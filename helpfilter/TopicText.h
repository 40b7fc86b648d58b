// The text of one topic record: phrase expansion of its stored text and the walk over its
// formatting commands, which turns line breaks, paragraph ends and tabs into CR LF and TAB and
// drops everything else (fonts, jumps, pictures, macros, borders, indents).
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

// Writes the record's text (through HlpTextWriter) and gives the number of bytes written, or -1
// (not a text record, before the first text) or -2 (inconsistent sizes, phrase overflow) for no
// text. `record` holds at least max(blockSize, 21) bytes.
int64_t RecordText(HlpConverter& converter, const uint8_t* record, int32_t blockSize);

// Expands phrase-compressed text into the expansion buffer; gives its length or -1.
int32_t ExpandText(HlpConverter& converter, const uint8_t* stored, int32_t storedLength,
                   int32_t limit);

// Writes the strings of `text` as the formatting data directs; gives the bytes written.
int64_t ParagraphText(HlpConverter& converter, const uint8_t* format, int32_t formatLength,
                      const uint8_t* text, int32_t textLength, uint8_t recordType);

}  // namespace scrivtar::hlp
