#include "RtfReader.h"

#include <utility>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "../common/Utf8.h"
#include "RtfSymbolFont.h"

namespace scrivtar::rtf {

namespace {

constexpr size_t kInputBlock = 65536;
// Deeper groups only count (they inherit the state of the deepest one kept).
constexpr size_t kMaxGroupDepth = 1 << 18;
constexpr int64_t kMaxFallback = 1 << 16;
constexpr size_t kFlushBytesAt = 4096;

bool IsLetter(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}
// A lead byte of a double-byte code page: the next byte, whatever it is, belongs to it.
bool IsLeadByte(int32_t codePage, int b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    case 1361:
      return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xF9);
    default:
      return false;
  }
}

bool IsSymbolCodePage(int32_t codePage) {
  return codePage == kSymbolCodePage || codePage == kPictureFontCodePage;
}

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

enum class TRtfReader::TAction : uint8_t {
  kSkipDestination,
  kFontTable,
  kFont,
  kFontCharset,
  kFontCodePage,
  kDefaultFont,
  kAnsiCodePage,
  kCharacterSet,  // \ansi, \mac, \pc, \pca: the parameter-free document character sets
  kUnicodeSkip,
  kUnicode,
  kLineEnd,
  kTab,
  kCell,
  kRow,
  kCharacter,
  kNothing,
  kBinary,
  kPlain,
  kListText,
  kKeptDestination,  // text kept apart from its surroundings (value: the TSeparator)
  kTransparent,      // a destination read for the groups inside it
};

namespace {

struct TWordInfo {
  TRtfReader::TAction action;
  int32_t value;  // the character of kCharacter, the code page of kCharacterSet
};

using TWordTable = std::unordered_map<std::string_view, TWordInfo>;

const TWordTable& WordTable() {
  using A = TRtfReader::TAction;
  static const TWordTable table = [] {
    TWordTable t;
    for (std::string_view skip : {"colortbl",  "stylesheet",   "info",
                                  "pict",      "objdata",      "objclass",
                                  "header",    "headerl",      "headerr",
                                  "headerf",   "footer",       "footerl",
                                  "footerr",   "footerf",      "fldinst",
                                  "datafield", "xe",           "tc",
                                  "txe",       "rxe",          "bkmkstart",
                                  "bkmkend",   "listtable",    "listoverridetable",
                                  "revtbl",    "rsidtbl",      "generator",
                                  "filetbl",   "themedata",    "colorschememapping",
                                  "datastore", "latentstyles", "xmlnstbl",
                                  "pgdsctbl",  "falt",         "fontemb",
                                  "fontfile",  "private",      "nonshppict",
                                  "template",  "docvar",       "userprops",
                                  "atnid",     "atnauthor",    "annotation",
                                  "atrfstart", "atrfend",      "ftnsep",
                                  "ftnsepc",   "aftnsep",      "aftnsepc",
                                  "ftncn",     "aftncn",       "pn",
                                  "fname",     "panose",       "wgrffmtfilter",
                                  "mmathPr",   "protusertbl",  "picprop",
                                  "blipuid",   "sp",           "defchp",
                                  "defpap",    "shprslt"}) {
      t.emplace(skip, TWordInfo{A::kSkipDestination, 0});
    }
    t.emplace("fonttbl", TWordInfo{A::kFontTable, 0});
    t.emplace("f", TWordInfo{A::kFont, 0});
    t.emplace("fcharset", TWordInfo{A::kFontCharset, 0});
    t.emplace("cpg", TWordInfo{A::kFontCodePage, 0});
    t.emplace("deff", TWordInfo{A::kDefaultFont, 0});
    t.emplace("ansicpg", TWordInfo{A::kAnsiCodePage, 0});
    t.emplace("ansi", TWordInfo{A::kCharacterSet, 1252});
    t.emplace("mac", TWordInfo{A::kCharacterSet, 10000});
    t.emplace("pc", TWordInfo{A::kCharacterSet, 437});
    t.emplace("pca", TWordInfo{A::kCharacterSet, 850});
    t.emplace("uc", TWordInfo{A::kUnicodeSkip, 0});
    t.emplace("u", TWordInfo{A::kUnicode, 0});
    for (std::string_view lineEnd : {"par", "line", "sect", "page", "nestrow"}) {
      t.emplace(lineEnd, TWordInfo{A::kLineEnd, 0});
    }
    t.emplace("row", TWordInfo{A::kRow, 0});
    t.emplace("tab", TWordInfo{A::kTab, 0});
    t.emplace("cell", TWordInfo{A::kCell, 0});
    t.emplace("nestcell", TWordInfo{A::kCell, 0});
    t.emplace("bin", TWordInfo{A::kBinary, 0});
    t.emplace("plain", TWordInfo{A::kPlain, 0});
    t.emplace("listtext", TWordInfo{A::kListText, 0});
    t.emplace("pntext", TWordInfo{A::kListText, 0});
    // Footnotes keep their text beside the anchor's word, never glued to it; the text of shapes
    // and of the old drawing objects' text boxes comes as paragraphs of its own. A shape's
    // \shprslt (its drawing-object copy) is skipped, so that text comes once.
    t.emplace("footnote", TWordInfo{A::kKeptDestination, 1});
    t.emplace("shptxt", TWordInfo{A::kKeptDestination, 2});
    t.emplace("dptxbx", TWordInfo{A::kKeptDestination, 2});
    t.emplace("shpinst", TWordInfo{A::kTransparent, 0});
    t.emplace("shp", TWordInfo{A::kTransparent, 0});
    t.emplace("do", TWordInfo{A::kTransparent, 0});
    const std::pair<std::string_view, char32_t> characters[] = {
        {"emdash", U'\u2014'},  {"endash", U'\u2013'},    {"lquote", U'\u2018'},
        {"rquote", U'\u2019'},  {"ldblquote", U'\u201C'}, {"rdblquote", U'\u201D'},
        {"bullet", U'\u2022'},  {"emspace", U'\u2003'},   {"enspace", U'\u2002'},
        {"qmspace", U'\u2005'}, {"zwj", U'\u200D'},       {"zwnj", U'\u200C'},
        {"zwbo", U'\u200B'},    {"zwnbo", U'\uFEFF'},
    };
    for (const auto& [word, character] : characters) {
      t.emplace(word, TWordInfo{A::kCharacter, static_cast<int32_t>(character)});
    }
    return t;
  }();
  return table;
}

}  // namespace

TRtfReader::TRtfReader(filters::TSourceReader& source)
    : source_(source), buffer_(new char[kInputBlock]) {
  groups_.reserve(64);
  groups_.emplace_back();
}

bool TRtfReader::Refill() {
  if (error_ != 0) return false;
  uint32_t count = std::min<uint32_t>(kInputBlock, source_.remaining());
  if (count == 0) return false;
  int32_t rc = source_.Read(buffer_.get(), count);
  if (rc != 0) {
    error_ = rc;
    return false;
  }
  pos_ = 0;
  end_ = count;
  return true;
}

void TRtfReader::SkipBytes(int64_t count) {
  while (count > 0) {
    if (pos_ == end_ && !Refill()) return;
    size_t step = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(end_ - pos_)));
    pos_ += step;
    count -= static_cast<int64_t>(step);
  }
}

void TRtfReader::ReadWord(int first, TWord& word) {
  word.length = 0;
  word.hasParam = false;
  word.param = 0;
  int c = first;
  // A name is at most 32 letters; the letters after that are read and dropped.
  while (IsLetter(c)) {
    if (word.length < 32) word.name[word.length++] = static_cast<char>(c);
    c = Next();
  }
  word.name[word.length] = '\0';
  bool negative = false;
  if (c == '-') {
    int d = Next();
    if (IsDigit(d)) {
      negative = true;
      c = d;
    } else {
      if (d >= 0) Unget();
      return;  // the '-' was the delimiter
    }
  }
  if (IsDigit(c)) {
    int64_t value = 0;
    while (IsDigit(c)) {
      if (value < 0x80000000LL) value = value * 10 + (c - '0');
      c = Next();
    }
    value = std::min<int64_t>(value, negative ? 0x80000000LL : 0x7FFFFFFFLL);
    word.hasParam = true;
    word.param = static_cast<int32_t>(negative ? -value : value);
  }
  // A space delimiter belongs to the control word; anything else is the next token.
  if (c >= 0 && c != ' ') Unget();
}

int TRtfReader::ReadHexByte() {
  int high = Next();
  if (high < 0) return -1;
  int h = HexValue(high);
  if (h < 0) {
    Unget();
    return -1;
  }
  int low = Next();
  int l = low < 0 ? -1 : HexValue(low);
  if (l < 0) {
    if (low >= 0) Unget();
    return h;  // a single hex digit, as lenient readers take it
  }
  return h * 16 + l;
}

void TRtfReader::OpenGroup() {
  fallbackLeft_ = 0;
  starPending_ = false;
  if (overflowDepth_ > 0 || groups_.size() >= kMaxGroupDepth) {
    ++overflowDepth_;
  } else {
    groups_.push_back(groups_.back());
    groups_.back().atClose = TSeparator::kNone;
  }
}

void TRtfReader::CloseGroup() {
  fallbackLeft_ = 0;
  starPending_ = false;
  if (overflowDepth_ > 0) {
    --overflowDepth_;
  } else if (groups_.size() > 1) {
    // An unbalanced closing brace at the outermost level is ignored.
    Separate(groups_.back().atClose);
    groups_.pop_back();
  }
}

void TRtfReader::SkipGroup() {
  fallbackLeft_ = 0;
  starPending_ = false;
  size_t depth = 1;
  TWord word;
  for (;;) {
    int c = Next();
    if (c < 0) return;
    if (c == '\\') {
      int d = Next();
      if (d < 0) return;
      if (IsLetter(d)) {
        ReadWord(d, word);
        if (std::string_view(word.name, word.length) == "bin" && word.param > 0) {
          SkipBytes(word.param);
        }
      }
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) {
        CloseGroup();
        return;
      }
    }
  }
}

int32_t TRtfReader::Run(std::string& out, size_t minOut, bool& done) {
  done = false;
  while (out.size() < minOut) {
    int c = Next();
    if (c < 0) {
      FlushBytes(out);
      if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        filters::AppendUtf8(out, U'\uFFFD');
      }
      done = true;
      return error_;
    }
    switch (c) {
      case '{':
        OpenGroup();
        break;
      case '}':
        CloseGroup();
        break;
      case '\\':
        Control(out);
        break;
      case '\r':
      case '\n':
        break;
      default:
        PlainText(c, out);
        break;
    }
  }
  return 0;
}

void TRtfReader::PlainText(int c, std::string& out) {
  if (fallbackLeft_ > 0) {
    --fallbackLeft_;
    return;
  }
  if (Top().dest == TDest::kFontTable) {
    FontNameText(c);
    return;
  }
  if (Top().dest != TDest::kText) return;
  int32_t codePage = CurrentCodePage();
  if (IsSymbolCodePage(codePage)) {
    SymbolByte(static_cast<unsigned char>(c), codePage, out);
    return;
  }
  if (c >= 0x80 && IsLeadByte(codePage, c)) {
    // The trail byte may be "{", "}" or "\\": here it is text.
    int trail = Next();
    AddByte(static_cast<unsigned char>(c), out);
    if (trail >= 0) AddByte(static_cast<unsigned char>(trail), out);
    return;
  }
  if (c >= 0x80 || !bytes_.empty()) {
    AddByte(static_cast<unsigned char>(c), out);
    return;
  }
  if (c < 0x20 && c != '\t') return;
  BeforeText(out);
  // The common case: a run of plain ASCII text, copied straight from the input block.
  size_t start = pos_ - 1, stop = pos_;
  while (stop < end_) {
    unsigned char b = static_cast<unsigned char>(buffer_[stop]);
    if (b == '{' || b == '}' || b == '\\' || b < 0x20 || b >= 0x80) break;
    ++stop;
  }
  out.append(buffer_.get() + start, stop - start);
  pos_ = stop;
}

void TRtfReader::Control(std::string& out) {
  int c = Next();
  if (c < 0) return;
  if (IsLetter(c)) {
    TWord word;
    ReadWord(c, word);
    ControlWord(word, out);
  } else {
    ControlSymbol(c, out);
  }
}

void TRtfReader::ControlSymbol(int c, std::string& out) {
  if (c == '\'') {
    int b = ReadHexByte();
    if (fallbackLeft_ > 0) {
      --fallbackLeft_;
      return;
    }
    if (b >= 0 && Top().dest == TDest::kText) AddByte(static_cast<unsigned char>(b), out);
    return;
  }
  if (fallbackLeft_ > 0) {
    --fallbackLeft_;
    return;
  }
  if (c == '*') {
    starPending_ = true;
    return;
  }
  if (Top().dest != TDest::kText) return;
  switch (c) {
    case '\\':
    case '{':
    case '}':
      EmitCodePoint(static_cast<char32_t>(c), out);
      break;
    case '~':
      EmitCodePoint(U'\u00A0', out);
      break;
    case '_':
      EmitCodePoint(U'\u2011', out);
      break;
    case '\r':
    case '\n':
      EmitLineEnd(out);
      break;
    case '\t':
      EmitCodePoint(U'\t', out);
      break;
    default:
      break;  // \- (optional hyphen), \| and \: (index marks) show nothing
  }
}

void TRtfReader::ControlWord(const TWord& word, std::string& out) {
  std::string_view name(word.name, word.length);
  const TWordTable& table = WordTable();
  auto found = table.find(name);
  if (fallbackLeft_ > 0) {
    // A control word in a \u fallback counts as one character and does nothing else.
    --fallbackLeft_;
    if (found != table.end() && found->second.action == TAction::kBinary && word.param > 0) {
      SkipBytes(word.param);
    }
    return;
  }
  if (starPending_) {
    starPending_ = false;
    // An ignorable destination: we read only footnotes and shapes (as {\*\footnote ...} is
    // written as often as {\footnote ...}).
    if (found == table.end() || (found->second.action != TAction::kKeptDestination &&
                                 found->second.action != TAction::kTransparent)) {
      SkipGroup();
      return;
    }
  }
  if (found == table.end()) return;
  const TWordInfo& info = found->second;
  TGroup& group = Top();
  switch (info.action) {
    case TAction::kSkipDestination:
      SkipGroup();
      break;
    case TAction::kFontTable:
      group.dest = TDest::kFontTable;
      break;
    case TAction::kFont:
      if (group.dest == TDest::kFontTable) {
        fontTableFont_ = word.param;
        fontName_.clear();
      } else {
        group.font = word.param;
      }
      break;
    case TAction::kFontCharset:
    case TAction::kFontCodePage:
      if (group.dest == TDest::kFontTable && word.hasParam) {
        int32_t codePage = info.action == TAction::kFontCodePage
                               ? word.param
                               : CodePageOfCharset(word.param, documentCodePage_);
        fontCodePages_[fontTableFont_] = codePage;
        cachedFont_ = -2;
      }
      break;
    case TAction::kDefaultFont:
      defaultFont_ = word.param;
      cachedFont_ = -2;
      break;
    case TAction::kAnsiCodePage:
      if (word.hasParam && word.param > 0) documentCodePage_ = word.param;
      cachedFont_ = -2;
      break;
    case TAction::kCharacterSet:
      documentCodePage_ = info.value;
      cachedFont_ = -2;
      break;
    case TAction::kUnicodeSkip:
      group.uc = std::clamp<int32_t>(word.param, 0, static_cast<int32_t>(kMaxFallback));
      break;
    case TAction::kUnicode:
      if (group.dest != TDest::kText) break;
      EmitUnicode(word.param, out);
      fallbackLeft_ = group.uc;
      break;
    case TAction::kBinary:
      if (word.param > 0) SkipBytes(word.param);
      break;
    case TAction::kPlain:
      group.font = -1;
      break;
    case TAction::kListText:
      group.listText = true;
      listMarkerShown_ = false;
      break;
    case TAction::kKeptDestination:
      if (group.dest != TDest::kText) break;
      group.atClose = static_cast<TSeparator>(info.value);
      Separate(group.atClose);
      break;
    case TAction::kTransparent:
      break;
    default:
      if (group.dest != TDest::kText) break;
      switch (info.action) {
        case TAction::kLineEnd:
          EmitLineEnd(out);
          break;
        case TAction::kTab:
          // The tab after a list marker becomes a space; an empty marker shows nothing.
          if (!group.listText) {
            EmitCodePoint(U'\t', out);
          } else if (listMarkerShown_) {
            EmitCodePoint(U' ', out);
          }
          break;
        case TAction::kCell:
          // The cell's tab separates by itself.
          if (pendingSeparator_ == TSeparator::kSpace) pendingSeparator_ = TSeparator::kNone;
          BeforeText(out);
          pendingCellTab_ = true;
          break;
        case TAction::kRow:
          FlushBytes(out);
          pendingCellTab_ = false;
          EmitLineEnd(out);
          break;
        case TAction::kCharacter:
          EmitCodePoint(static_cast<char32_t>(info.value), out);
          break;
        default:
          break;
      }
      break;
  }
}

int32_t TRtfReader::CurrentCodePage() {
  int32_t font = Top().font < 0 ? defaultFont_ : Top().font;
  if (font != cachedFont_) {
    auto found = fontCodePages_.find(font);
    cachedCodePage_ = found == fontCodePages_.end() ? documentCodePage_ : found->second;
    cachedFont_ = font;
  }
  return cachedCodePage_;
}

// What comes before any new text: the 8-bit text still waiting, the cell separator, and a high
// surrogate that found no partner.
void TRtfReader::BeforeText(std::string& out) {
  if (Top().listText) listMarkerShown_ = true;
  FlushBytes(out);
  if (highSurrogate_ != 0) {
    highSurrogate_ = 0;
    filters::AppendUtf8(out, U'\uFFFD');
  }
  if (pendingCellTab_) {
    pendingCellTab_ = false;
    out.push_back('\t');
    if (pendingSeparator_ == TSeparator::kSpace) pendingSeparator_ = TSeparator::kNone;
  }
  TSeparator separator = std::exchange(pendingSeparator_, TSeparator::kNone);
  if (separator == TSeparator::kLineEnd && !out.empty() && out.back() != '\n') {
    out.append("\r\n");
  } else if (separator == TSeparator::kSpace && !out.empty() && out.back() != ' ' &&
             out.back() != '\t' && out.back() != '\n') {
    out.push_back(' ');
  }
}

void TRtfReader::Separate(TSeparator separator) {
  if (separator > pendingSeparator_) pendingSeparator_ = separator;
}

void TRtfReader::FontNameText(int c) {
  if (c == ';') {
    auto found = fontCodePages_.find(fontTableFont_);
    bool symbolCharset = found != fontCodePages_.end() && found->second == kSymbolCodePage;
    if (IsSymbolFontName(fontName_)) {
      fontCodePages_[fontTableFont_] = kSymbolCodePage;
    } else if (symbolCharset && IsPictureFontName(fontName_)) {
      fontCodePages_[fontTableFont_] = kPictureFontCodePage;
    }
    cachedFont_ = -2;
    fontName_.clear();
  } else if (c >= 0x20 && c < 0x80 && fontName_.size() < kMaxFontName &&
             !(c == ' ' && fontName_.empty())) {
    fontName_.push_back(static_cast<char>(c));
  }
}

void TRtfReader::SymbolByte(unsigned char b, int32_t codePage, std::string& out) {
  if (Top().listText) {
    // A list marker in a symbol font is a bullet.
    if (b > 0x20) EmitCodePoint(U'\u2022', out);
    return;
  }
  if (codePage == kPictureFontCodePage) return;
  if (char32_t c = SymbolFontCharacter(b)) EmitCodePoint(c, out);
}

void TRtfReader::AddByte(unsigned char b, std::string& out) {
  int32_t codePage = CurrentCodePage();
  if (IsSymbolCodePage(codePage)) {
    SymbolByte(b, codePage, out);
    return;
  }
  if (!bytes_.empty() && codePage != bytesCodePage_) FlushBytes(out);
  if (bytes_.empty()) {
    // Only a multi-byte code page needs ASCII bytes (possible trail bytes) in the queue.
    if (b < 0x80 && !TByteDecoder::IsMultiByte(codePage)) {
      BeforeText(out);
      if (b >= 0x20 || b == '\t') out.push_back(static_cast<char>(b));
      return;
    }
    BeforeText(out);
    bytesCodePage_ = codePage;
  }
  bytes_.push_back(static_cast<char>(b));
  if (bytes_.size() >= kFlushBytesAt && b < 0x80) FlushBytes(out);
}

void TRtfReader::FlushBytes(std::string& out) {
  if (bytes_.empty()) return;
  decoder_.Decode(bytesCodePage_, bytes_, out);
  bytes_.clear();
}

void TRtfReader::EmitCodePoint(char32_t cp, std::string& out) {
  BeforeText(out);
  filters::AppendUtf8(out, cp);
}

void TRtfReader::EmitUnicode(int32_t value, std::string& out) {
  // \u takes a signed 16-bit value; negative ones stand for the upper half.
  char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value);
  if (unit > 0xFFFF) unit = 0xFFFD;
  if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
    char32_t cp =
        0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
    highSurrogate_ = 0;
    filters::AppendUtf8(out, cp);
    return;
  }
  // Symbol-font characters as Word writes them: U+F020..U+F0FF, the font's byte plus F000.
  if (unit >= 0xF020 && unit <= 0xF0FF && !Top().listText) {
    int32_t codePage = CurrentCodePage();
    if (IsSymbolCodePage(codePage)) {
      SymbolByte(static_cast<unsigned char>(unit - 0xF000), codePage, out);
      return;
    }
  }
  BeforeText(out);
  // Bullets in symbol fonts are private-use characters; a list marker shows them as a bullet.
  if (Top().listText && unit >= 0xE000 && unit <= 0xF8FF) unit = 0x2022;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    highSurrogate_ = static_cast<char16_t>(unit);
    return;
  }
  if (unit < 0x20 && unit != '\t') return;
  filters::AppendUtf8(out, unit);
}

void TRtfReader::EmitLineEnd(std::string& out) {
  // A line end separates by itself.
  pendingSeparator_ = TSeparator::kNone;
  BeforeText(out);
  out.append("\r\n");
}

}  // namespace scrivtar::rtf
