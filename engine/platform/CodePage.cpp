// Code page conversions over glibc iconv. Single-byte code pages are served from tables built
// once per code page (immutable after construction); the others go through iconv per call.
#include "CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <vector>

namespace scrivtar::platform {

namespace {

struct CodePageName {
  int32_t id;
  const char* iconvName;
  bool singleByte;
};

// Windows code page ids and their iconv names: the Options list, the OEM pages, ISO-8859.
// 1255 and 1258 are single-byte but not served from a table: iconv composes a base letter with
// the combining mark after it when decoding and writes a composed letter as two bytes.
constexpr CodePageName kCodePages[] = {
    {437, "CP437", true},         {737, "CP737", true},
    {775, "CP775", true},         {850, "CP850", true},
    {852, "CP852", true},         {855, "CP855", true},
    {857, "CP857", true},         {860, "CP860", true},
    {861, "CP861", true},         {862, "CP862", true},
    {863, "CP863", true},         {864, "CP864", true},
    {865, "CP865", true},         {866, "CP866", true},
    {869, "CP869", true},         {874, "CP874", true},
    {932, "CP932", false},        {936, "CP936", false},
    {949, "CP949", false},        {950, "CP950", false},
    {1200, "UTF-16LE", false},    {1201, "UTF-16BE", false},
    {1250, "CP1250", true},       {1251, "CP1251", true},
    {1252, "CP1252", true},       {1253, "CP1253", true},
    {1254, "CP1254", true},       {1255, "CP1255", false},
    {1256, "CP1256", true},       {1257, "CP1257", true},
    {1258, "CP1258", false},      {1361, "JOHAB", false},
    {10000, "MACINTOSH", true},   {20127, "ANSI_X3.4-1968", true},
    {20866, "KOI8-R", true},      {21866, "KOI8-U", true},
    {20932, "EUC-JP", false},     {28591, "ISO-8859-1", true},
    {28592, "ISO-8859-2", true},  {28593, "ISO-8859-3", true},
    {28594, "ISO-8859-4", true},  {28595, "ISO-8859-5", true},
    {28596, "ISO-8859-6", true},  {28597, "ISO-8859-7", true},
    {28598, "ISO-8859-8", true},  {28599, "ISO-8859-9", true},
    {28603, "ISO-8859-13", true}, {28605, "ISO-8859-15", true},
    {51932, "EUC-JP", false},     {51949, "EUC-KR", false},
    {54936, "GB18030", false},    {65001, "UTF-8", false},
};

const CodePageName* FindCodePage(int32_t id) {
  for (const auto& cp : kCodePages) {
    if (cp.id == id) return &cp;
  }
  return nullptr;
}

// RAII for one iconv descriptor.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Decode and encode tables of one single-byte code page.
struct SingleByteTable {
  // A byte the code page leaves undefined decodes to U+FFFD, or in 80..9F to the C1 control of
  // its value as the Windows call does for 1252's holes: never to a letter. No character
  // encodes to it.
  static constexpr char16_t kUndefined = 0xFFFD;
  std::array<char16_t, 256> toWide{};
  std::array<uint8_t, 65536> fromWide{};  // "?" for characters the code page lacks

  explicit SingleByteTable(const char* iconvName) {
    Iconv cd("UTF-16LE", iconvName);
    toWide.fill(kUndefined);
    toWide[0] = 0;
    for (int b = 1; b < 256 && cd.ok(); ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* inPtr = &in;
      char* outPtr = out;
      size_t inLeft = 1, outLeft = sizeof out;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) continue;
      // Flush: a converter may hold a character back while it waits for a combining mark.
      if (iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) continue;
      // Only a byte the code page really maps to one UTF-16 unit gets a character.
      if (outPtr - out != 2) continue;
      toWide[b] =
          static_cast<char16_t>(static_cast<uint8_t>(out[0]) | (static_cast<uint8_t>(out[1]) << 8));
    }
    // Characters the code page lacks become "?"; filled from the top so that the lowest byte
    // wins for duplicates. An undefined byte is nobody's encoding.
    fromWide.fill('?');
    fromWide[0] = 0;
    for (int b = 255; b >= 1; --b) {
      if (toWide[b] != kUndefined) fromWide[toWide[b]] = static_cast<uint8_t>(b);
    }
    for (int b = 0x80; b < 0xA0; ++b) {
      if (toWide[b] == kUndefined) toWide[b] = static_cast<char16_t>(b);
    }
  }
};

template <int32_t Id>
const SingleByteTable& TableOf(const char* name) {
  static const SingleByteTable table(name);
  return table;
}

// The table of a single-byte code page, or nullptr. Each is built on first use and then
// only read.
const SingleByteTable* SingleByteTableOf(const CodePageName& cp) {
  if (!cp.singleByte) return nullptr;
  // clang-format off
  switch (cp.id) {
#define SCRIVTAR_TABLE(id) \
  case id:                 \
    return &TableOf<id>(cp.iconvName);
    SCRIVTAR_TABLE(437) SCRIVTAR_TABLE(737) SCRIVTAR_TABLE(775) SCRIVTAR_TABLE(850)
    SCRIVTAR_TABLE(852) SCRIVTAR_TABLE(855) SCRIVTAR_TABLE(857) SCRIVTAR_TABLE(860)
    SCRIVTAR_TABLE(861) SCRIVTAR_TABLE(862) SCRIVTAR_TABLE(863) SCRIVTAR_TABLE(864)
    SCRIVTAR_TABLE(865) SCRIVTAR_TABLE(866) SCRIVTAR_TABLE(869) SCRIVTAR_TABLE(874)
    SCRIVTAR_TABLE(1250) SCRIVTAR_TABLE(1251) SCRIVTAR_TABLE(1252) SCRIVTAR_TABLE(1253)
    SCRIVTAR_TABLE(1254) SCRIVTAR_TABLE(1256) SCRIVTAR_TABLE(1257) SCRIVTAR_TABLE(10000)
    SCRIVTAR_TABLE(20127) SCRIVTAR_TABLE(20866) SCRIVTAR_TABLE(21866) SCRIVTAR_TABLE(28591)
    SCRIVTAR_TABLE(28592) SCRIVTAR_TABLE(28593) SCRIVTAR_TABLE(28594) SCRIVTAR_TABLE(28595)
    SCRIVTAR_TABLE(28596) SCRIVTAR_TABLE(28597) SCRIVTAR_TABLE(28598) SCRIVTAR_TABLE(28599)
    SCRIVTAR_TABLE(28603) SCRIVTAR_TABLE(28605)
#undef SCRIVTAR_TABLE
    default:
      return nullptr;
  }
  // clang-format on
}

bool IsHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// UTF-16 to a multi-byte code page. Each distinct character is converted by iconv once per call
// and remembered in a table local to the call, so the cost is one table lookup per character
// after the first occurrence, and an unconvertible character costs no iconv restart. A character
// the code page lacks (or a lone surrogate) becomes "?".
std::string WideToMultiByte(const char* iconvName, std::u16string_view text) {
  Iconv cd(iconvName, "UTF-16LE");
  if (!cd.ok()) return {};
  // Entry: 0 = not looked up yet; otherwise byte count in bits 24..31, bytes in 0..23.
  std::vector<uint32_t> memo(65536, 0);
  constexpr uint32_t kMissing = (1u << 24) | '?';
  auto convert = [&](const char16_t* units, size_t count, char* out) -> size_t {
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(units));
    size_t inLeft = count * 2;
    char* outPtr = out;
    size_t outLeft = 8;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0) {
      return 0;
    }
    return static_cast<size_t>(outPtr - out);
  };
  std::string out;
  out.reserve(text.size() * 2);
  char bytes[8];
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      // A pair is one character beyond the BMP (rare: converted directly, not remembered).
      if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        size_t n = convert(text.data() + i, 2, bytes);
        out.append(n ? std::string_view(bytes, n) : std::string_view("?"));
        ++i;
      } else {
        out.push_back('?');
      }
      continue;
    }
    uint32_t entry = memo[u];
    if (entry == 0) {
      size_t n = convert(&u, 1, bytes);
      if (n == 0 || n > 3) {
        entry = kMissing;
        if (n > 3) {  // a four-byte form (GB18030): not cached
          out.append(bytes, n);
          continue;
        }
      } else {
        entry = static_cast<uint32_t>(n) << 24;
        for (size_t k = 0; k < n; ++k)
          entry |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[k])) << (8 * k);
      }
      memo[u] = entry;
    }
    size_t n = entry >> 24;
    for (size_t k = 0; k < n; ++k) out.push_back(static_cast<char>((entry >> (8 * k)) & 0xFF));
  }
  return out;
}

std::u16string MultiByteToWide(const char* iconvName, std::string_view bytes) {
  Iconv cd("UTF-16LE", iconvName);
  if (!cd.ok()) return {};
  std::u16string out;
  out.reserve(bytes.size());
  char buffer[8192];
  size_t i = 0;
  while (i < bytes.size()) {
    char* inPtr = const_cast<char*>(bytes.data() + i);
    size_t inLeft = bytes.size() - i;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    size_t produced = static_cast<size_t>(outPtr - buffer) / 2;
    const char* b = buffer;
    for (size_t k = 0; k < produced; ++k, b += 2) {
      out.push_back(
          static_cast<char16_t>(static_cast<uint8_t>(b[0]) | (static_cast<uint8_t>(b[1]) << 8)));
    }
    i = bytes.size() - inLeft;
    if (rc != static_cast<size_t>(-1)) {
      // A converter that waits for a combining mark still holds the last letter.
      outPtr = buffer;
      outLeft = sizeof buffer;
      iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
      for (const char* f = buffer; f + 1 < outPtr; f += 2) {
        out.push_back(
            static_cast<char16_t>(static_cast<uint8_t>(f[0]) | (static_cast<uint8_t>(f[1]) << 8)));
      }
      break;
    }
    if (errno == E2BIG) continue;
    out.push_back(0xFFFD);
    ++i;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

const uint8_t* SingleByteEncodeTable(int32_t codePage) {
  const CodePageName* cp = FindCodePage(codePage);
  const SingleByteTable* table = cp ? SingleByteTableOf(*cp) : nullptr;
  return table ? table->fromWide.data() : nullptr;
}

const char* IconvNameOfCodePage(int32_t codePage) {
  const CodePageName* cp = FindCodePage(codePage);
  return cp ? cp->iconvName : nullptr;
}

bool IsCodePageSupported(int32_t codePage) {
  const char* name = IconvNameOfCodePage(codePage);
  if (!name) return false;
  Iconv cd(name, "UTF-16LE");
  return cd.ok();
}

std::string WideToCodePage(int32_t codePage, std::u16string_view text) {
  const CodePageName* cp = FindCodePage(codePage);
  if (!cp || text.empty()) return {};
  if (const SingleByteTable* table = SingleByteTableOf(*cp)) {
    std::string out(text.size(), '\0');
    char* w = out.data();
    const char16_t* in = text.data();
    const char16_t* end = in + text.size();
    const uint8_t* fromWide = table->fromWide.data();
    while (in < end) {
      char16_t u = *in++;
      uint8_t b = fromWide[u];
      // A surrogate pair is one character: one "?".
      if (IsHighSurrogate(u) && in < end && IsLowSurrogate(*in)) ++in;
      *w++ = static_cast<char>(b);
    }
    out.resize(static_cast<size_t>(w - out.data()));
    return out;
  }
  return WideToMultiByte(cp->iconvName, text);
}

std::u16string CodePageToWide(int32_t codePage, std::string_view bytes) {
  const CodePageName* cp = FindCodePage(codePage);
  if (!cp || bytes.empty()) return {};
  if (const SingleByteTable* table = SingleByteTableOf(*cp)) {
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
      out[i] = table->toWide[static_cast<uint8_t>(bytes[i])];
    return out;
  }
  return MultiByteToWide(cp->iconvName, bytes);
}

}  // namespace scrivtar::platform
