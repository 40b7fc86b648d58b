// The help file's character set: which Windows code page its text is in, and the conversion of
// that text to UTF-8 (the host reads every filter's output as UTF-8).
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

constexpr int32_t kDefaultCodePage = 1252;

// Windows code page of a font character set (CHARSET record, fonts), 0 when unknown or ANSI.
int32_t CodePageOfCharset(uint32_t charset);
// ANSI code page of a Windows language id (LCID record), 0 when unknown.
int32_t CodePageOfLcid(uint32_t lcid);

// Prepares the encoder for a code page; an unknown one falls back to Windows-1252.
void OpenEncoder(TextEncoder& encoder, int32_t codePage);
void CloseEncoder(TextEncoder& encoder);

// Appends the UTF-8 form of `count` bytes to `out`. With `final` false, the bytes of a multi-byte
// character cut by the end of the input are not converted: the result is their count (0 to 3),
// and the caller passes them again with what follows. Bytes the code page does not define become
// U+FFFD. Gives -1 when memory runs out.
int32_t EncodeText(TextEncoder& encoder, const uint8_t* bytes, uint32_t count, bool final,
                   ByteBuffer& out);

}  // namespace scrivtar::hlp
