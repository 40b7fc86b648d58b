// The output step over arbitrary bytes: both decoders, line ends, every encoder path.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/VtCvtBase.h"

namespace {
constexpr int32_t kCodePages[] = {65001, 1200, 1252, 1251, 932, 936, 949, 950, 874, 437, 12345};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int32_t codePage = kCodePages[selector % (sizeof kCodePages / sizeof kCodePages[0])];
  const int32_t style = (selector >> 4) % 4;
  const Utf8Decoder decoder = (selector & 0x80) ? Utf8Decoder::kStrict : Utf8Decoder::kLenient;

  OutputBlock block;
  OutputUtf8Text(text, true, style, codePage, decoder, block);
  OutputUtf8Text(text, false, style, codePage, decoder, block);
  std::u16string wide = Utf8DecodeLenient(text);
  (void)Utf8DecodeStrict(text);
  OutputUtf16Text(wide, style, codePage, block);
  // Odd bytes as raw UTF-16 units too, lone surrogates included.
  std::u16string units(text.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<uint8_t>(text[2 * i]) |
                                     (static_cast<uint8_t>(text[2 * i + 1]) << 8));
  }
  (void)EncodeFromUtf16(units, codePage);
  (void)WideToUtf8(units);
  return 0;
}
