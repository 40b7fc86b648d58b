// The help-file filter library: the four exports of the filter interface. A help file becomes
// its topics' text in UTF-8 with CR LF line ends; any other source passes through unchanged.
#include "ScrHlp.h"

#include <stdlib.h>
#include <string.h>

#include "HlpBytes.h"
#include "HlpCharset.h"
#include "HlpContainer.h"
#include "HlpSource.h"
#include "HlpState.h"
#include "TopicWalk.h"

using namespace scrivtar::hlp;

namespace {

HlpConverter* StateOf(ScrStreamRecord* record) {
  return record != nullptr ? static_cast<HlpConverter*>(record->filterState) : nullptr;
}

void SetChunk(HlpConverter& c, const uint8_t* bytes, uint32_t length) {
  c.outputPointer = bytes;
  c.chunkLength = length;
  c.chunkRemaining = length;
}

uint32_t HandOut(HlpConverter& c, void* buffer, uint32_t size) {
  const uint32_t count = Min(size, c.chunkRemaining);
  if (count != 0) {
    memcpy(buffer, c.outputPointer + (c.chunkLength - c.chunkRemaining), count);
  }
  c.chunkRemaining -= count;
  return count;
}

// Raw bytes after a fallback are the help file's own 8-bit text and structure: they go out in
// UTF-8 like the text before them, so the host can still read the whole output.
int32_t SetRawChunk(HlpConverter& c, const uint8_t* bytes, uint32_t length) {
  if (!c.convertRaw) {
    SetChunk(c, bytes, length);
    return kOk;
  }
  c.output.size = 0;
  if (EncodeText(c.encoder, bytes, length, true, c.output) < 0) return kNoMemory;
  SetChunk(c, c.output.data, c.output.size);
  return kOk;
}

int32_t ReadRawBytes(HlpConverter& c) {
  if (c.rawRemaining <= 0) {
    c.done = true;
    SetChunk(c, nullptr, 0);
    return kOk;
  }
  const uint32_t count = static_cast<uint32_t>(Min<int64_t>(c.rawRemaining, kBufferSize));
  HLP_TRY(ReadSource(c, c.blockBuffer, count));
  c.rawRemaining -= count;
  return SetRawChunk(c, c.blockBuffer, count);
}

int32_t ReadHelpText(HlpConverter& c) {
  Piece piece{};
  HLP_TRY(NextText(c, piece));
  if (!piece.fallback) {
    if (piece.length == 0) c.done = true;
    SetChunk(c, c.output.data, piece.length == 0 ? 0 : c.output.size);
    return kOk;
  }
  c.helpMode = false;
  const bool hasPhraseTable = c.phrasesOffset != 0 || c.phrIndexOffset != 0;
  if (c.compressed || hasPhraseTable) {
    // Compressed or phrase-coded bytes would be no text at all.
    c.done = true;
    SetChunk(c, nullptr, 0);
    return kOk;
  }
  c.convertRaw = true;
  c.rawRemaining = static_cast<int64_t>(c.fileSize) - c.position;
  // An empty chunk would end the host's reading before the rest of the file.
  if (piece.length == 0) return ReadRawBytes(c);
  return SetRawChunk(c, c.blockBuffer + c.currentOffset, static_cast<uint32_t>(piece.length));
}

void FreeState(HlpConverter* c) {
  free(c->phraseImage);
  free(c->phraseOffsets);
  free(c->blockBuffer);
  free(c->textBuffer);
  free(c->expandBuffer);
  FreeSpanRecord(*c);
  Release(c->output);
  CloseEncoder(c->encoder);
  free(c);
}

}  // namespace

extern "C" {

const char* GetFilterExtensions(void) {
  return "HLP";
}

int32_t CreateConverter(ScrStreamRecord* record) {
  if (record == nullptr) return kShortRead;
  record->filterState = nullptr;
  HlpConverter* c = static_cast<HlpConverter*>(calloc(1, sizeof(HlpConverter)));
  if (c == nullptr) return kNoMemory;
  c->encoder.converter = reinterpret_cast<iconv_t>(-1);
  OpenEncoder(c->encoder, kDefaultCodePage);
  c->record = record;
  record->filterState = c;
  c->blockBuffer = static_cast<uint8_t*>(malloc(kBufferSize));
  c->textBuffer = static_cast<uint8_t*>(malloc(kBufferSize));
  c->expandBuffer = static_cast<uint8_t*>(malloc(kBufferSize));
  if (c->blockBuffer == nullptr || c->textBuffer == nullptr || c->expandBuffer == nullptr) {
    return kNoMemory;
  }
  if (record->getSize == nullptr) return kShortRead;
  uint32_t sizeHigh = 0;
  HLP_TRY(record->getSize(record, &c->fileSize, &sizeHigh));
  c->rawRemaining = c->fileSize;
  if (c->fileSize > 16) {
    bool accepted = false;
    HLP_TRY(RecogniseHelpFile(*c, accepted));
    c->helpMode = accepted;
  }
  if (c->helpMode) {
    ResetTopicWalk(*c);
    return kOk;
  }
  // Pass-through: the source's bytes exactly as they are.
  free(c->phraseImage);
  free(c->phraseOffsets);
  c->phraseImage = nullptr;
  c->phraseOffsets = nullptr;
  c->phraseCount = 0;
  return SeekSource(*c, 0);
}

int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t bufferSize, uint32_t* count) {
  if (count == nullptr) return kShortRead;
  *count = 0;
  HlpConverter* c = StateOf(record);
  if (c == nullptr || buffer == nullptr) return kOk;
  if (c->chunkRemaining != 0) {
    *count = HandOut(*c, buffer, bufferSize);
    return kOk;
  }
  if (c->done || bufferSize == 0) return kOk;
  const int32_t result = c->helpMode ? ReadHelpText(*c) : ReadRawBytes(*c);
  if (result != kOk) {
    c->done = true;  // an error ends the output: later calls give nothing
    return result;
  }
  *count = HandOut(*c, buffer, bufferSize);
  return kOk;
}

int32_t CloseConverter(ScrStreamRecord* record) {
  HlpConverter* c = StateOf(record);
  if (c == nullptr) return kOk;
  FreeState(c);
  record->filterState = nullptr;
  return kOk;
}

}  // extern "C"
