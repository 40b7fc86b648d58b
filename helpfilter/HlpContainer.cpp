#include "HlpContainer.h"

#include <stdlib.h>
#include <string.h>

#include "HlpBytes.h"
#include "HlpCharset.h"
#include "HlpSource.h"
#include "Lz77.h"

namespace scrivtar::hlp {
namespace {

constexpr uint32_t kHelpMagic = 0x00035F3F;
constexpr uint16_t kBTreeMagic = 0x293B;
constexpr int64_t kDirectoryPagesStart = 47;  // file header (9) + B-tree header (38)
constexpr uint32_t kMaxPhrases = 0x20000;
constexpr int32_t kMaxImageSize = 0x100000;
constexpr uint32_t kMaxEntryBuffer = 65535;
constexpr uint32_t kFileHeaderSize = 9;

// What a check concluded when it did not fail with an error code.
struct Directory {
  uint32_t start;
  uint16_t pageSize;
  int16_t rootPage;
  int16_t levelCount;
};

bool Fits(const HlpConverter& converter, int64_t offset, int64_t count) {
  return offset >= 0 && count >= 0 && offset + count <= converter.fileSize;
}

int32_t CheckFileHeader(HlpConverter& converter, Directory& directory, bool& ok) {
  ok = false;
  uint8_t header[16];
  HLP_TRY(SeekSource(converter, 0));
  HLP_TRY(ReadSource(converter, header, sizeof header));
  const int32_t start = LeS32(header + 4);
  if (Le32(header) != kHelpMagic || start <= 0 || !Fits(converter, start, 54)) return kOk;
  uint8_t tree[38];
  HLP_TRY(SeekSource(converter, static_cast<uint32_t>(start) + kFileHeaderSize));
  HLP_TRY(ReadSource(converter, tree, sizeof tree));
  if (Le16(tree) != kBTreeMagic || Le16(tree + 22) != 0 || Le16(tree + 28) != 0xFFFF) return kOk;
  directory.start = static_cast<uint32_t>(start);
  directory.pageSize = Le16(tree + 4);
  directory.rootPage = LeS16(tree + 26);
  directory.levelCount = LeS16(tree + 32);
  ok = true;
  return kOk;
}

int64_t PageStart(const Directory& directory, int64_t page) {
  return directory.start + kDirectoryPagesStart + page * directory.pageSize;
}

struct NamedFile {
  const char* name;
  uint32_t HlpConverter::*offset;
};
constexpr NamedFile kNamedFiles[] = {
    {"|SYSTEM", &HlpConverter::systemOffset},     {"|TOPIC", &HlpConverter::topicOffset},
    {"|Phrases", &HlpConverter::phrasesOffset},   {"|PhrIndex", &HlpConverter::phrIndexOffset},
    {"|PhrImage", &HlpConverter::phrImageOffset},
};

bool AllFound(const HlpConverter& c) {
  if (c.systemOffset == 0 || c.topicOffset == 0) return false;
  return c.phrasesOffset != 0 || (c.phrIndexOffset != 0 && c.phrImageOffset != 0);
}

// Only the leftmost leaf page is searched: every file the filter needs must be named there.
int32_t CheckDirectory(HlpConverter& converter, const Directory& directory, bool& ok) {
  ok = false;
  int64_t position = PageStart(directory, directory.rootPage);
  if (position <= 0 || position > converter.fileSize) return kOk;
  for (int32_t level = 1; level < directory.levelCount; ++level) {
    if (converter.fileSize - position < 6) return kOk;
    uint8_t index[6];
    HLP_TRY(SeekSource(converter, static_cast<uint32_t>(position)));
    HLP_TRY(ReadSource(converter, index, sizeof index));
    position = PageStart(directory, LeS16(index + 4));
    if (position <= 0 || position > converter.fileSize) return kOk;
  }
  if (converter.fileSize - position < 8) return kOk;
  uint8_t leaf[8];
  HLP_TRY(SeekSource(converter, static_cast<uint32_t>(position)));
  HLP_TRY(ReadSource(converter, leaf, sizeof leaf));
  const int32_t entryCount = LeS16(leaf + 2);
  if (entryCount <= 0) return kOk;
  const uint32_t chunk = static_cast<uint32_t>(entryCount) * 13;
  if (chunk > kMaxEntryBuffer) return kOk;

  // Entries are read chunk by chunk into TextBuffer (free during recognition); an entry cut by a
  // chunk's end is moved to the front and completed by the next chunk.
  uint8_t* buffer = converter.textBuffer;
  uint32_t filled = 0;
  uint32_t cursor = 0;
  for (int32_t entry = 0; entry < entryCount; ++entry) {
    const uint8_t* zero = nullptr;
    while (true) {
      zero = static_cast<const uint8_t*>(memchr(buffer + cursor, 0, filled - cursor));
      if (zero != nullptr && static_cast<uint32_t>(zero - buffer) + 5 <= filled) break;
      const uint32_t kept = filled - cursor;
      memmove(buffer, buffer + cursor, kept);
      filled = kept;
      cursor = 0;
      const uint32_t more = Min(Min(chunk, kMaxEntryBuffer - kept), BytesLeft(converter));
      // The entry runs past the end of the file (or is longer than any chunk): not a directory.
      if (more == 0) return kOk;
      HLP_TRY(ReadSource(converter, buffer + filled, more));
      filled += more;
    }
    const uint32_t nameLength = static_cast<uint32_t>(zero - (buffer + cursor));
    const uint32_t offset = Le32(zero + 1);
    for (const NamedFile& file : kNamedFiles) {
      if (converter.*file.offset == 0 && strlen(file.name) == nameLength &&
          memcmp(file.name, buffer + cursor, nameLength) == 0) {
        // An offset of 0 would read as "absent": it fails the range check below anyway.
        converter.*file.offset = offset != 0 ? offset : UINT32_MAX;
      }
    }
    cursor += nameLength + 5;
    if (AllFound(converter)) break;
  }

  for (const NamedFile& file : kNamedFiles) {
    const uint32_t offset = converter.*file.offset;
    if (offset != 0 && (offset < 16 || static_cast<int64_t>(offset) >
                                           static_cast<int64_t>(converter.fileSize) - 9)) {
      return kOk;
    }
  }
  if (converter.systemOffset == 0 || converter.topicOffset == 0) return kOk;
  const bool phrases = converter.phrasesOffset != 0;
  const bool index = converter.phrIndexOffset != 0;
  const bool image = converter.phrImageOffset != 0;
  ok = (!phrases && !index && !image) || (phrases && !index && !image) ||
       (!phrases && index && image);
  return kOk;
}

// The character set: a CHARSET record, else the language of the LCID record, else the character
// set of the default dialog font; Windows-1252 when the file says nothing.
int32_t DetectCodePage(HlpConverter& converter, uint16_t minorVersion, int32_t& codePage) {
  codePage = kDefaultCodePage;
  if (minorVersion <= 16) return kOk;  // older files carry a title, no records
  uint8_t fileHeader[kFileHeaderSize];
  HLP_TRY(SeekSource(converter, converter.systemOffset));
  HLP_TRY(ReadSource(converter, fileHeader, sizeof fileHeader));
  const int64_t used = Le32(fileHeader + 4);
  const int64_t recordsStart = static_cast<int64_t>(converter.systemOffset) + kFileHeaderSize + 12;
  int64_t length = Min<int64_t>(used - 12, converter.fileSize - recordsStart);
  length = Min<int64_t>(length, kBufferSize);
  if (length <= 0) return kOk;
  uint8_t* records = converter.textBuffer;
  HLP_TRY(SeekSource(converter, static_cast<uint32_t>(recordsStart)));
  HLP_TRY(ReadSource(converter, records, static_cast<uint32_t>(length)));
  int32_t fromCharset = 0;
  int32_t fromLcid = 0;
  int32_t fromFont = 0;
  for (int64_t at = 0; at + 4 <= length;) {
    const uint16_t type = Le16(records + at);
    const int64_t size = Le16(records + at + 2);
    const uint8_t* data = records + at + 4;
    if (at + 4 + size > length) break;
    if (type == 11 && size >= 1 && fromCharset == 0) fromCharset = CodePageOfCharset(data[0]);
    if (type == 9 && size >= 10 && fromLcid == 0) fromLcid = CodePageOfLcid(Le16(data + 8));
    if (type == 12 && size >= 2 && fromFont == 0) fromFont = CodePageOfCharset(data[1]);
    at += 4 + size;
  }
  if (fromCharset != 0) {
    codePage = fromCharset;
  } else if (fromLcid != 0) {
    codePage = fromLcid;
  } else if (fromFont != 0) {
    codePage = fromFont;
  }
  return kOk;
}

int32_t CheckSystemHeader(HlpConverter& converter, bool& ok) {
  ok = false;
  if (!Fits(converter, static_cast<int64_t>(converter.systemOffset) + kFileHeaderSize, 12)) {
    return kOk;
  }
  uint8_t header[12];
  HLP_TRY(SeekSource(converter, converter.systemOffset + kFileHeaderSize));
  HLP_TRY(ReadSource(converter, header, sizeof header));
  const uint16_t minor = Le16(header + 2);
  const uint16_t flags = Le16(header + 10);
  converter.oldFormat = minor < 16;
  converter.compressed = !converter.oldFormat && (flags == 4 || flags == 8);
  converter.topicBlockSize = (converter.oldFormat || flags == 8) ? 2048 : 4096;
  int32_t codePage = kDefaultCodePage;
  HLP_TRY(DetectCodePage(converter, minor, codePage));
  OpenEncoder(converter.encoder, codePage);
  ok = true;
  return kOk;
}

// Reads `count` bytes and decompresses them into the phrase image, which must come out whole.
int32_t ReadCompressedImage(HlpConverter& converter, uint32_t count, bool& ok) {
  ok = false;
  uint8_t* stored = static_cast<uint8_t*>(malloc(Max<uint32_t>(count, 1)));
  if (stored == nullptr) return kNoMemory;
  const int32_t result = ReadSource(converter, stored, count);
  if (result == kOk) {
    const int32_t produced =
        Lz77Decompress(stored, count, converter.phraseImage, converter.phraseImageSize);
    ok = produced == static_cast<int32_t>(converter.phraseImageSize);
  }
  free(stored);
  return result;
}

int32_t AllocatePhraseTable(HlpConverter& converter, uint32_t count, uint32_t imageSize) {
  converter.phraseCount = count;
  converter.phraseImageSize = imageSize;
  converter.phraseOffsets = static_cast<uint32_t*>(calloc(count + 1, sizeof(uint32_t)));
  converter.phraseImage = static_cast<uint8_t*>(malloc(Max<uint32_t>(imageSize, 1)));
  if (converter.phraseOffsets == nullptr || converter.phraseImage == nullptr) return kNoMemory;
  return kOk;
}

// Bits of the phrase lengths: little-endian dwords, least significant bit first. A dword is read
// only while four bytes of it are in the source; buffered a few hundred at a time.
struct BitReader {
  HlpConverter& converter;
  uint8_t* buffer;
  uint32_t filled = 0;
  uint32_t at = 0;
  uint32_t word = 0;
  int bitsLeft = 0;

  // Gives 0 and the bit, or an error; `ok` false when the source has no whole dword left.
  int32_t Next(bool& bit, bool& ok) {
    if (bitsLeft == 0) {
      if (at == filled) {
        const uint32_t dwords = Min<uint32_t>(BytesLeft(converter) / 4, kWorkAreaSize / 4);
        if (dwords == 0) {
          ok = false;
          return kOk;
        }
        HLP_TRY(ReadSource(converter, buffer, dwords * 4));
        filled = dwords * 4;
        at = 0;
      }
      word = Le32(buffer + at);
      at += 4;
      bitsLeft = 32;
    }
    bit = (word & 1) != 0;
    word >>= 1;
    --bitsLeft;
    ok = true;
    return kOk;
  }
};

int32_t ReadHallPhrases(HlpConverter& converter, bool& ok) {
  ok = false;
  const int64_t indexStart = static_cast<int64_t>(converter.phrIndexOffset) + kFileHeaderSize;
  HLP_TRY(SeekSource(converter, static_cast<uint32_t>(indexStart)));
  if (!Fits(converter, indexStart, 28)) return kOk;
  uint8_t header[28];
  HLP_TRY(ReadSource(converter, header, sizeof header));
  uint8_t imageHeader[kFileHeaderSize];
  HLP_TRY(SeekSource(converter, converter.phrImageOffset));
  HLP_TRY(ReadSource(converter, imageHeader, sizeof imageHeader));
  const uint32_t count = Le32(header + 4);
  const int32_t imageSize = LeS32(header + 12);
  const int32_t storedSize = LeS32(header + 16);
  if (count > kMaxPhrases || imageSize <= 0 || imageSize > kMaxImageSize) return kOk;
  // Before allocating: every phrase takes at least two bits of the index, and the image cannot
  // be larger than its stored bytes expand to (an LZ77 reference gives at most 18 bytes).
  const int64_t indexBytes = static_cast<int64_t>(converter.fileSize) - (indexStart + 28);
  const int64_t imageUsed = LeS32(imageHeader + 4);
  const int64_t imageMost = imageSize == storedSize ? converter.fileSize : 9 * imageUsed;
  if (static_cast<int64_t>(count) > 4 * indexBytes || imageSize > imageMost) return kOk;
  HLP_TRY(AllocatePhraseTable(converter, count, static_cast<uint32_t>(imageSize)));
  converter.hallMode = true;
  if (imageSize == storedSize) {
    if (!Fits(converter, static_cast<int64_t>(converter.phrImageOffset) + kFileHeaderSize,
              imageSize)) {
      return kOk;
    }
    HLP_TRY(ReadSource(converter, converter.phraseImage, static_cast<uint32_t>(imageSize)));
  } else {
    const int32_t used = LeS32(imageHeader + 4);
    if (used <= 0 ||
        !Fits(converter, static_cast<int64_t>(converter.phrImageOffset) + kFileHeaderSize, used)) {
      return kOk;
    }
    bool whole = false;
    HLP_TRY(ReadCompressedImage(converter, static_cast<uint32_t>(used), whole));
    if (!whole) return kOk;
  }

  HLP_TRY(SeekSource(converter, static_cast<uint32_t>(indexStart + 28)));
  const uint32_t bitCount = Le16(header + 24) & 0x0F;
  BitReader bits{converter, converter.workArea};
  uint32_t* offsets = converter.phraseOffsets;
  offsets[0] = 0;
  for (uint32_t i = 0; i < count; ++i) {
    bool bit = false;
    bool more = false;
    uint32_t length = 1;
    while (true) {
      HLP_TRY(bits.Next(bit, more));
      if (!more) return kOk;
      if (!bit) break;
      length += 1u << bitCount;
      // A run of one bits longer than the image could justify is a broken table.
      if (length > converter.phraseImageSize + 1) return kOk;
    }
    for (uint32_t power = 0; power < 5; ++power) {
      if (power > 0 && bitCount <= power) break;
      HLP_TRY(bits.Next(bit, more));
      if (!more) return kOk;
      if (bit) length += 1u << power;
    }
    offsets[i + 1] = offsets[i] + length;
    if (offsets[i + 1] > converter.phraseImageSize + 1) return kOk;
  }
  ok = true;
  return kOk;
}

int32_t ReadOldPhrases(HlpConverter& converter, bool& ok) {
  ok = false;
  uint8_t fileHeader[kFileHeaderSize];
  HLP_TRY(SeekSource(converter, converter.phrasesOffset));
  HLP_TRY(ReadSource(converter, fileHeader, sizeof fileHeader));
  const int64_t used = Le32(fileHeader + 4);
  uint8_t word[4];
  HLP_TRY(ReadSource(converter, word, 2));
  uint32_t count = Le16(word);
  const bool marked = count == 0x0800;
  if (marked) {
    HLP_TRY(ReadSource(converter, word, 2));
    count = Le16(word);
  }
  if (count > kMaxPhrases) return kOk;
  HLP_TRY(ReadSource(converter, word, 2));
  if (Le16(word) != 0x0100) return kOk;
  if (count == 0) {
    ok = true;
    return kOk;
  }
  int64_t imageSize = 0;
  int64_t storedSize = 0;
  if (converter.oldFormat) {
    storedSize = used - 2 * static_cast<int64_t>(count) - 6;
    imageSize = storedSize;
  } else {
    HLP_TRY(ReadSource(converter, word, 4));
    imageSize = LeS32(word);
    storedSize = used - 2 * static_cast<int64_t>(count) - (marked ? 42 : 10);
    // The marked layout keeps 30 more header bytes before the offset table (its size formula
    // counts them too).
    if (marked) {
      if (BytesLeft(converter) < 30) return kOk;
      HLP_TRY(SeekSource(converter, converter.position + 30));
    }
  }
  if (imageSize <= 0 || imageSize > kMaxImageSize || storedSize <= 0) return kOk;
  // Before allocating: the offset table and the stored phrases must be in the file, and the
  // image cannot be larger than its stored bytes expand to.
  const uint32_t tableBytes = 2 * (count + 1);
  if (BytesLeft(converter) < tableBytes + storedSize) return kOk;
  if (!converter.oldFormat && imageSize > 9 * storedSize) return kOk;
  HLP_TRY(AllocatePhraseTable(converter, count, static_cast<uint32_t>(imageSize)));
  converter.hallMode = false;

  // Up to 32,767 phrases the table fits in TextBuffer; a larger one gets its own buffer.
  uint8_t* table =
      tableBytes <= kBufferSize ? converter.textBuffer : static_cast<uint8_t*>(malloc(tableBytes));
  if (table == nullptr) return kNoMemory;
  int32_t result = ReadSource(converter, table, tableBytes);
  bool increasing = result == kOk;
  const uint16_t base = static_cast<uint16_t>(2 * count + 2);
  for (uint32_t k = 0; increasing && k <= count; ++k) {
    const uint16_t offset = static_cast<uint16_t>(Le16(table + 2 * k) - base);
    converter.phraseOffsets[k] = offset;
    if (offset > imageSize || (k > 0 && offset <= converter.phraseOffsets[k - 1])) {
      increasing = false;
    }
  }
  if (table != converter.textBuffer) free(table);
  HLP_TRY(result);
  if (!increasing) return kOk;

  if (BytesLeft(converter) < storedSize) return kOk;
  if (converter.oldFormat) {
    HLP_TRY(ReadSource(converter, converter.phraseImage, static_cast<uint32_t>(imageSize)));
    ok = true;
    return kOk;
  }
  return ReadCompressedImage(converter, static_cast<uint32_t>(storedSize), ok);
}

int32_t CheckPhraseTable(HlpConverter& converter, bool& ok) {
  if (converter.phrIndexOffset != 0) return ReadHallPhrases(converter, ok);
  if (converter.phrasesOffset != 0) return ReadOldPhrases(converter, ok);
  converter.phraseCount = 0;
  ok = true;
  return kOk;
}

int32_t CheckTopicFile(HlpConverter& converter, bool& ok) {
  ok = false;
  uint8_t fileHeader[kFileHeaderSize];
  HLP_TRY(SeekSource(converter, converter.topicOffset));
  HLP_TRY(ReadSource(converter, fileHeader, sizeof fileHeader));
  converter.topicUsed = LeS32(fileHeader + 4);
  if (converter.topicUsed <= 0 || !Fits(converter, converter.topicOffset, converter.topicUsed)) {
    return kOk;
  }
  const int32_t blockSize = converter.topicBlockSize;
  converter.blockCount =
      converter.topicUsed > blockSize
          ? static_cast<int32_t>((static_cast<int64_t>(converter.topicUsed) + blockSize) /
                                 blockSize)
          : 1;
  converter.blockCapacity = blockSize > 2048 ? 16384 : 2048;
  ok = true;
  return kOk;
}

}  // namespace

int32_t RecogniseHelpFile(HlpConverter& converter, bool& accepted) {
  accepted = false;
  Directory directory{};
  bool ok = false;
  HLP_TRY(CheckFileHeader(converter, directory, ok));
  if (!ok) return kOk;
  HLP_TRY(CheckDirectory(converter, directory, ok));
  if (!ok) return kOk;
  HLP_TRY(CheckSystemHeader(converter, ok));
  if (!ok) return kOk;
  HLP_TRY(CheckPhraseTable(converter, ok));
  if (!ok) return kOk;
  HLP_TRY(CheckTopicFile(converter, ok));
  accepted = ok;
  return kOk;
}

}  // namespace scrivtar::hlp
