#include "OfficeXSheet.h"

#include <charconv>
#include <optional>

#include "OfficeXTree.h"
#include "xml/ECXMLParser.h"

namespace scrivtar {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A whole decimal integer of 32 bits with an optional sign, or nothing.
std::optional<int32_t> ToInt32(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty() || text[0] == '+') return std::nullopt;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int32_t ToInt32OrThrow(std::string_view text) {
  std::optional<int32_t> value = ToInt32(text);
  if (!value) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return *value;
}

// The name without its namespace prefix: the string-table parts are written with a default
// namespace by most writers but with a prefix (x:si) by some.
std::string_view LocalName(std::string_view name) {
  size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The index of the next child at or after start that has an "r" attribute, or count.
int32_t NextWithReference(const TXMLItem& parent, int32_t start, int32_t count,
                          std::string_view& reference) {
  for (int32_t i = start; i < count; ++i) {
    if (std::optional<std::string_view> r = ParamValue(ChildAt(parent, i), "r")) {
      reference = *r;
      return i;
    }
  }
  return count;
}

void CheckRoom(const std::string& out, size_t more) {
  if (more > kMaxOfficeXText || out.size() > kMaxOfficeXText - more) throw ETextTooLong();
}

// The value a cell contributes: the text of its first v child, looked up in the shared strings
// when the cell is of type s; an inline string's text when there is no v.
void AppendCellValue(const TXMLItem& cell, const std::vector<std::string>& sharedStrings,
                     std::string& row) {
  const int32_t count = ChildCount(cell);
  for (int32_t i = 0; i < count; ++i) {
    const TXMLItem& child = ChildAt(cell, i);
    if (NameOf(child) != "v") continue;
    if (!HasParamLine(cell, "t=s")) {
      row += TextOf(child);
      return;
    }
    std::optional<int32_t> index = ToInt32(TextOf(child));
    if (index && *index >= 0 && static_cast<size_t>(*index) < sharedStrings.size()) {
      row += sharedStrings[static_cast<size_t>(*index)];
    }
    return;
  }
  std::optional<std::string_view> type = ParamValue(cell, "t");
  if (!type || !EqualsIgnoringCase(*type, "inlineStr")) return;
  for (int32_t i = 0; i < count; ++i) {
    const TXMLItem& child = ChildAt(cell, i);
    if (LocalName(NameOf(child)) == "is") {
      row += StringItemText(child);
      return;
    }
  }
}

// The cells of one row laid out from column 1 to lastColumn, each followed by a TAB. A cell
// waits for its column; one whose column was passed or lies beyond the last column stops the
// row (every later column would only add a TAB, and trailing TABs are removed).
void AppendRowCells(const TXMLItem& row, int64_t lastColumn,
                    const std::vector<std::string>& sharedStrings, const std::string& out,
                    std::string& line) {
  const int32_t count = ChildCount(row);
  int64_t column = 1;
  int32_t cursor = 0;
  while (column <= lastColumn) {
    std::string_view reference;
    cursor = NextWithReference(row, cursor, count, reference);
    if (cursor == count) break;
    const int64_t cellColumn = ParseCellReference(reference).column;
    if (cellColumn < column || cellColumn > lastColumn) break;
    CheckRoom(out, line.size() + static_cast<size_t>(cellColumn - column) + 1);
    line.append(static_cast<size_t>(cellColumn - column), '\t');
    AppendCellValue(ChildAt(row, cursor), sharedStrings, line);
    line += '\t';
    ++cursor;
    column = cellColumn + 1;
  }
}

void AppendLineEnds(std::string& out, int64_t count) {
  CheckRoom(out, static_cast<size_t>(count) * kLineEnd.size());
  for (int64_t i = 0; i < count; ++i) out += kLineEnd;
}

}  // namespace

CellReference ParseCellReference(std::string_view reference) {
  size_t firstDigit = 0;
  while (firstDigit < reference.size() && !IsDigit(reference[firstDigit])) ++firstDigit;
  const std::string_view letters = reference.substr(0, firstDigit);
  const std::string_view number = reference.substr(firstDigit);
  if (letters.empty() || number.empty()) return {};
  CellReference cell;
  cell.row = ToInt32OrThrow(number);
  for (char c : letters) {
    int64_t digit = 0;
    if (c >= 'A' && c <= 'Z') digit = c - 'A' + 1;
    else if (c >= 'a' && c <= 'z') digit = c - 'a' + 1;
    if (digit == 0) {
      cell.column = 0;
      break;
    }
    // Past XFD the exact value does not matter: every such column lies outside the grid.
    cell.column = std::min<int64_t>(cell.column * 26 + digit, kMaxSheetColumn + 1);
  }
  return cell;
}

std::string StringItemText(const TXMLItem& item) {
  std::string text;
  const int32_t count = ChildCount(item);
  for (int32_t i = 0; i < count; ++i) {
    const TXMLItem& child = ChildAt(item, i);
    const std::string_view name = LocalName(NameOf(child));
    if (name == "t") {
      text += TextOf(child);
    } else if (name == "r") {
      const int32_t runCount = ChildCount(child);
      for (int32_t j = 0; j < runCount; ++j) {
        const TXMLItem& part = ChildAt(child, j);
        if (LocalName(NameOf(part)) == "t") text += TextOf(part);
      }
    }
  }
  return text;
}

void ReadSharedStrings(const TXMLItem& root, std::vector<std::string>& list) {
  const int32_t count = ChildCount(root);
  for (int32_t i = 0; i < count; ++i) {
    const TXMLItem& child = ChildAt(root, i);
    if (LocalName(NameOf(child)) == "si") list.push_back(StringItemText(child));
  }
}

void AppendSheetText(const TXMLItem& root, const std::vector<std::string>& sharedStrings,
                     std::string& out) {
  // The used range ends at the dimension's bottom-right cell. A sheet without a dimension (some
  // writers leave it out) is read over the whole grid, so its cells are not lost.
  int64_t lastRow = kMaxSheetRow;
  int64_t lastColumn = kMaxSheetColumn;
  if (const TXMLItem* dimension = ChildNamed(root, "dimension")) {
    if (std::optional<std::string_view> ref = ParamValue(*dimension, "ref")) {
      size_t colon = ref->find(':');
      CellReference last =
          ParseCellReference(colon == std::string_view::npos ? *ref : ref->substr(colon + 1));
      lastRow = std::min(last.row, kMaxSheetRow);
      lastColumn = std::min(last.column, kMaxSheetColumn);
    }
  }

  // Empty lines are held back until text follows them: the trailing ones are removed anyway,
  // so a dimension that reaches row 1,048,576 costs nothing for the rows that are not there.
  int64_t heldLines = 0;
  const TXMLItem* sheetData = ChildNamed(root, "sheetData");
  const int32_t rowCount = sheetData ? ChildCount(*sheetData) : 0;
  int32_t cursor = 0;
  int64_t rowNo = 1;
  std::string line;
  while (sheetData && rowNo <= lastRow) {
    std::string_view reference;
    cursor = NextWithReference(*sheetData, cursor, rowCount, reference);
    if (cursor == rowCount) break;
    const int64_t rowOfElement = ToInt32OrThrow(reference);
    if (rowOfElement != rowNo) {
      // A row further down is waited for; one already passed (out of order, repeated) or past
      // the last row is never reached, and only empty lines would follow.
      if (rowOfElement < rowNo || rowOfElement > lastRow) break;
      heldLines += rowOfElement - rowNo;
      rowNo = rowOfElement;
      continue;
    }
    line.clear();
    AppendRowCells(ChildAt(*sheetData, cursor), lastColumn, sharedStrings, out, line);
    ++cursor;
    ++rowNo;
    while (!line.empty() && line.back() == '\t') line.pop_back();
    if (line.empty()) {
      ++heldLines;
      continue;
    }
    AppendLineEnds(out, heldLines);
    CheckRoom(out, line.size());
    out += line;
    heldLines = 1;
  }
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
  out += kLineEnd;
}

}  // namespace scrivtar
