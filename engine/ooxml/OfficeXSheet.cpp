#include "OfficeXSheet.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "OfficeXRels.h"
#include "xml/ECXMLParser.h"

namespace scrivtar {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

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

// The index of the next row or cell element at or after start, or count: an element with an
// "r" attribute (its value in reference), or one of that name without it (reference cleared).
// The reference is optional: such an element follows the one before it.
int32_t NextElement(TXMLItem parent, int32_t start, int32_t count, std::string_view name,
                    std::string& reference, bool& hasReference) {
  for (int32_t i = start; i < count; ++i) {
    TXMLItem child = parent.SubItem(i);
    hasReference = child.Params().FindValue("r", &reference);
    if (hasReference) return i;
    if (LocalName(child.Name()) == name) {
      reference.clear();
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
void AppendCellValue(TXMLItem cell, const std::vector<std::string>& sharedStrings,
                     std::string& row) {
  const int32_t count = cell.Count();
  for (int32_t i = 0; i < count; ++i) {
    TXMLItem child = cell.SubItem(i);
    if (LocalName(child.Name()) != "v") continue;
    if (cell.Params().IndexOf("t=s") < 0) {
      row += child.Text();
      return;
    }
    std::optional<int32_t> index = ToInt32(child.Text());
    if (index && *index >= 0 && static_cast<size_t>(*index) < sharedStrings.size()) {
      row += sharedStrings[static_cast<size_t>(*index)];
    }
    return;
  }
  std::string type;
  if (!cell.Params().FindValue("t", &type) || !EqualsIgnoringCase(type, "inlineStr")) return;
  for (int32_t i = 0; i < count; ++i) {
    TXMLItem child = cell.SubItem(i);
    if (LocalName(child.Name()) == "is") {
      row += StringItemText(child);
      return;
    }
  }
}

// The cells of one row laid out from column 1 to lastColumn, each followed by a TAB. A cell
// waits for its column; one whose column was passed or lies beyond the last column stops the
// row (every later column would only add a TAB, and trailing TABs are removed).
void AppendRowCells(TXMLItem row, int64_t lastColumn, const std::vector<std::string>& sharedStrings,
                    const std::string& out, std::string& line) {
  const int32_t count = row.Count();
  int64_t column = 1;
  int32_t cursor = 0;
  std::string reference;
  bool hasReference = false;
  while (column <= lastColumn) {
    cursor = NextElement(row, cursor, count, "c", reference, hasReference);
    if (cursor == count) break;
    // A cell without a reference stands in the column after the previous cell.
    const int64_t cellColumn = hasReference ? ParseCellReference(reference).column : column;
    if (cellColumn < column || cellColumn > lastColumn) break;
    CheckRoom(out, line.size() + static_cast<size_t>(cellColumn - column) + 1);
    line.append(static_cast<size_t>(cellColumn - column), '\t');
    AppendCellValue(row.SubItem(cursor), sharedStrings, line);
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
    if (c >= 'A' && c <= 'Z')
      digit = c - 'A' + 1;
    else if (c >= 'a' && c <= 'z')
      digit = c - 'a' + 1;
    if (digit == 0) {
      cell.column = 0;
      break;
    }
    // Past XFD the exact value does not matter: every such column lies outside the grid.
    cell.column = std::min<int64_t>(cell.column * 26 + digit, kMaxSheetColumn + 1);
  }
  return cell;
}

std::string StringItemText(TXMLItem item) {
  std::string text;
  const int32_t count = item.Count();
  for (int32_t i = 0; i < count; ++i) {
    TXMLItem child = item.SubItem(i);
    const std::string_view name = LocalName(child.Name());
    if (name == "t") {
      text += child.Text();
    } else if (name == "r") {
      const int32_t runCount = child.Count();
      for (int32_t j = 0; j < runCount; ++j) {
        TXMLItem part = child.SubItem(j);
        if (LocalName(part.Name()) == "t") text += part.Text();
      }
    }
  }
  return text;
}

void ReadSharedStrings(TXMLItem root, std::vector<std::string>& list) {
  const int32_t count = root.Count();
  for (int32_t i = 0; i < count; ++i) {
    TXMLItem child = root.SubItem(i);
    if (LocalName(child.Name()) == "si") list.push_back(StringItemText(child));
  }
}

void AppendSheetText(TXMLItem root, const std::vector<std::string>& sharedStrings,
                     std::string& out) {
  // The used range ends at the dimension's bottom-right cell. A sheet without a dimension (some
  // writers leave it out) is read over the whole grid, so its cells are not lost.
  int64_t lastRow = kMaxSheetRow;
  int64_t lastColumn = kMaxSheetColumn;
  std::string ref;
  if (TXMLItem dimension = ChildNamed(root, "dimension")) {
    if (dimension.Params().FindValue("ref", &ref)) {
      const size_t colon = ref.find(':');
      const std::string_view last = colon == std::string::npos
                                        ? std::string_view(ref)
                                        : std::string_view(ref).substr(colon + 1);
      const CellReference corner = ParseCellReference(last);
      lastRow = std::min(corner.row, kMaxSheetRow);
      lastColumn = std::min(corner.column, kMaxSheetColumn);
    }
  }

  // Empty lines are held back until text follows them: the trailing ones are removed anyway,
  // so a dimension that reaches row 1,048,576 costs nothing for the rows that are not there.
  int64_t heldLines = 0;
  const TXMLItem sheetData = ChildNamed(root, "sheetData");
  const int32_t rowCount = sheetData ? sheetData.Count() : 0;
  int32_t cursor = 0;
  int64_t rowNo = 1;
  std::string line;
  std::string reference;
  bool hasReference = false;
  while (sheetData && rowNo <= lastRow) {
    cursor = NextElement(sheetData, cursor, rowCount, "row", reference, hasReference);
    if (cursor == rowCount) break;
    // A row without a reference follows the previous row.
    const int64_t rowOfElement = hasReference ? ToInt32OrThrow(reference) : rowNo;
    if (rowOfElement != rowNo) {
      // A row further down is waited for; one already passed (out of order, repeated) or past
      // the last row is never reached, and only empty lines would follow.
      if (rowOfElement < rowNo || rowOfElement > lastRow) break;
      heldLines += rowOfElement - rowNo;
      rowNo = rowOfElement;
      continue;
    }
    line.clear();
    AppendRowCells(sheetData.SubItem(cursor), lastColumn, sharedStrings, out, line);
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
