// The 8-bit text of an RTF file: the document's and each font's code page, decoded to UTF-8
// through glibc iconv. Tables and conversion descriptors are cached per conversion.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace scrivtar::rtf {

// Pseudo code page of the symbol character set (\fcharset2).
constexpr int32_t kSymbolCodePage = 42;

// The Windows code page of an RTF \fcharset value; `documentCodePage` for the default set (1)
// and for values without one.
int32_t CodePageOfCharset(int32_t charset, int32_t documentCodePage);

class TByteDecoder {
 public:
  TByteDecoder();
  ~TByteDecoder();
  TByteDecoder(const TByteDecoder&) = delete;
  TByteDecoder& operator=(const TByteDecoder&) = delete;

  // True when a character of the code page may take more than one byte.
  static bool IsMultiByte(int32_t codePage);
  // Appends the bytes, decoded, as UTF-8; an unknown code page is read as Windows-1252 and a
  // byte that cannot be decoded becomes U+FFFD.
  void Decode(int32_t codePage, std::string_view bytes, std::string& out);

 private:
  struct TSingleByteTable;
  struct TConverter;
  const TSingleByteTable& TableOf(int32_t codePage);
  TConverter* ConverterOf(int32_t codePage);

  std::map<int32_t, std::unique_ptr<TSingleByteTable>> tables_;
  std::map<int32_t, std::unique_ptr<TConverter>> converters_;
};

}  // namespace scrivtar::rtf
