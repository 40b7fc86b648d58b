#include "VtDocCvt.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "cfb/TDocFile_U1.h"
#include "core/PlainRuns.h"
#include "core/VtCvtBase.h"
#include "platform/CodePage.h"

namespace scrivtar {

namespace {

constexpr int32_t kAnsiCodePage = 1252;

// FIB fields of the "WordDocument" stream.
constexpr int32_t kFibNFib = 2;
constexpr int32_t kFibLid = 6;
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

// Bytes go through a small buffer on their way into the working text, so the text is written
// once (no zero fill of a resized buffer first).
constexpr size_t kChunkBytes = 64 * 1024;

// Hands count bytes of the stream at offset (fewer when it ends) to consume, chunk by chunk, as
// 8-bit text. A no-break space in compressed text is taken as a plain space.
template <typename Consume>
void ReadNarrowPiece(TDocFileStream& stream, uint64_t offset, size_t count, Consume consume) {
  char chunk[kChunkBytes];
  while (count > 0) {
    size_t got = stream.ReadAt(offset, chunk, std::min(count, sizeof chunk));
    if (got == 0) break;
    std::replace(chunk, chunk + got, '\xA0', ' ');
    consume(std::string_view(chunk, got));
    offset += got;
    count -= got;
  }
}

// The same for count UTF-16LE units.
template <typename Consume>
void ReadUtf16Piece(TDocFileStream& stream, uint64_t offset, size_t count, Consume consume) {
  char16_t chunk[kChunkBytes / 2];
  while (count > 0) {
    size_t units = std::min(count, sizeof chunk / 2);
    size_t got = stream.ReadAt(offset, chunk, units * 2) / 2;
    if (got == 0) break;
    if constexpr (std::endian::native == std::endian::big) {
      for (size_t i = 0; i < got; ++i) {
        chunk[i] = static_cast<char16_t>((chunk[i] >> 8) | (chunk[i] << 8));
      }
    }
    consume(std::u16string_view(chunk, got));
    offset += got * 2;
    count -= got;
  }
}

// The bytes one piece takes from the stream. budget is what is left of the stream size: the
// pieces of a sound document never take more bytes than the stream holds, so a piece table
// that repeats ranges cannot make the text outgrow the file.
uint64_t PieceBytes(const DocPiece& piece, uint64_t& budget) {
  if (piece.limitCp <= piece.firstCp) return 0;
  uint64_t chars = piece.limitCp - piece.firstCp;
  uint64_t bytes = std::min<uint64_t>(piece.is16Bit ? chars * 2 : chars, budget);
  budget -= bytes;
  return bytes;
}

// Adds a piece that is already in the working form: its bytes stay in the file, run by run
// (a piece may cross sectors that do not follow each other).
void AppendInPlace(TDocFileStream& stream, uint64_t offset, size_t count, size_t unitBytes,
                   DocText& text) {
  while (count > 0) {
    std::span<const uint8_t> view = stream.ViewAt(offset, count * unitBytes);
    if (view.empty()) break;
    size_t units = view.size() / unitBytes;
    if (units == 0) {
      // A UTF-16 unit split between two runs.
      char16_t unit = 0;
      if (stream.ReadAt(offset, &unit, 2) != 2) break;
      text.AppendOwned(std::u16string_view(&unit, 1));
      units = 1;
    } else {
      text.AppendInPlace(view.data(), units);
    }
    offset += units * unitBytes;
    count -= units;
  }
}

// Adds one piece of the given byte count to the working text, converting between 1252 and
// UTF-16 when the piece's form is not the working text's.
void AppendPiece(TDocFileStream& stream, const DocPiece& piece, uint64_t bytes, DocText& text) {
  size_t count = static_cast<size_t>(piece.is16Bit ? bytes / 2 : bytes);
  if (piece.is16Bit == text.wide && std::endian::native == std::endian::little) {
    AppendInPlace(stream, piece.fileOffset, count, piece.is16Bit ? 2 : 1, text);
  } else if (!piece.is16Bit && !text.wide) {
    ReadNarrowPiece(stream, piece.fileOffset, count,
                    [&](std::string_view chunk) { text.AppendOwned(chunk); });
  } else if (!piece.is16Bit) {
    ReadNarrowPiece(stream, piece.fileOffset, count, [&](std::string_view chunk) {
      text.AppendOwned(platform::CodePageToWide(kAnsiCodePage, chunk));
    });
  } else if (text.wide) {
    ReadUtf16Piece(stream, piece.fileOffset, count,
                   [&](std::u16string_view chunk) { text.AppendOwned(chunk); });
  } else {
    ReadUtf16Piece(stream, piece.fileOffset, count, [&](std::u16string_view chunk) {
      text.AppendOwned(WideToCodePage(kAnsiCodePage, chunk));
    });
  }
}

// Word 6 and Word 95: the text is the one range fcMin..fcMac of the stream, 8-bit, in the code
// page of the document's language.
void ExtractRange(TDocFileStream& stream, DocText& text) {
  stream.Seek(kFibLid, soBeginning);
  const int32_t codePage = Word6CodePageOfLid(stream.ReadWord());
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
    text.AppendOwned(platform::CodePageToWide(codePage, bytes));
  } else if (codePage == kAnsiCodePage) {
    text.AppendOwned(bytes);
  } else {
    text.AppendOwned(WideToCodePage(kAnsiCodePage, platform::CodePageToWide(codePage, bytes)));
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

  std::vector<DocPiece> pieces = ParseClx(clx.data(), clx.size());
  std::vector<uint64_t> pieceBytes(pieces.size());
  uint64_t budget = static_cast<uint64_t>(std::max<int64_t>(document.Size(), 0));
  for (size_t i = 0; i < pieces.size(); ++i) pieceBytes[i] = PieceBytes(pieces[i], budget);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieceBytes[i] > 0) AppendPiece(document, pieces[i], pieceBytes[i], text);
  }
}

template <typename Char>
void CleanControls(std::basic_string<Char>& text, const ControlMap& map) {
  for (Char& c : text) {
    auto code = static_cast<std::make_unsigned_t<Char>>(c);
    if (code < 0x20) c = static_cast<Char>(map.to[code]);
  }
}

// The clean-up and the uniform line ends in one walk over the runs of the working text: each
// character (after the clean-up table, when map is set) goes to sink.Unit, each line end to
// sink.LineEnd. Same result as cleaning first and then NormalizeLineEnds / NormalizeLineEndsW.
template <typename Sink>
void WalkFinished(const DocText& text, const ControlMap* map, Sink& sink) {
  bool afterCr = false;  // a CR LF pair may be split between two runs
  auto feed = [&](char16_t c) {
    // Only a stored LF cleans to LF, so the raw unit tells whether it ends a CR LF pair.
    if (afterCr && c == u'\n') {
      afterCr = false;
      return;
    }
    afterCr = false;
    if (c < 0x20 && map) c = map->to[c];
    if (c == u'\r') {
      afterCr = true;
      sink.LineEnd();
    } else if (c == u'\n' || (text.wide && c == 0x2028)) {
      sink.LineEnd();
    } else {
      sink.Unit(c);
    }
  };
  // Runs of plain ASCII pass through unchanged and in one piece; a plain unit is never a line
  // end, so it also ends any pending CR.
  auto walkBytes = [&](const uint8_t* bytes, size_t count, bool inPlace) {
    for (size_t i = 0; i < count;) {
      size_t plain = PlainBytePrefix(bytes + i, count - i);
      if (plain > 0) {
        sink.PlainBytes(bytes + i, plain);
        afterCr = false;
        i += plain;
        if (i == count) break;
      }
      uint8_t b = bytes[i++];
      // Compressed text in place: a no-break space is taken as a plain space.
      feed(inPlace && b == 0xA0 ? u' ' : b);
    }
  };
  auto walkUnits = [&](const uint8_t* le, size_t count) {
    for (size_t i = 0; i < count;) {
      size_t plain = PlainUnitPrefix(le + 2 * i, count - i);
      if (plain > 0) {
        sink.PlainUnits(le + 2 * i, plain);
        afterCr = false;
        i += plain;
        if (i == count) break;
      }
      feed(static_cast<char16_t>(le[2 * i] | (le[2 * i + 1] << 8)));
      ++i;
    }
  };
  for (const DocText::Run& run : text.runs) {
    if (!run.bytes && text.wide) {
      const char16_t* units = text.utf16.data() + run.begin;
      if constexpr (std::endian::native == std::endian::little) {
        walkUnits(reinterpret_cast<const uint8_t*>(units), run.units);
      } else {
        for (size_t i = 0; i < run.units; ++i) feed(units[i]);
      }
    } else if (!run.bytes) {
      walkBytes(reinterpret_cast<const uint8_t*>(text.narrow.data()) + run.begin, run.units, false);
    } else if (text.wide) {
      walkUnits(run.bytes, run.units);
    } else {
      walkBytes(run.bytes, run.units, true);
    }
  }
}

// Output encodings the fused step writes itself: the 1252 bytes as they are, UTF-8 (one
// sequence per UTF-16 unit, as WideToUtf8) and UTF-16LE.
enum class FusedEncoding { kBytes, kUtf8, kUtf16 };

template <FusedEncoding kEncoding>
struct CountingSink {
  size_t eolUnits;
  size_t total = 0;
  static constexpr size_t kUnitBytes = kEncoding == FusedEncoding::kUtf16 ? 2 : 1;
  void LineEnd() { total += eolUnits * kUnitBytes; }
  void PlainBytes(const uint8_t*, size_t n) { total += n * kUnitBytes; }
  void PlainUnits(const uint8_t*, size_t n) { total += n * kUnitBytes; }
  void Unit(char16_t c) {
    if constexpr (kEncoding == FusedEncoding::kBytes) {
      total += 1;
    } else if constexpr (kEncoding == FusedEncoding::kUtf16) {
      total += 2;
    } else {
      total += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
  }
};

template <FusedEncoding kEncoding>
struct WritingSink {
  std::string_view eol;
  uint8_t* out;
  void LineEnd() {
    for (char e : eol) Unit(static_cast<char16_t>(e));
  }
  void PlainBytes(const uint8_t* bytes, size_t n) {
    if constexpr (kEncoding == FusedEncoding::kUtf16) {
      WidenPlainBytes(bytes, n, out);
      out += 2 * n;
    } else {
      std::memcpy(out, bytes, n);
      out += n;
    }
  }
  void PlainUnits(const uint8_t* units, size_t n) {
    if constexpr (kEncoding == FusedEncoding::kUtf16) {
      std::memcpy(out, units, 2 * n);
      out += 2 * n;
    } else {
      NarrowPlainUnits(units, n, out);
      out += n;
    }
  }
  void Unit(char16_t c) {
    if constexpr (kEncoding == FusedEncoding::kBytes) {
      *out++ = static_cast<uint8_t>(c);
    } else if constexpr (kEncoding == FusedEncoding::kUtf16) {
      *out++ = static_cast<uint8_t>(c & 0xFF);
      *out++ = static_cast<uint8_t>(c >> 8);
    } else if (c < 0x80) {
      *out++ = static_cast<uint8_t>(c);
    } else if (c < 0x800) {
      *out++ = static_cast<uint8_t>(0xC0 | (c >> 6));
      *out++ = static_cast<uint8_t>(0x80 | (c & 0x3F));
    } else {
      *out++ = static_cast<uint8_t>(0xE0 | (c >> 12));
      *out++ = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<uint8_t>(0x80 | (c & 0x3F));
    }
  }
};

// Counts the output, sizes the block once, then writes mark and text straight into it.
template <FusedEncoding kEncoding>
int32_t StoreFinished(const DocText& text, const ControlMap* map, int32_t lineBreakStyle,
                      std::string_view mark, OutputBlock& block) {
  std::string_view eol = lineBreakStyle == kCr ? "\r" : lineBreakStyle == kLf ? "\n" : "\r\n";
  CountingSink<kEncoding> counter{eol.size()};
  WalkFinished(text, map, counter);
  size_t total = mark.size() + counter.total;
  if (total > static_cast<size_t>(INT32_MAX)) return kFormatError;
  SizeOutputBlock(block, total + 1);
  std::memcpy(block.data(), mark.data(), mark.size());
  WritingSink<kEncoding> writer{eol, block.data() + mark.size()};
  WalkFinished(text, map, writer);
  block[total] = 0;
  return static_cast<int32_t>(total);
}

}  // namespace

DocText::DocText() = default;
DocText::~DocText() = default;
DocText::DocText(DocText&&) noexcept = default;
DocText& DocText::operator=(DocText&&) noexcept = default;

void DocText::AppendOwned(std::string_view text) {
  if (text.empty()) return;
  if (!runs.empty() && !runs.back().bytes) {
    runs.back().units += text.size();
  } else {
    runs.push_back({nullptr, narrow.size(), text.size()});
  }
  narrow.append(text);
  units += text.size();
}

void DocText::AppendOwned(std::u16string_view text) {
  if (text.empty()) return;
  if (!runs.empty() && !runs.back().bytes) {
    runs.back().units += text.size();
  } else {
    runs.push_back({nullptr, utf16.size(), text.size()});
  }
  utf16.append(text);
  units += text.size();
}

void DocText::AppendInPlace(const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  size_t unitBytes = wide ? 2 : 1;
  DocText::Run* last = runs.empty() ? nullptr : &runs.back();
  if (last && last->bytes && last->bytes + last->units * unitBytes == bytes) {
    last->units += count;
  } else {
    runs.push_back({bytes, 0, count});
  }
  units += count;
}

std::u16string DocText::FlatUtf16() const {
  std::u16string flat;
  flat.reserve(units);
  for (const Run& run : runs) {
    if (!run.bytes) {
      flat.append(utf16, run.begin, run.units);
    } else {
      for (size_t i = 0; i < run.units; ++i) {
        flat.push_back(static_cast<char16_t>(run.bytes[2 * i] | (run.bytes[2 * i + 1] << 8)));
      }
    }
  }
  return flat;
}

int32_t Word6CodePageOfLid(uint16_t lid) {
  switch (lid) {
    case 0x0404:  // Chinese (Taiwan)
    case 0x0C04:  // Chinese (Hong Kong)
    case 0x1404:  // Chinese (Macao)
      return 950;
    case 0x0804:  // Chinese (PRC)
    case 0x1004:  // Chinese (Singapore)
      return 936;
    case 0x0C1A:  // Serbian (Cyrillic)
    case 0x201A:  // Bosnian (Cyrillic)
    case 0x082C:  // Azeri (Cyrillic)
    case 0x0843:  // Uzbek (Cyrillic)
      return 1251;
    default:
      break;
  }
  switch (lid & 0x3FF) {
    case 0x02:  // Bulgarian
    case 0x19:  // Russian
    case 0x22:  // Ukrainian
    case 0x23:  // Belarusian
    case 0x2F:  // Macedonian
    case 0x3F:  // Kazakh
    case 0x40:  // Kyrgyz
    case 0x44:  // Tatar
    case 0x50:  // Mongolian
      return 1251;
    case 0x08:  // Greek
      return 1253;
    case 0x1F:  // Turkish
    case 0x2C:  // Azeri (Latin)
    case 0x43:  // Uzbek (Latin)
      return 1254;
    case 0x0D:  // Hebrew
    case 0x3D:  // Yiddish
      return 1255;
    case 0x01:  // Arabic
    case 0x20:  // Urdu
    case 0x29:  // Farsi
      return 1256;
    case 0x25:  // Estonian
    case 0x26:  // Latvian
    case 0x27:  // Lithuanian
      return 1257;
    case 0x2A:  // Vietnamese
      return 1258;
    case 0x05:  // Czech
    case 0x0E:  // Hungarian
    case 0x15:  // Polish
    case 0x18:  // Romanian
    case 0x1A:  // Croatian, Serbian (Latin), Bosnian (Latin)
    case 0x1B:  // Slovak
    case 0x1C:  // Albanian
    case 0x24:  // Slovenian
      return 1250;
    case 0x1E:  // Thai
      return 874;
    case 0x11:  // Japanese
      return 932;
    case 0x12:  // Korean
      return 949;
    default:
      return kAnsiCodePage;
  }
}

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
  text.source = storage.OpenStream(std::string_view("WordDocument"), kDocFileReadMode);
  if (!text.source) return 0;
  TDocFileStream* document = text.source.get();
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
  if (text.units > static_cast<size_t>(text.wide ? INT32_MAX / 2 : INT32_MAX)) return kFormatError;
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
    return StoreFinished<FusedEncoding::kBytes>(text, keepRaw == 1 ? nullptr : &kNarrowControls,
                                                lineBreakStyle, "", block);
  }
  const ControlMap* map = keepRaw == 1 ? nullptr : &kWideControls;
  if (codePage == 65001) {
    return StoreFinished<FusedEncoding::kUtf8>(text, map, lineBreakStyle, "\xEF\xBB\xBF", block);
  }
  if (codePage == 1200) {
    return StoreFinished<FusedEncoding::kUtf16>(text, map, lineBreakStyle, "\xFF\xFE", block);
  }
  std::u16string flat = text.FlatUtf16();
  if (map) CleanControls(flat, *map);
  return OutputUtf16Text(flat, lineBreakStyle, codePage, block);
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
