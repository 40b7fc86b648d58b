// Shared strings across CONTINUE records. Character data that crosses a segment boundary is
// preceded by a fresh option byte in the new segment; formatting runs and phonetic data are not.
#include "VtXlsSST.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace scrivtar {

TXlsSegments::TXlsSegments(std::vector<TVtMemoryStream> segments) : segments_(std::move(segments)) {
  if (segments_.empty()) segments_.emplace_back();
}

bool TXlsSegments::MoveNext() {
  if (!HasNext()) return false;
  ++index_;
  return true;
}

void TUtf8Appender::Add(uint16_t unit) {
  if (pendingHigh_ != 0) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      uint32_t cp = 0x10000 + ((uint32_t{pendingHigh_} - 0xD800) << 10) + (unit - 0xDC00u);
      pendingHigh_ = 0;
      out_ += static_cast<char>(0xF0 | (cp >> 18));
      out_ += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out_ += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out_ += static_cast<char>(0x80 | (cp & 0x3F));
      return;
    }
    Flush();
  }
  if (unit == 0) unit = u' ';
  if (unit < 0x80) {
    out_ += static_cast<char>(unit);
  } else if (unit < 0x800) {
    out_ += static_cast<char>(0xC0 | (unit >> 6));
    out_ += static_cast<char>(0x80 | (unit & 0x3F));
  } else if (unit >= 0xD800 && unit <= 0xDBFF) {
    pendingHigh_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    out_ += '?';
  } else {
    out_ += static_cast<char>(0xE0 | (unit >> 12));
    out_ += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out_ += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

void TUtf8Appender::Flush() {
  if (pendingHigh_ != 0) out_ += '?';
  pendingHigh_ = 0;
}

void AppendByteCharacters(std::string& out, const uint8_t* bytes, size_t count,
                          const TXlsTextForm& form) {
  TUtf8Appender text(out);
  if (form.biff8 || !platform::IsCodePageSupported(form.codePage)) {
    for (size_t i = 0; i < count; ++i) text.Add(bytes[i]);
    return;
  }
  std::u16string wide = platform::CodePageToWide(
      form.codePage, std::string_view(reinterpret_cast<const char*>(bytes), count));
  for (char16_t unit : wide) text.Add(unit);
}

namespace {

constexpr uint8_t kHighByte = 0x01;
constexpr uint8_t kExtSt = 0x04;
constexpr uint8_t kRichSt = 0x08;

// Appends up to count characters of the given width from the current segment.
void AppendCharacters(TVtMemoryStream& segment, uint32_t count, unsigned width,
                      TUtf8Appender& text) {
  const size_t available = segment.Remaining() / width;
  const size_t n = std::min<size_t>(count, available);
  const uint8_t* p = segment.Current();
  if (width == 1) {
    for (size_t i = 0; i < n; ++i) text.Add(p[i]);
  } else {
    for (size_t i = 0; i < n; ++i) text.Add(static_cast<uint16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
  }
  segment.Skip(n * width);
}

}  // namespace

void ReadContinuedString(TXlsSegments& segments, std::string& out) {
  if (segments.Current().AtEnd()) segments.MoveNext();
  uint32_t cch = segments.Current().ReadWord();
  uint8_t options = segments.Current().ReadByte();
  uint32_t runs = 0;
  uint32_t phoneticBytes = 0;
  if (options & kRichSt) runs = segments.Current().ReadWord();
  if (options & kExtSt) phoneticBytes = segments.Current().ReadDWord();

  unsigned width = (options & kHighByte) ? 2 : 1;
  TUtf8Appender text(out);
  // Characters that do not fit continue in the next segment behind a new option byte. That
  // holds too when the header fills its segment exactly: the characters then start after the
  // option byte that opens the next segment, as Excel writes them.
  while (uint64_t{cch} * width > segments.Current().Remaining()) {
    uint32_t fit = static_cast<uint32_t>(segments.Current().Remaining() / width);
    AppendCharacters(segments.Current(), fit, width, text);
    cch -= fit;
    if (!segments.MoveNext()) break;
    width = segments.Current().ReadByte() != 0 ? 2 : 1;
  }
  AppendCharacters(segments.Current(), cch, width, text);
  text.Flush();

  // Formatting runs cross segments in whole 4-byte runs, with no option byte at the crossing.
  while (runs > 0) {
    uint32_t fit =
        static_cast<uint32_t>(std::min<size_t>(runs, segments.Current().Remaining() / 4));
    segments.Current().Skip(size_t{fit} * 4);
    runs -= fit;
    if (runs == 0 || !segments.MoveNext()) break;
  }
  while (phoneticBytes > 0) {
    uint32_t fit =
        static_cast<uint32_t>(std::min<size_t>(phoneticBytes, segments.Current().Remaining()));
    segments.Current().Skip(fit);
    phoneticBytes -= fit;
    if (phoneticBytes == 0 || !segments.MoveNext()) break;
  }
}

TSharedStrings ReadSharedStrings(std::vector<TVtMemoryStream> segmentList) {
  size_t totalBytes = 0;
  for (const auto& s : segmentList) totalBytes += s.Size();
  TXlsSegments segments(std::move(segmentList));
  TSharedStrings table;
  segments.Current().ReadDWord();  // cstTotal
  table.count = segments.Current().ReadDWord();
  // Every string takes at least three bytes: a lying count cannot make the table larger.
  table.strings.reserve(std::min<size_t>(table.count, totalBytes / 3));
  for (uint32_t i = 0; i < table.count; ++i) {
    if (segments.Exhausted()) break;
    table.strings.emplace_back();
    ReadContinuedString(segments, table.strings.back());
  }
  return table;
}

}  // namespace scrivtar
