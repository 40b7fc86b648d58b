#include "RtfCodePages.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "../common/Utf8.h"

namespace scrivtar::rtf {

namespace {

// The code pages RTF writers name (\ansicpg, \cpg, through \fcharset), with their iconv names.
struct TCodePageName {
  int32_t id;
  const char* iconvName;
  bool multiByte;
};
constexpr TCodePageName kCodePages[] = {
    {437, "CP437", false},          {708, "ISO-8859-6", false},
    {737, "CP737", false},          {775, "CP775", false},
    {850, "CP850", false},          {852, "CP852", false},
    {855, "CP855", false},          {857, "CP857", false},
    {860, "CP860", false},          {861, "CP861", false},
    {862, "CP862", false},          {863, "CP863", false},
    {864, "CP864", false},          {865, "CP865", false},
    {866, "CP866", false},          {869, "CP869", false},
    {874, "CP874", false},          {932, "CP932", true},
    {936, "CP936", true},           {949, "CP949", true},
    {950, "CP950", true},           {1250, "CP1250", false},
    {1251, "CP1251", false},        {1252, "CP1252", false},
    {1253, "CP1253", false},        {1254, "CP1254", false},
    {1255, "CP1255", false},        {1256, "CP1256", false},
    {1257, "CP1257", false},        {1258, "CP1258", false},
    {1361, "JOHAB", true},          {10000, "MACINTOSH", false},
    {10007, "MAC-CYRILLIC", false}, {20127, "ANSI_X3.4-1968", false},
    {20866, "KOI8-R", false},       {20932, "EUC-JP", true},
    {21866, "KOI8-U", false},       {28591, "ISO-8859-1", false},
    {28592, "ISO-8859-2", false},   {28593, "ISO-8859-3", false},
    {28594, "ISO-8859-4", false},   {28595, "ISO-8859-5", false},
    {28596, "ISO-8859-6", false},   {28597, "ISO-8859-7", false},
    {28598, "ISO-8859-8", false},   {28599, "ISO-8859-9", false},
    {28605, "ISO-8859-15", false},  {51932, "EUC-JP", true},
    {51949, "EUC-KR", true},        {54936, "GB18030", true},
    {65001, "UTF-8", true},
};

const TCodePageName* FindCodePage(int32_t id) {
  for (const auto& cp : kCodePages) {
    if (cp.id == id) return &cp;
  }
  return nullptr;
}

constexpr int32_t kFallbackCodePage = 1252;

}  // namespace

int32_t CodePageOfCharset(int32_t charset, int32_t documentCodePage) {
  switch (charset) {
    case 0:
      return 1252;
    case 2:
      return kSymbolCodePage;
    case 77:
      return 10000;
    case 89:
      return 10007;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    case 255:
      return 850;
    default:
      return documentCodePage;
  }
}

// UTF-8 of each byte value of a single-byte code page.
struct TByteDecoder::TSingleByteTable {
  std::array<std::array<char, 4>, 256> utf8{};
  std::array<uint8_t, 256> length{};
};

struct TByteDecoder::TConverter {
  iconv_t cd;
  explicit TConverter(const char* from) : cd(iconv_open("UTF-8", from)) {}
  ~TConverter() {
    if (ok()) iconv_close(cd);
  }
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

TByteDecoder::TByteDecoder() = default;
TByteDecoder::~TByteDecoder() = default;

bool TByteDecoder::IsMultiByte(int32_t codePage) {
  const TCodePageName* cp = FindCodePage(codePage);
  return cp && cp->multiByte;
}

const TByteDecoder::TSingleByteTable& TByteDecoder::TableOf(int32_t codePage) {
  auto found = tables_.find(codePage);
  if (found != tables_.end()) return *found->second;
  auto table = std::make_unique<TSingleByteTable>();
  const TCodePageName* name = FindCodePage(codePage == kSymbolCodePage ? 1252 : codePage);
  TConverter converter(name ? name->iconvName : "CP1252");
  for (int b = 0; b < 256; ++b) {
    std::string utf8;
    if (b >= 0x80 && converter.ok()) {
      char in = static_cast<char>(b);
      char buffer[8];
      char* inPtr = &in;
      char* outPtr = buffer;
      size_t inLeft = 1, outLeft = sizeof buffer;
      iconv(converter.cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(converter.cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
          inLeft == 0) {
        utf8.assign(buffer, static_cast<size_t>(outPtr - buffer));
      }
    }
    // The bytes a code page leaves undefined keep their own value, as Windows does.
    if (utf8.empty() || utf8.size() > 4) {
      utf8.clear();
      filters::AppendUtf8(utf8, static_cast<char32_t>(b));
    }
    if (codePage == kSymbolCodePage && b == 0xB7) {
      utf8.clear();
      filters::AppendUtf8(utf8, U'\u2022');  // the symbol fonts' bullet
    }
    table->length[b] = static_cast<uint8_t>(utf8.size());
    for (size_t k = 0; k < utf8.size(); ++k) table->utf8[b][k] = utf8[k];
  }
  return *tables_.emplace(codePage, std::move(table)).first->second;
}

TByteDecoder::TConverter* TByteDecoder::ConverterOf(int32_t codePage) {
  auto found = converters_.find(codePage);
  if (found != converters_.end()) return found->second.get();
  const TCodePageName* name = FindCodePage(codePage);
  auto converter = std::make_unique<TConverter>(name->iconvName);
  if (!converter->ok()) converter.reset();
  return converters_.emplace(codePage, std::move(converter)).first->second.get();
}

void TByteDecoder::Decode(int32_t codePage, std::string_view bytes, std::string& out) {
  const TCodePageName* name = FindCodePage(codePage);
  if (codePage != kSymbolCodePage && !name) codePage = kFallbackCodePage;
  TConverter* converter = (name && name->multiByte) ? ConverterOf(codePage) : nullptr;
  if (!converter) {
    const TSingleByteTable& table = TableOf(name && name->multiByte ? kFallbackCodePage : codePage);
    for (unsigned char b : bytes) {
      if (b < 0x80) {
        out.push_back(static_cast<char>(b));
      } else {
        out.append(table.utf8[b].data(), table.length[b]);
      }
    }
    return;
  }
  iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[4096];
  char* inPtr = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(converter->cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A byte that starts no character of the code page (or a truncated one at the end).
    filters::AppendUtf8(out, U'\uFFFD');
    ++inPtr;
    --inLeft;
    iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace scrivtar::rtf
