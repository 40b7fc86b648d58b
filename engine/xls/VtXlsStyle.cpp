// The format table. Format codes are not interpreted as Excel does: bracketed groups, fill and
// text markers go, "_" becomes a space, and the rest is a number, percent or date pattern.
#include "VtXlsStyle.h"

#include <algorithm>

#include "VtXlsNumberText.h"
#include "VtXlsSST.h"

namespace scrivtar {

namespace {

struct TBuiltInFormat {
  uint16_t index;
  std::string_view pattern;
};

constexpr TBuiltInFormat kBuiltInFormats[] = {
    {0, ""},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {5, "($#,##0_);($#,##0)"},
    {6, "($#,##0_);[Red]($#,##0)"},
    {7, "($#,##0.00_);($#,##0.00)"},
    {8, "($#,##0.00_);[Red]($#,##0.00)"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/??"},
    {14, "mm-dd-yy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yy h:mm"},
    {37, "(#,##0_);(#,##0)"},
    {38, "(#,##0_);[Red](#,##0)"},
    {39, "(#,##0.00_);(#,##0.00)"},
    {40, "(#,##0.00_);[Red](#,##0.00)"},
    {41, "_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, "_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, "_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)"},
    {44, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

void RemoveAll(std::string& text, std::string_view characters) {
  text.erase(std::remove_if(text.begin(), text.end(),
                            [&](char c) { return characters.find(c) != std::string_view::npos; }),
             text.end());
}

// Deletes every "[" through the first "]" after it; a "[" with no "]" after it takes the rest.
void RemoveBracketedGroups(std::string& text) {
  size_t open;
  while ((open = text.find('[')) != std::string::npos) {
    size_t close = text.find(']', open + 1);
    text.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
  }
}

bool IsBlankAfterTrim(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Excel reads format codes without regard to letter case, and some writers store them in
// capitals ("GENERAL", "DDMMYYYY", "HH:MM").
bool ContainsNoCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (size_t i = 0; i + lowerWord.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < lowerWord.size() && LowerAscii(text[i + k]) == lowerWord[k]) ++k;
    if (k == lowerWord.size()) return true;
  }
  return false;
}

// Whether the code holds the letter: the lower-case one anywhere, the capital one outside
// quotes (quoted capitals are unit names such as "KM", not date letters).
bool HasLetter(std::string_view text, char lower) {
  const char upper = static_cast<char>(lower - 'a' + 'A');
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == lower || (!quoted && c == upper)) return true;
  }
  return false;
}

// Year, day, hour and second letters outside quotes: a date or time code without an "m"
// ("yyyy", "dddd", "ss.0"), which would otherwise show its letters instead of the date.
bool HasDateLetters(std::string_view text) {
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    const char lower = LowerAscii(c);
    if (!quoted && (lower == 'y' || lower == 'd' || lower == 'h' || lower == 's')) return true;
  }
  return false;
}

void CutAtFirstSection(std::string& text) {
  size_t semicolon = text.find(';');
  if (semicolon != std::string::npos) text.resize(semicolon);
}

}  // namespace

void InitStyleData(TStyleData& style) {
  style.formats.fill(TFmtCode{});
  style.xfFormats.clear();
  style.dateSystem = XlsDateSystem::k1900;
  for (const auto& format : kBuiltInFormats) AddFormatPattern(style, format.index, format.pattern);
}

void AddFormatPattern(TStyleData& style, uint32_t index, std::string_view code) {
  if (ContainsNoCase(code, "general")) return;
  std::string pattern(code);
  RemoveBracketedGroups(pattern);
  RemoveAll(pattern, "*@()\\?");
  std::replace(pattern.begin(), pattern.end(), '_', ' ');
  if (IsBlankAfterTrim(pattern)) return;

  TFmtKind kind;
  if (HasLetter(pattern, 'm')) {
    CutAtFirstSection(pattern);
    RemoveAll(pattern, "\"");
    kind = kFmtDate;
  } else if (HasLetter(pattern, 'a')) {
    CutAtFirstSection(pattern);
    RemoveAll(pattern, "\"");
    std::replace(pattern.begin(), pattern.end(), 'a', 'd');
    kind = kFmtDate;
  } else if (HasDateLetters(pattern)) {
    CutAtFirstSection(pattern);
    RemoveAll(pattern, "\"");
    kind = kFmtDate;
  } else if (pattern.find('%') != std::string::npos) {
    RemoveAll(pattern, "/");
    kind = kFmtPercent;
  } else {
    RemoveAll(pattern, "/");
    kind = kFmtNumber;
  }
  if (index >= kFormatTableSize) return;
  style.formats[index] = TFmtCode{kind, std::move(pattern)};
}

void ReadXfRecord(TStyleData& style, TVtMemoryStream body) {
  body.ReadWord();  // ifnt
  style.xfFormats.push_back(body.ReadWord());
}

void ReadFormatRecord(TStyleData& style, TVtMemoryStream body, const TXlsTextForm& form) {
  uint16_t index = body.ReadWord();
  std::string pattern;
  if (!form.biff8) {
    uint32_t cch = body.ReadByte();
    AppendByteCharacters(pattern, body.Current(), std::min<size_t>(cch, body.Remaining()), form);
    AddFormatPattern(style, index, pattern);
    return;
  }
  uint32_t cch = body.ReadWord();
  bool wide = body.ReadByte() != 0;
  TUtf8Appender text(pattern);
  // 8-bit characters are UTF-16 units with their high byte dropped.
  for (uint32_t i = 0; i < cch && body.Remaining() >= (wide ? 2u : 1u); ++i) {
    text.Add(wide ? body.ReadWord() : body.ReadByte());
  }
  text.Flush();
  AddFormatPattern(style, index, pattern);
}

void ReadDateModeRecord(TStyleData& style, TVtMemoryStream body) {
  style.dateSystem = body.ReadWord() == 1 ? XlsDateSystem::k1904 : XlsDateSystem::k1900;
}

void AppendCellNumber(std::string& out, const TStyleData& style, uint32_t xfIndex, double value,
                      const UserLocale& locale) {
  const TFmtCode* code = nullptr;
  if (xfIndex < style.xfFormats.size()) {
    uint16_t format = style.xfFormats[xfIndex];
    if (format != 0 && format < kFormatTableSize) code = &style.formats[format];
  }
  switch (code ? code->kind : kFmtGeneral) {
    case kFmtNumber:
      AppendPatternNumberText(out, code->pattern, value, locale);
      break;
    case kFmtPercent:
      AppendPatternNumberText(out, code->pattern, value * 100, locale);
      break;
    case kFmtDate:
      out += DateTimePatternText(code->pattern, value, locale, style.dateSystem);
      break;
    default:
      AppendGeneralNumberText(out, value, locale);
      break;
  }
}

std::string FormatCellNumber(const TStyleData& style, uint32_t xfIndex, double value,
                             const UserLocale& locale) {
  std::string out;
  AppendCellNumber(out, style, xfIndex, value, locale);
  return out;
}

}  // namespace scrivtar
