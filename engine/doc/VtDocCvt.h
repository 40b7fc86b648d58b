// The Word binary extractor: the text of a .doc file (Word 97 and later through the piece
// table; Word 6 and Word 95 through the fcMin..fcMac range), cleaned of Word's mark characters
// and handed to the output step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

class TDocFileStorage;
class TDocFileStream;

// One entry of the piece table.
struct DocPiece {
  uint32_t fileOffset;  // where the piece's text starts in the "WordDocument" stream
  bool is16Bit;         // UTF-16LE text, else 8-bit compressed (Windows-1252) text
  uint32_t firstCp;
  uint32_t limitCp;
};

// The working text: 8-bit Windows-1252 text for code page 1252, UTF-16 for every other one. It
// is a list of runs in stored order: a piece already in the working form stays in the file's
// bytes (8-bit bytes, or UTF-16LE units) and is read in place; converted text is owned here.
struct DocText {
  struct Run {
    const uint8_t* bytes = nullptr;  // in the stream; nullptr: owned text from begin
    size_t begin = 0;
    size_t units = 0;
  };
  bool wide = false;
  std::vector<Run> runs;
  std::string narrow;                      // owned 8-bit text
  std::u16string utf16;                    // owned UTF-16 text
  std::unique_ptr<TDocFileStream> source;  // keeps the bytes of the runs in place alive
  size_t units = 0;

  DocText();
  ~DocText();
  DocText(DocText&&) noexcept;
  DocText& operator=(DocText&&) noexcept;

  int32_t ByteLength() const { return static_cast<int32_t>(wide ? units * 2 : units); }
  void AppendOwned(std::string_view text);
  void AppendOwned(std::u16string_view text);
  void AppendInPlace(const uint8_t* bytes, size_t units);
  // The whole text as one UTF-16 string (wide text only).
  std::u16string FlatUtf16() const;
};

// The code page of a Word 6 or Word 95 document's 8-bit text, from the language identifier of
// its FIB (lid): 1251 for the Cyrillic languages, 1253 Greek, 1250 Central European and so on;
// 1252 for every language that names none of them.
int32_t Word6CodePageOfLid(uint16_t lid);

// Walks a CLX: property entries are skipped, the pieces of the first piece table are listed. A
// damaged entry ends the walk; the pieces listed before it are kept.
std::vector<DocPiece> ParseClx(const uint8_t* clx, size_t size);

// Fills text from an open compound document; the text length in bytes or a negative result
// code (-11 encrypted). codePage must already be resolved (0 taken as 1252).
int32_t ExtractDocTextFromStorage(TDocFileStorage& storage, int32_t codePage, DocText& text);

// Checks and opens the file, then extracts: the text length in bytes or a negative code.
int32_t ExtractDocText(const std::filesystem::path& fileName, int32_t reserved, DocText& text,
                       int32_t codePage);

// The finishing steps: mark characters cleaned up (unless keepRaw is 1), line ends made
// uniform, the text encoded and stored in the block. The byte count stored.
int32_t FinishDocText(DocText& text, int32_t codePage, int32_t lineBreakStyle, int32_t keepRaw,
                      OutputBlock& block);

// The entry point for type DOC: the byte count stored in block, or a negative result code.
int32_t ConvertDoc(const std::filesystem::path& source, int32_t limit, OutputBlock& block,
                   int32_t codePage, int32_t lineBreakStyle, int32_t keepRaw);

}  // namespace scrivtar
