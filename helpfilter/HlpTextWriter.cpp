#include "HlpTextWriter.h"

#include <string.h>

#include "HlpBytes.h"
#include "HlpCharset.h"

namespace scrivtar::hlp {
namespace {

void Flush(HlpConverter& converter, bool final) {
  if (converter.textLength == 0 && !final) return;
  const int32_t kept = EncodeText(converter.encoder, converter.textBuffer, converter.textLength,
                                  final, converter.output);
  if (kept < 0) {
    converter.textError = kNoMemory;
    converter.textLength = 0;
    return;
  }
  // The start of a double-byte character cut by the buffer's end waits for its second byte.
  memmove(converter.textBuffer, converter.textBuffer + converter.textLength - kept, kept);
  converter.textLength = static_cast<uint32_t>(kept);
}

}  // namespace

void ResetText(HlpConverter& converter) {
  converter.textLength = 0;
  converter.textTotal = 0;
  converter.textError = kOk;
  converter.output.size = 0;
}

void PutText(HlpConverter& converter, const uint8_t* bytes, uint32_t count) {
  converter.textTotal += count;
  while (count > 0 && converter.textError == kOk) {
    if (converter.textLength == kBufferSize) Flush(converter, false);
    const uint32_t room = kBufferSize - converter.textLength;
    const uint32_t part = Min(count, room);
    memcpy(converter.textBuffer + converter.textLength, bytes, part);
    converter.textLength += part;
    bytes += part;
    count -= part;
  }
}

void PutCrLf(HlpConverter& converter) {
  static const uint8_t kCrLf[2] = {'\r', '\n'};
  PutText(converter, kCrLf, 2);
}

void PutTab(HlpConverter& converter) {
  static const uint8_t kTab[1] = {'\t'};
  PutText(converter, kTab, 1);
}

int32_t FinishText(HlpConverter& converter) {
  if (converter.textError == kOk) Flush(converter, true);
  converter.textLength = 0;
  return converter.textError;
}

}  // namespace scrivtar::hlp
