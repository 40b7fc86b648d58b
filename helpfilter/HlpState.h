// The per-conversion state of the help-file filter: one HlpConverter per stream record, allocated
// by CreateConverter and freed by CloseConverter. The library keeps nothing else.
#pragma once

#include <iconv.h>
#include <stdint.h>

#include "scrivtar/FilterApi.h"

namespace scrivtar::hlp {

constexpr uint32_t kBufferSize = 65536;             // BlockBuffer, TextBuffer, expansion buffer
constexpr int32_t kDecompressedBlockLimit = 16384;  // what one compressed topic block may hold
constexpr int32_t kBlockHeaderSize = 12;            // the three dwords before a block's data
constexpr int32_t kRecordHeaderSize = 21;           // topic record header
constexpr int32_t kWorkAreaSize = 4096;             // stored bytes of one compressed block

// Error codes (besides 0 and a callback's own non-zero result, passed on unchanged).
constexpr int32_t kOk = 0;
constexpr int32_t kShortRead = kScrFilterShortRead;
constexpr int32_t kNoMemory = kScrFilterNoMemory;
constexpr int32_t kPastEnd = kScrFilterPastEnd;

// A heap byte buffer that grows on demand (malloc/realloc: the library avoids the C++ runtime).
struct ByteBuffer {
  uint8_t* data;
  uint32_t size;
  uint32_t capacity;
};

// Turns the help file's 8-bit text into UTF-8.
struct TextEncoder {
  int32_t codePage;
  const uint16_t* upperHalf;  // single-byte code pages: bytes 0x80-0xFF as UTF-16
  iconv_t converter;          // multi-byte code pages; (iconv_t)-1 when not in use
};

// A topic record that runs across topic blocks, assembled piece by piece.
struct SpanRecord {
  bool active;
  bool headerPending;  // the 21-byte header itself was cut by the block end
  bool last;           // the record ends the chain: no record follows it
  int32_t fedBlock;    // BlockIndex of the block last copied from
  uint8_t header[kRecordHeaderSize];
  int32_t headerCopied;
  uint8_t* data;  // BlockSize bytes once the header is known
  int32_t size;
  int32_t copied;
};

struct HlpConverter {
  ScrStreamRecord* record;

  // Interface level.
  uint32_t fileSize;
  uint32_t position;
  bool helpMode;
  bool done;
  bool convertRaw;  // raw bytes after a fallback are help-file text: deliver them as UTF-8
  int64_t rawRemaining;
  uint8_t* blockBuffer;
  uint8_t* textBuffer;    // 8-bit text of the record being written
  uint8_t* expandBuffer;  // phrase-expanded text of one record
  const uint8_t* outputPointer;
  uint32_t chunkLength;
  uint32_t chunkRemaining;
  ByteBuffer output;  // UTF-8 of the current piece

  // Container (filled by recognition).
  uint32_t systemOffset;
  uint32_t topicOffset;
  uint32_t phrasesOffset;
  uint32_t phrIndexOffset;
  uint32_t phrImageOffset;
  bool oldFormat;
  bool compressed;
  bool hallMode;
  int32_t topicBlockSize;
  int32_t topicUsed;
  int32_t blockCount;
  int32_t blockCapacity;
  uint32_t phraseCount;
  uint32_t phraseImageSize;
  uint8_t* phraseImage;
  uint32_t* phraseOffsets;  // phraseCount + 1 entries

  // Topic walk.
  int32_t blockIndex;
  int32_t consumed;
  int32_t blockLength;
  int64_t currentOffset;
  bool textSeen;
  bool pendingFallback;  // the walk hands out a record's text first, then falls back
  SpanRecord span;
  uint8_t workArea[kWorkAreaSize];

  // Text of the record being produced: TextBuffer fill and the total written for the record.
  uint32_t textLength;
  int64_t textTotal;
  int32_t textError;  // 1002 once the UTF-8 output could not grow
  TextEncoder encoder;
};

}  // namespace scrivtar::hlp
