#include "TopicWalk.h"

#include <stdlib.h>
#include <string.h>

#include "HlpBytes.h"
#include "HlpSource.h"
#include "HlpTextWriter.h"
#include "Lz77.h"
#include "TopicText.h"

namespace scrivtar::hlp {
namespace {

enum class BlockLoad { kLoaded, kNone, kDecompressionFailed };

int32_t LoadNextBlock(HlpConverter& c, BlockLoad& load) {
  c.blockLength = 0;
  load = BlockLoad::kNone;
  if (c.blockIndex >= c.blockCount) return kOk;
  const int32_t stored = Min(c.topicUsed - c.consumed, c.topicBlockSize);
  if (stored <= 0) return kOk;
  if (!c.compressed) {
    HLP_TRY(ReadSource(c, c.blockBuffer, static_cast<uint32_t>(stored)));
    c.blockLength = stored;
  } else {
    // Fewer stored bytes than a block header (the surplus block BlockCount may count): no block.
    if (stored < kBlockHeaderSize) return kOk;
    const uint32_t data = static_cast<uint32_t>(stored - kBlockHeaderSize);
    HLP_TRY(ReadSource(c, c.blockBuffer, kBlockHeaderSize));
    HLP_TRY(ReadSource(c, c.workArea, data));
    const int32_t produced =
        Lz77Decompress(c.workArea, data, c.blockBuffer + kBlockHeaderSize, kDecompressedBlockLimit);
    if (produced < 0) {
      memcpy(c.blockBuffer + kBlockHeaderSize, c.workArea, data);
      c.blockLength = stored;
      load = BlockLoad::kDecompressionFailed;
      return kOk;
    }
    c.blockLength = produced + kBlockHeaderSize;
  }
  c.consumed += stored;
  c.blockIndex += 1;
  load = BlockLoad::kLoaded;
  return kOk;
}

// Moves CurrentOffset to the record `nextBlock` names: a distance in old files, a topic position
// (block number times BlockCapacity plus the offset in the block) in newer ones. Only forward,
// never into the record itself (records do not overlap, so no byte of the topic file gives text
// twice) and never beyond what the remaining blocks can hold.
bool Advance(HlpConverter& c, int32_t nextBlock, int32_t recordSize) {
  const int64_t target = c.oldFormat
                             ? c.currentOffset + nextBlock
                             : nextBlock - static_cast<int64_t>(c.blockIndex - 1) * c.blockCapacity;
  const int64_t limit =
      static_cast<int64_t>(c.blockCount - c.blockIndex + 1) * c.blockCapacity - kRecordHeaderSize;
  if (target <= c.currentOffset || target < c.currentOffset + recordSize || target > limit) {
    return false;
  }
  c.currentOffset = target;
  return true;
}

struct RecordHeader {
  int32_t blockSize;
  int32_t dataLen2;
  int32_t nextBlock;
  int32_t dataLen1;
};

RecordHeader ParseHeader(const uint8_t* bytes) {
  return {LeS32(bytes), LeS32(bytes + 4), LeS32(bytes + 12), LeS32(bytes + 16)};
}

bool HeaderIsSound(const HlpConverter& c, const RecordHeader& header) {
  const int64_t most = static_cast<int64_t>(c.blockCount - c.blockIndex + 1) * c.blockCapacity;
  return header.blockSize > 0 && header.blockSize <= most && header.dataLen1 >= 0 &&
         header.dataLen2 >= 0;
}

// What the rest of the topic file can still hold after this block.
int64_t RoomLeft(const HlpConverter& c) {
  return c.compressed ? static_cast<int64_t>(c.blockCount - c.blockIndex) * kDecompressedBlockLimit
                      : static_cast<int64_t>(c.topicUsed) - c.consumed;
}

int32_t Fallback(HlpConverter& c, Piece& piece, int64_t length) {
  // The raw bytes handed out stay inside the loaded block.
  if (c.currentOffset < 0 || c.currentOffset > c.blockLength) c.currentOffset = c.blockLength;
  piece.fallback = true;
  piece.length = Max<int64_t>(0, Min<int64_t>(length, c.blockLength - c.currentOffset));
  FreeSpanRecord(c);
  return kOk;
}

int32_t TextPiece(HlpConverter& c, Piece& piece, int64_t length) {
  piece.fallback = false;
  piece.length = Max<int64_t>(0, length);
  return FinishText(c);
}

// Starts assembling a record from `count` bytes at the end of the block: all of them when the
// header is known (`size` > 0), else the part of the header that is there.
int32_t StartSpan(HlpConverter& c, int32_t size, int32_t count) {
  SpanRecord& span = c.span;
  span = SpanRecord{};
  span.active = true;
  span.fedBlock = c.blockIndex;
  const uint8_t* tail = c.blockBuffer + c.currentOffset;
  if (size == 0) {
    span.headerPending = true;
    memcpy(span.header, tail, count);
    span.headerCopied = count;
    return kOk;
  }
  span.data = static_cast<uint8_t*>(malloc(size));
  if (span.data == nullptr) return kNoMemory;
  span.size = size;
  memcpy(span.data, tail, count);
  span.copied = count;
  return kOk;
}

// Copies what the freshly loaded block holds of the record being assembled. Gives the verdict
// in `state`: 1 complete, 0 needs more, -1 broken.
int32_t FeedSpan(HlpConverter& c, int& state) {
  SpanRecord& span = c.span;
  span.fedBlock = c.blockIndex;
  const uint8_t* data = c.blockBuffer + kBlockHeaderSize;
  int32_t available = Max(0, c.blockLength - kBlockHeaderSize);
  state = 0;
  if (span.headerPending) {
    const int32_t part = Min(kRecordHeaderSize - span.headerCopied, available);
    memcpy(span.header + span.headerCopied, data, part);
    span.headerCopied += part;
    data += part;
    available -= part;
    if (span.headerCopied < kRecordHeaderSize) return kOk;
    const RecordHeader header = ParseHeader(span.header);
    const int64_t before = kRecordHeaderSize - part;  // bytes in earlier blocks
    if (!HeaderIsSound(c, header) || header.blockSize < kRecordHeaderSize ||
        header.blockSize > RoomLeft(c) + before + c.blockLength - kBlockHeaderSize) {
      state = -1;
      return kOk;
    }
    span.data = static_cast<uint8_t*>(malloc(header.blockSize));
    if (span.data == nullptr) return kNoMemory;
    span.size = header.blockSize;
    memcpy(span.data, span.header, kRecordHeaderSize);
    span.copied = kRecordHeaderSize;
    span.headerPending = false;
    if (header.nextBlock <= 0) {
      span.last = true;
    } else if (!Advance(c, header.nextBlock, header.blockSize)) {
      state = -1;
      return kOk;
    }
  }
  const int32_t part = Min(span.size - span.copied, available);
  memcpy(span.data + span.copied, data, part);
  span.copied += part;
  if (span.copied == span.size) {
    state = 1;
  } else if (!span.last && c.currentOffset <= c.blockLength) {
    // The chain puts the next record in this block, yet this record is not complete.
    state = -1;
  }
  return kOk;
}

}  // namespace

void FreeSpanRecord(HlpConverter& converter) {
  free(converter.span.data);
  converter.span = SpanRecord{};
}

void ResetTopicWalk(HlpConverter& c) {
  c.blockIndex = 0;
  c.consumed = 0;
  c.blockLength = 0;
  c.currentOffset = kBlockHeaderSize;
  c.textSeen = false;
  c.pendingFallback = false;
  FreeSpanRecord(c);
}

int32_t NextText(HlpConverter& c, Piece& piece) {
  piece = Piece{0, false};
  ResetText(c);
  if (c.pendingFallback) {
    c.pendingFallback = false;
    return Fallback(c, piece, c.blockLength - c.currentOffset);
  }
  // Every round loads a block (at most BlockCount of them), moves CurrentOffset strictly forward
  // or returns, so the walk ends.
  while (true) {
    SpanRecord& span = c.span;
    const bool needBlock =
        span.active ? span.fedBlock == c.blockIndex : c.currentOffset > c.blockLength;
    if (needBlock) {
      if (c.blockIndex > 0) c.currentOffset -= c.blockCapacity;
      BlockLoad load = BlockLoad::kNone;
      HLP_TRY(LoadNextBlock(c, load));
      if (load == BlockLoad::kDecompressionFailed) {
        c.currentOffset = 0;
        return Fallback(c, piece, 0);
      }
      if (load == BlockLoad::kNone || c.blockLength == 0) {
        FreeSpanRecord(c);  // a record the topic file cuts short gives no text
        return TextPiece(c, piece, 0);
      }
      if (!span.active && c.currentOffset < 0) {
        c.currentOffset = 0;
        return Fallback(c, piece, c.blockLength);
      }
      continue;
    }

    if (span.active) {
      int state = 0;
      HLP_TRY(FeedSpan(c, state));
      if (state < 0) return Fallback(c, piece, c.blockLength - c.currentOffset);
      if (state == 0) continue;
      const bool last = span.last;
      const int64_t text = RecordText(c, span.data, span.size);
      FreeSpanRecord(c);
      if (last) {
        c.done = true;
        return TextPiece(c, piece, text);
      }
      if (text > 0) return TextPiece(c, piece, text);
      if (text == -2 && c.currentOffset <= c.blockLength) {
        return Fallback(c, piece, c.blockLength - c.currentOffset);
      }
      continue;
    }

    if (c.currentOffset < 0) {
      c.currentOffset = 0;
      return Fallback(c, piece, c.blockLength);
    }
    const int32_t offset = static_cast<int32_t>(c.currentOffset);
    const int32_t inBlock = c.blockLength - offset;
    if (inBlock < kRecordHeaderSize) {
      // The header itself runs into the next block: assemble it there.
      if (c.blockIndex >= c.blockCount) return Fallback(c, piece, inBlock);
      HLP_TRY(StartSpan(c, 0, inBlock));
      continue;
    }
    const RecordHeader header = ParseHeader(c.blockBuffer + offset);
    if (!HeaderIsSound(c, header)) return Fallback(c, piece, inBlock);

    if (header.blockSize <= inBlock) {
      const int64_t text = RecordText(c, c.blockBuffer + offset, header.blockSize);
      if (header.nextBlock <= 0) {  // the chain ends here
        c.done = true;
        return TextPiece(c, piece, text);
      }
      if (text > 0) {
        // The text goes out first; a chain that cannot go on falls back at the next call.
        if (!Advance(c, header.nextBlock, header.blockSize)) c.pendingFallback = true;
        return TextPiece(c, piece, text);
      }
      if (!Advance(c, header.nextBlock, header.blockSize)) return Fallback(c, piece, inBlock);
      continue;
    }

    if (header.blockSize > RoomLeft(c) + inBlock) return Fallback(c, piece, inBlock);
    HLP_TRY(StartSpan(c, header.blockSize, inBlock));
    if (header.nextBlock <= 0) {
      c.span.last = true;
    } else if (!Advance(c, header.nextBlock, header.blockSize)) {
      return Fallback(c, piece, inBlock);
    }
  }
}

}  // namespace scrivtar::hlp
