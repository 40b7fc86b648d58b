// A test-side writer of BIFF8 workbook streams: record bodies for the cell, string and format
// records, and a workbook of globals and sheets whose BOUNDSHEET offsets are filled in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scrivtar::test::biff {

std::string Le16(uint16_t value);
std::string Le32(uint32_t value);
std::string F64(double value);
// One record: type, length, body.
std::string Record(uint16_t type, const std::string& body);

// An XLUnicodeString body part: cch (16-bit), option byte, characters (8-bit for a Latin-1
// text, UTF-16LE when wide is set).
std::string UnicodeString(const std::u16string& text, bool wide);

std::string LabelSst(uint16_t row, uint16_t column, uint16_t xf, uint32_t isst);
std::string Number(uint16_t row, uint16_t column, uint16_t xf, double value);
std::string Rk(uint16_t row, uint16_t column, uint16_t xf, uint32_t rk);
std::string Blank(uint16_t row, uint16_t column, uint16_t xf);
std::string MulRk(uint16_t row, uint16_t firstColumn,
                  const std::vector<std::pair<uint16_t, uint32_t>>& xfRk);
std::string MulBlank(uint16_t row, uint16_t firstColumn, const std::vector<uint16_t>& xfs);
// result: the 8 cached bytes (use FormulaNumber / FormulaSpecial).
std::string Formula(uint16_t row, uint16_t column, uint16_t xf, const std::string& result);
std::string FormulaNumber(double value);
std::string FormulaSpecial(uint8_t type, uint8_t value);  // 0 string, 1 Boolean, 2 error, 3 empty
std::string Label(uint16_t row, uint16_t column, uint16_t xf, const std::u16string& text);
std::string Xf(uint16_t formatIndex);
std::string Format(uint16_t index, const std::u16string& pattern, bool wide = false);
// An SST body with every string 8-bit (split it into CONTINUE records by hand when needed).
std::string Sst(const std::vector<std::u16string>& strings);

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kSst = 0x00FC,
                   kContinue = 0x003C, kLabelSst = 0x00FD, kNumber = 0x0203, kRk = 0x027E,
                   kBlank = 0x0201, kMulRk = 0x00BD, kMulBlank = 0x00BE, kFormula = 0x0006,
                   kString = 0x0207, kLabel = 0x0204, kXf = 0x00E0, kFormat = 0x041E,
                   kFilePass = 0x002F, kDateMode = 0x0022, kBoolErr = 0x0205;

// A workbook stream: BOF, the BOUNDSHEETs, the other globals, EOF, then each sheet's BOF,
// records and EOF.
class WorkbookBuilder {
 public:
  WorkbookBuilder& Global(uint16_t type, const std::string& body);
  // Raw bytes appended to the globals as they are (for damaged records).
  WorkbookBuilder& GlobalBytes(const std::string& bytes);
  WorkbookBuilder& Sheet(const std::u16string& name, uint8_t dt = 0, uint8_t hsState = 0);
  WorkbookBuilder& Cell(uint16_t type, const std::string& body);
  std::string Build() const;

 private:
  struct SheetData {
    std::u16string name;
    uint8_t dt, hsState;
    std::string records;
  };
  std::string globals_;
  std::vector<SheetData> sheets_;
};

}  // namespace scrivtar::test::biff
