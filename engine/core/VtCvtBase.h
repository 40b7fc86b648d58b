// The output step: uniform line ends, encoding for the output code page with its byte-order
// mark, and the store into the caller's output block. Every entry point ends here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scrivtar/CodePages.h"
#include "scrivtar/ResultCodes.h"

namespace scrivtar {

struct UserLocale;

enum class Utf8Decoder { kLenient, kStrict };

// The code page that stands for "the system's ANSI code page" (code page 0).
int32_t SystemAnsiCodePage();

// Every CR LF, lone CR and lone LF becomes the style's line end. Works on bytes, so on UTF-8 too.
std::string NormalizeLineEnds(std::string_view text, int32_t style);
// The same on UTF-16 code units; U+2028 counts as a lone LF.
std::u16string NormalizeLineEndsW(std::u16string_view text, int32_t style);

// Never fails: malformed sequences and characters beyond the BMP become "?".
std::u16string Utf8DecodeLenient(std::string_view bytes);
// The empty text when a sequence is broken; no over-long or surrogate checks.
std::u16string Utf8DecodeStrict(std::string_view bytes);

// The platform conversion; an empty result for a code page the platform cannot serve.
std::string WideToCodePage(int32_t codePage, std::u16string_view text);
// One UTF-8 sequence per UTF-16 unit (a surrogate pair becomes two three-byte sequences).
std::string WideToUtf8(std::u16string_view text);

// The output bytes for UTF-8 extractor text.
std::string EncodeFromUtf8(std::string_view bytes, int32_t codePage, Utf8Decoder decoder);
// The output bytes for UTF-16 extractor text.
std::string EncodeFromUtf16(std::u16string_view text, int32_t codePage);

// Sizes the block to n bytes for a converter to write; a large block gets its pages in one go
// instead of a page fault at the first write to each.
void SizeOutputBlock(OutputBlock& block, size_t n);

// Resizes the block to count + 1, copies the bytes to its start, returns the count.
int32_t StoreText(std::string_view bytes, OutputBlock& block);

// The whole output step for UTF-8 text: line ends (when normalize is set), encoding, store.
// The 65001 path writes mark and normalised text straight into the block.
int32_t OutputUtf8Text(std::string_view text, bool normalize, int32_t style, int32_t codePage,
                       Utf8Decoder decoder, OutputBlock& block);
// The whole output step for UTF-16 text: line ends (U+2028 included), encoding, store.
int32_t OutputUtf16Text(std::u16string_view text, int32_t style, int32_t codePage,
                        OutputBlock& block);

}  // namespace scrivtar
