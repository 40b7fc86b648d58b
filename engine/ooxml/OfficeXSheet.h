// The worksheet rules of a workbook package: the shared-string list, cell references and the
// grid text of one worksheet part.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar {

class TXMLItem;

// A row number or the number of a cell reference that is not an integer.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The worksheet text would grow past what the output step can store.
class ETextTooLong : public std::length_error {
 public:
  ETextTooLong() : std::length_error("Text is too long") {}
};

// The largest grid a workbook has: rows 1 to 1,048,576, columns A to XFD.
inline constexpr int64_t kMaxSheetRow = 1048576;
inline constexpr int64_t kMaxSheetColumn = 16384;

// The most text a conversion may build; with line ends doubled and UTF-16 output, four times it
// still fits the 32-bit byte count of the output block.
inline constexpr size_t kMaxOfficeXText = 500'000'000;

struct CellReference {
  int64_t row = 0;     // 0 when the reference has no letters or no number
  int64_t column = 0;  // A = 1 ... Z = 26, AA = 27 ... XFD = 16,384
};

// "D10" into row 10, column 4. The letters are everything before the first digit, the number
// everything from it on; a number that is not an integer raises EConvertError. Letters other
// than A-Z (either case) give column 0, and a column too large to count is clamped past XFD.
CellReference ParseCellReference(std::string_view reference);

// The text of a string item (si, or a cell's is): its own t element and the t of every run,
// in order; phonetic runs (rPh) are readings, not text, and are left out.
std::string StringItemText(TXMLItem item);

// Fills the list from the root of the shared-string part: one entry per si element.
void ReadSharedStrings(TXMLItem root, std::vector<std::string>& list);

// Appends the grid text of a worksheet: one line per row from row 1 to the last row of the
// dimension, cells separated by TABs, trailing TABs and trailing empty lines removed, ending in
// one CR LF. The work is in proportion to the rows and cells present, not to the dimension.
void AppendSheetText(TXMLItem root, const std::vector<std::string>& sharedStrings,
                     std::string& out);

}  // namespace scrivtar
