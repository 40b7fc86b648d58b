#include "VtDocCvt.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "TDocFile_U1.h"
#include "VtCvtBase.h"
#include "platform/CodePage.h"

namespace scrivtar {

namespace {

constexpr int32_t kAnsiCodePage = 1252;

// FIB fields of the "WordDocument" stream.
constexpr int32_t kFibNFib = 2;
constexpr int32_t kFibFlags = 10;
constexpr int32_t kFibFcMin = 24;
constexpr int32_t kFibFcMac = 28;
constexpr int32_t kFibFcClx = 0x1A2;
constexpr int32_t kFibLcbClx = 0x1A6;
constexpr uint16_t kFlagEncrypted = 0x0100;
constexpr uint16_t kFlagWhichTableStream = 0x0200;
// Word 97 is the first version with a piece table in a separate table stream.
constexpr uint16_t kFirstWord97NFib = 193;

constexpr uint8_t kClxPropertyEntry = 1;
constexpr uint8_t kClxPieceTable = 2;
constexpr uint32_t kPieceCompressed = 0x40000000;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// What each character below 0x20 becomes, in 8-bit and in 16-bit text: table cell and row ends
// become tabs, line breaks paragraph ends, the non-breaking hyphen a space or a hyphen-minus,
// and every other mark (fields, breaks, anchors, note references) a space.
struct ControlMap {
  char16_t to[32];
  explicit constexpr ControlMap(char16_t nonBreakingHyphen) : to{} {
    for (int c = 0; c < 32; ++c) to[c] = u' ';
    to[0x07] = u'\t';
    to[0x09] = u'\t';
    to[0x0A] = u'\n';
    to[0x0B] = u'\r';
    to[0x0D] = u'\r';
    to[0x1E] = nonBreakingHyphen;
  }
};
constexpr ControlMap kNarrowControls(u' ');
constexpr ControlMap kWideControls(u'-');

// Appends count bytes of the stream at offset (fewer when it ends) to the 8-bit text.
void AppendNarrowPiece(TDocFileStream& stream, uint64_t offset, size_t count, DocText& text) {
  size_t old = text.narrow.size();
  text.narrow.resize(old + count);
  size_t got = stream.ReadAt(offset, text.narrow.data() + old, count);
  text.narrow.resize(old + got);
  // A non-breaking space in compressed text is taken as a plain space.
  std::replace(text.narrow.begin() + static_cast<std::ptrdiff_t>(old), text.narrow.end(), '\xA0',
               ' ');
}

// Reads count UTF-16LE units of the stream at offset (fewer when it ends).
std::u16string ReadUtf16(TDocFileStream& stream, uint64_t offset, size_t count) {
  std::u16string units(count, u'\0');
  size_t got = stream.ReadAt(offset, units.data(), count * 2) / 2;
  units.resize(got);
  if constexpr (std::endian::native == std::endian::big) {
    for (char16_t& u : units) u = static_cast<char16_t>((u >> 8) | (u << 8));
  }
  return units;
}

// Adds one piece to the working text. budget is what is left of the stream size: the pieces of
// a sound document never take more bytes than the stream holds, so a piece table that repeats
// ranges cannot make the text outgrow the file.
void AppendPiece(TDocFileStream& stream, const DocPiece& piece, uint64_t& budget, DocText& text) {
  if (piece.limitCp <= piece.firstCp) return;
  uint64_t chars = piece.limitCp - piece.firstCp;
  uint64_t bytes = std::min<uint64_t>(piece.is16Bit ? chars * 2 : chars, budget);
  budget -= bytes;
  if (!piece.is16Bit) {
    if (!text.wide) {
      AppendNarrowPiece(stream, piece.fileOffset, static_cast<size_t>(bytes), text);
      return;
    }
    DocText narrow;
    AppendNarrowPiece(stream, piece.fileOffset, static_cast<size_t>(bytes), narrow);
    text.utf16 += platform::CodePageToWide(kAnsiCodePage, narrow.narrow);
    return;
  }
  size_t units = static_cast<size_t>(bytes / 2);
  if (text.wide) {
    size_t old = text.utf16.size();
    text.utf16.resize(old + units);
    size_t got = stream.ReadAt(piece.fileOffset, text.utf16.data() + old, units * 2) / 2;
    text.utf16.resize(old + got);
    if constexpr (std::endian::native == std::endian::big) {
      for (size_t i = old; i < text.utf16.size(); ++i) {
        char16_t u = text.utf16[i];
        text.utf16[i] = static_cast<char16_t>((u >> 8) | (u << 8));
      }
    }
    return;
  }
  text.narrow += WideToCodePage(kAnsiCodePage, ReadUtf16(stream, piece.fileOffset, units));
}

// Word 6 and Word 95: the text is the one range fcMin..fcMac of the stream, 8-bit, unchanged.
void ExtractRange(TDocFileStream& stream, DocText& text) {
  stream.Seek(kFibFcMin, soBeginning);
  uint32_t fcMin = stream.ReadDWord();
  uint32_t fcMac = stream.ReadDWord();
  if (fcMac <= fcMin) return;
  uint64_t size = static_cast<uint64_t>(std::max<int64_t>(stream.Size(), 0));
  if (fcMin >= size) return;
  size_t count = static_cast<size_t>(std::min<uint64_t>(fcMac - fcMin, size - fcMin));
  std::string bytes(count, '\0');
  bytes.resize(stream.ReadAt(fcMin, bytes.data(), count));
  if (text.wide) {
    text.utf16 = platform::CodePageToWide(kAnsiCodePage, bytes);
  } else {
    text.narrow = std::move(bytes);
  }
}

// Word 97 and later: the pieces of the CLX in the table stream, in table order.
void ExtractPieces(TDocFileStorage& storage, TDocFileStream& document, uint16_t flags,
                   DocText& text) {
  auto table = storage.OpenStream(
      std::string_view((flags & kFlagWhichTableStream) ? "1Table" : "0Table"), kDocFileReadMode);
  if (!table) return;
  document.Seek(kFibFcClx, soBeginning);
  uint32_t fcClx = document.ReadDWord();
  uint32_t lcbClx = document.ReadDWord();
  uint64_t tableSize = static_cast<uint64_t>(std::max<int64_t>(table->Size(), 0));
  if (fcClx >= tableSize) return;
  std::vector<uint8_t> clx(static_cast<size_t>(std::min<uint64_t>(lcbClx, tableSize - fcClx)));
  clx.resize(table->ReadAt(fcClx, clx.data(), clx.size()));

  uint64_t budget = static_cast<uint64_t>(std::max<int64_t>(document.Size(), 0));
  for (const DocPiece& piece : ParseClx(clx.data(), clx.size())) {
    if (budget == 0) break;
    AppendPiece(document, piece, budget, text);
  }
}

template <typename Char>
void CleanControls(std::basic_string<Char>& text, const ControlMap& map) {
  for (Char& c : text) {
    auto code = static_cast<std::make_unsigned_t<Char>>(c);
    if (code < 0x20) c = static_cast<Char>(map.to[code]);
  }
}

}  // namespace

std::vector<DocPiece> ParseClx(const uint8_t* clx, size_t size) {
  std::vector<DocPiece> pieces;
  size_t pos = 0;
  while (pos < size) {
    if (clx[pos] == kClxPropertyEntry) {
      if (size - pos < 3) break;
      int16_t prcSize = static_cast<int16_t>(clx[pos + 1] | (clx[pos + 2] << 8));
      int64_t step = 3 + int64_t{prcSize};
      if (step <= 0 || static_cast<uint64_t>(step) > size - pos) break;
      pos += static_cast<size_t>(step);
      continue;
    }
    if (clx[pos] != kClxPieceTable || size - pos < 5) break;
    uint32_t lcb = Le32(clx + pos + 1);
    if (lcb > size - pos - 5) break;
    const uint8_t* plc = clx + pos + 5;
    size_t count = lcb >= 4 ? (lcb - 4) / 12 : 0;
    pieces.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      uint32_t fc = Le32(plc + 4 * (count + 1) + 8 * i + 2);
      bool compressed = (fc & kPieceCompressed) != 0;
      pieces.push_back({compressed ? (fc & ~kPieceCompressed) >> 1 : fc, !compressed,
                        Le32(plc + 4 * i), Le32(plc + 4 * (i + 1))});
    }
    break;  // only the first piece table counts
  }
  return pieces;
}

int32_t ExtractDocTextFromStorage(TDocFileStorage& storage, int32_t codePage, DocText& text) {
  text = DocText();
  text.wide = codePage != kAnsiCodePage;
  auto document = storage.OpenStream(std::string_view("WordDocument"), kDocFileReadMode);
  if (!document) return 0;
  // Encryption is tested before the version, so it applies to every generation.
  document->Seek(kFibFlags, soBeginning);
  uint16_t flags = document->ReadWord();
  if (flags & kFlagEncrypted) return kNotAllowed;
  document->Seek(kFibNFib, soBeginning);
  uint16_t nFib = document->ReadWord();
  if (nFib >= kFirstWord97NFib) {
    ExtractPieces(storage, *document, flags, text);
  } else {
    ExtractRange(*document, text);
  }
  // The entry point's count is 32-bit; a text beyond it cannot be handed on.
  if (text.narrow.size() > INT32_MAX || text.utf16.size() > INT32_MAX / 2) return kFormatError;
  return text.ByteLength();
}

int32_t ExtractDocText(const std::filesystem::path& fileName, int32_t reserved, DocText& text,
                       int32_t codePage) {
  (void)reserved;
  int32_t check = CheckDocFile(fileName);
  if (check != 0) return check;
  auto storage = OpenDocFile(fileName, kDocFileReadMode);
  if (!storage || !storage->LastError().empty()) return kOpenError;
  return ExtractDocTextFromStorage(*storage, codePage == 0 ? kAnsiCodePage : codePage, text);
}

int32_t FinishDocText(DocText& text, int32_t codePage, int32_t lineBreakStyle, int32_t keepRaw,
                      OutputBlock& block) {
  if (codePage == 0) codePage = kAnsiCodePage;
  if (!text.wide) {
    if (keepRaw != 1) CleanControls(text.narrow, kNarrowControls);
    return StoreText(NormalizeLineEnds(text.narrow, lineBreakStyle), block);
  }
  if (keepRaw != 1) CleanControls(text.utf16, kWideControls);
  return OutputUtf16Text(text.utf16, lineBreakStyle, codePage, block);
}

int32_t ConvertDoc(const std::filesystem::path& source, int32_t limit, OutputBlock& block,
                   int32_t codePage, int32_t lineBreakStyle, int32_t keepRaw) {
  try {
    if (codePage == 0) codePage = kAnsiCodePage;
    DocText text;
    int32_t result = ExtractDocText(source, limit, text, codePage);
    if (result < 0) return result;
    return FinishDocText(text, codePage, lineBreakStyle, keepRaw, block);
  } catch (...) {
    return kFormatError;
  }
}

}  // namespace scrivtar
