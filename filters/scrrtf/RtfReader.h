// Our RTF reader: one pass over the source, producing the text a reader sees as UTF-8. Groups
// live on a bounded heap stack, so any nesting depth is safe; skipped destinations (font
// tables aside) are scanned without a stack at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "../common/FilterSession.h"
#include "RtfCodePages.h"

namespace scrivtar::rtf {

class TRtfReader {
 public:
  explicit TRtfReader(filters::TSourceReader& source);

  // Appends text until `out` holds at least minOut bytes or the source is used up (`done`).
  // Returns 0, or the source's read error (the text before it is kept).
  int32_t Run(std::string& out, size_t minOut, bool& done);

  // What a control word does (the table of words is in the source file).
  enum class TAction : uint8_t;

 private:
  enum class TDest : uint8_t { kText, kFontTable };
  // What keeps a footnote's or a shape's text apart from the text around it.
  enum class TSeparator : uint8_t { kNone, kSpace, kLineEnd };
  struct TGroup {
    TDest dest = TDest::kText;
    int32_t font = -1;      // -1: the document's default font
    int32_t uc = 1;         // fallback characters after each \u
    bool listText = false;  // a list item's marker (\listtext, \pntext)
    TSeparator atClose = TSeparator::kNone;
  };
  struct TWord {
    char name[33];
    size_t length = 0;
    bool hasParam = false;
    int32_t param = 0;
  };
  // Input.
  bool Refill();
  int Next() {
    if (pos_ == end_ && !Refill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_++]);
  }
  void Unget() { --pos_; }
  void SkipBytes(int64_t count);
  void ReadWord(int first, TWord& word);
  int ReadHexByte();

  // Structure.
  TGroup& Top() { return groups_.back(); }
  void OpenGroup();
  void CloseGroup();
  void SkipGroup();
  void Control(std::string& out);
  void ControlWord(const TWord& word, std::string& out);
  void ControlSymbol(int c, std::string& out);
  void PlainText(int c, std::string& out);
  void FontNameText(int c);
  void SymbolByte(unsigned char b, int32_t codePage, std::string& out);

  // Output.
  int32_t CurrentCodePage();
  void BeforeText(std::string& out);
  void AddByte(unsigned char b, std::string& out);
  void FlushBytes(std::string& out);
  void EmitCodePoint(char32_t cp, std::string& out);
  void EmitUnicode(int32_t value, std::string& out);
  void EmitLineEnd(std::string& out);
  // Asks for a separator before the next text.
  void Separate(TSeparator separator);

  filters::TSourceReader& source_;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0, end_ = 0;
  int32_t error_ = 0;

  std::vector<TGroup> groups_;
  size_t overflowDepth_ = 0;  // groups opened past the stack's bound
  bool starPending_ = false;  // \* seen: the next destination is skipped
  int64_t fallbackLeft_ = 0;  // characters still to skip after \u

  int32_t documentCodePage_ = 1252;
  int32_t defaultFont_ = 0;
  int32_t fontTableFont_ = -1;  // the font entry being read in the font table
  static constexpr size_t kMaxFontName = 64;
  std::string fontName_;  // its name so far (Symbol and the picture fonts are told by name)
  std::unordered_map<int32_t, int32_t> fontCodePages_;
  int32_t cachedFont_ = -2, cachedCodePage_ = 1252;

  TByteDecoder decoder_;
  std::string bytes_;  // 8-bit text not yet decoded, in bytesCodePage_
  int32_t bytesCodePage_ = 1252;
  bool pendingCellTab_ = false;
  TSeparator pendingSeparator_ = TSeparator::kNone;
  bool listMarkerShown_ = false;  // the current list marker has printed something
  char16_t highSurrogate_ = 0;
};

}  // namespace scrivtar::rtf
