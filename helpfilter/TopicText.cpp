#include "TopicText.h"

#include <string.h>

#include "HlpBytes.h"
#include "HlpTextWriter.h"

namespace scrivtar::hlp {
namespace {

constexpr uint8_t kDisplayRecordOld = 0x01;
constexpr uint8_t kDisplayRecord = 0x20;
constexpr uint8_t kTableRecord = 0x23;

bool IsTextRecord(uint8_t type) {
  return type == kDisplayRecordOld || type == kDisplayRecord || type == kTableRecord;
}

// Phrase-expanded output under construction.
struct Expansion {
  uint8_t* out;
  int32_t length;
  int32_t limit;
  const HlpConverter& converter;

  // A phrase number beyond the table adds nothing; a phrase may fill the buffer, no more.
  bool Phrase(uint32_t number) {
    if (number >= converter.phraseCount) return true;
    const uint32_t size = converter.phraseImageSize;
    const uint32_t begin = Min(converter.phraseOffsets[number], size);
    const uint32_t end = Min(converter.phraseOffsets[number + 1], size);
    if (end <= begin) return true;
    if (static_cast<uint64_t>(length) + (end - begin) > kBufferSize) return false;
    memcpy(out + length, converter.phraseImage + begin, end - begin);
    length += static_cast<int32_t>(end - begin);
    return true;
  }
  // Literal bytes, spaces and zero bytes count against the record's expanded size.
  bool Literal(uint8_t byte) {
    if (length >= limit) return false;
    out[length++] = byte;
    return true;
  }
};

// Reads the formatting data; every read that would go past its end stops the parse.
struct FormatCursor {
  const uint8_t* at;
  int64_t left;

  bool Skip(int64_t count) {
    if (count < 0 || count > left) return false;
    at += count;
    left -= count;
    return true;
  }
  bool Byte(uint8_t& value) {
    if (left < 1) return false;
    value = *at;
    return Skip(1);
  }
  bool Word(uint16_t& value) {
    if (left < 2) return false;
    value = Le16(at);
    return Skip(2);
  }
  bool CompressedWord(uint32_t& value) {
    if (left < 1) return false;
    if ((*at & 1) == 0) {
      value = *at >> 1;
      return Skip(1);
    }
    uint16_t word = 0;
    if (!Word(word)) return false;
    value = word >> 1;
    return true;
  }
  bool CompressedSignedWord(int32_t& value) {
    if (left < 1) return false;
    const bool small = (*at & 1) == 0;
    uint32_t raw = 0;
    if (!CompressedWord(raw)) return false;
    value = static_cast<int32_t>(raw) - (small ? 0x40 : 0x4000);
    return true;
  }
  bool CompressedLong(int32_t& value) {
    if (left < 2) return false;
    if ((*at & 1) == 0) {
      value = static_cast<int32_t>(Le16(at) >> 1) - 0x4000;
      return Skip(2);
    }
    if (left < 4) return false;
    value = static_cast<int32_t>(Le32(at) >> 1) - 0x40000000;
    return Skip(4);
  }
};

enum class Command { kNext, kParagraphEnd, kStop };

Command ActOnCommand(HlpConverter& converter, FormatCursor& cursor) {
  const uint8_t command = *cursor.at;
  switch (command) {
    case 0xFF:
      return cursor.Skip(1) ? Command::kParagraphEnd : Command::kStop;
    case 0x81:
    case 0x82:
      PutCrLf(converter);
      return cursor.Skip(1) ? Command::kNext : Command::kStop;
    case 0x83:
      PutTab(converter);
      return cursor.Skip(1) ? Command::kNext : Command::kStop;
    case 0x20:
    case 0xE0:
    case 0xE1:
    case 0xE2:
    case 0xE3:
    case 0xE6:
    case 0xE7:
      return cursor.Skip(5) ? Command::kNext : Command::kStop;
    case 0x21:
    case 0x80:
      return cursor.Skip(3) ? Command::kNext : Command::kStop;
    case 0x86:
    case 0x87:
    case 0x88: {  // embedded picture or window: type, size, data
      uint8_t type = 0;
      int32_t size = 0;
      uint32_t ignored = 0;
      if (!cursor.Skip(1) || !cursor.Byte(type) || !cursor.CompressedLong(size)) {
        return Command::kStop;
      }
      if (type == 0x22 && !cursor.CompressedWord(ignored)) return Command::kStop;
      return cursor.Skip(size) ? Command::kNext : Command::kStop;
    }
    case 0xC8:
    case 0xCC:
    case 0xEA:
    case 0xEB:
    case 0xEE:
    case 0xEF: {  // macro and jump commands with a stored length
      uint16_t length = 0;
      if (!cursor.Skip(1) || !cursor.Word(length)) return Command::kStop;
      return cursor.Skip(length) ? Command::kNext : Command::kStop;
    }
    default:
      return cursor.Skip(1) ? Command::kNext : Command::kStop;
  }
}

// Skips the paragraph header (flags and the settings they announce).
bool SkipParagraphHeader(FormatCursor& cursor) {
  uint16_t flags = 0;
  int32_t ignoredLong = 0;
  int32_t ignoredSigned = 0;
  uint32_t ignoredWord = 0;
  if (!cursor.Skip(4) || !cursor.Word(flags)) return false;
  if ((flags & 0x0001) && !cursor.CompressedLong(ignoredLong)) return false;
  for (uint16_t bit = 0x0002; bit <= 0x0040; bit <<= 1) {
    if ((flags & bit) && !cursor.CompressedSignedWord(ignoredSigned)) return false;
  }
  if ((flags & 0x0100) && !cursor.Skip(3)) return false;
  if (flags & 0x0200) {
    int32_t tabs = 0;
    if (!cursor.CompressedSignedWord(tabs)) return false;
    for (int32_t i = 0; i < tabs; ++i) {
      uint32_t tab = 0;
      if (!cursor.CompressedWord(tab)) return false;
      if ((tab & 0x4000) && !cursor.CompressedWord(ignoredWord)) return false;
    }
  }
  return true;
}

}  // namespace

int32_t ExpandText(HlpConverter& converter, const uint8_t* stored, int32_t storedLength,
                   int32_t limit) {
  Expansion expansion{converter.expandBuffer, 0, limit, converter};
  int32_t i = 0;
  if (converter.hallMode) {
    while (i < storedLength) {
      const uint8_t byte = stored[i++];
      bool ok = true;
      if ((byte & 1) == 0) {
        ok = expansion.Phrase(byte / 2);
      } else if ((byte & 3) == 1) {
        if (i >= storedLength) break;
        ok = expansion.Phrase(128 + (byte >> 2) * 256u + stored[i++]);
      } else if ((byte & 7) == 3) {
        for (int32_t n = (byte >> 3) + 1; n > 0 && ok && i < storedLength; --n) {
          ok = expansion.Literal(stored[i++]);
        }
      } else {
        const uint8_t fill = (byte & 15) == 7 ? ' ' : 0;
        for (int32_t n = (byte >> 4) + 1; n > 0 && ok; --n) ok = expansion.Literal(fill);
      }
      if (!ok) return -1;
    }
    return expansion.length;
  }
  while (i < storedLength) {
    const uint8_t byte = stored[i++];
    bool ok = true;
    if (byte >= 1 && byte <= 15) {
      if (i >= storedLength) break;
      const uint8_t next = stored[i++];
      ok = expansion.Phrase(((byte - 1) * 256u + next) / 2);
      if (ok && (next & 1)) ok = expansion.Literal(' ');
    } else {
      ok = expansion.Literal(byte);
    }
    if (!ok) return -1;
  }
  return expansion.length;
}

int64_t ParagraphText(HlpConverter& converter, const uint8_t* format, int32_t formatLength,
                      const uint8_t* text, int32_t textLength, uint8_t recordType) {
  const int64_t before = converter.textTotal;
  auto written = [&] { return converter.textTotal - before; };
  FormatCursor cursor{format, formatLength};
  int32_t ignoredLong = 0;
  uint32_t ignoredWord = 0;
  if (!cursor.CompressedLong(ignoredLong)) return written();
  if ((recordType == kDisplayRecord || recordType == kTableRecord) &&
      !cursor.CompressedWord(ignoredWord)) {
    return written();
  }
  const bool table = recordType == kTableRecord;
  if (table) {
    uint8_t columns = 0;
    uint8_t tableType = 0;
    if (!cursor.Byte(columns) || !cursor.Byte(tableType)) return written();
    if ((tableType == 0 || tableType == 2) && !cursor.Skip(2)) return written();
    if (!cursor.Skip(columns * 4)) return written();
  }

  int32_t textAt = 0;
  while (true) {
    if (table) {  // cells follow one another until the column word 0xFFFF
      if (cursor.left < 2) return written();
      if (Le16(cursor.at) == 0xFFFF) break;
      if (!cursor.Skip(5)) return written();
    }
    if (!SkipParagraphHeader(cursor)) return written();
    while (cursor.left > 0) {
      // The text used up beyond its end ends the paragraph.
      if (textAt > textLength) break;
      const uint8_t* begin = text + textAt;
      const uint8_t* zero = static_cast<const uint8_t*>(memchr(begin, 0, textLength - textAt));
      const int32_t stringLength =
          zero != nullptr ? static_cast<int32_t>(zero - begin) : textLength - textAt;
      PutText(converter, begin, static_cast<uint32_t>(stringLength));
      textAt += stringLength + 1;
      const Command next = ActOnCommand(converter, cursor);
      if (next == Command::kStop) return written();
      if (next == Command::kParagraphEnd) break;
    }
    if (!table) break;
  }
  return written();
}

int64_t RecordText(HlpConverter& converter, const uint8_t* record, int32_t blockSize) {
  const int32_t dataLen2 = LeS32(record + 4);
  const int32_t dataLen1 = LeS32(record + 16);
  const uint8_t type = record[20];
  if (!IsTextRecord(type)) {
    // A topic header: the line break between topics, once the first text has been seen.
    if (!converter.textSeen) return -1;
    PutCrLf(converter);
    return 2;
  }
  converter.textSeen = true;
  if (dataLen1 > kRecordHeaderSize && dataLen1 > blockSize) return -2;
  if (dataLen1 >= blockSize) return 0;
  if (dataLen2 > 65535) return -2;
  const int32_t textStart = Max(dataLen1, kRecordHeaderSize);
  if (textStart > blockSize || dataLen2 < 0) return -2;
  const int32_t storedLength = blockSize - textStart;
  const uint8_t* text = record + textStart;
  int32_t textLength = dataLen2;
  if (storedLength < dataLen2) {
    textLength = ExpandText(converter, text, storedLength, dataLen2);
    if (textLength < 0) return -2;
    text = converter.expandBuffer;
  }
  if (dataLen1 > kRecordHeaderSize) {
    return ParagraphText(converter, record + kRecordHeaderSize, dataLen1 - kRecordHeaderSize, text,
                         textLength, type);
  }
  PutText(converter, text, static_cast<uint32_t>(textLength));
  return textLength;
}

}  // namespace scrivtar::hlp
