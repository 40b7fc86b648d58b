#include "BiffBuilder.h"

#include <cstring>

namespace scrivtar::test::biff {

std::string Le16(uint16_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Le32(uint32_t value) {
  return Le16(value & 0xFFFF) + Le16(value >> 16);
}

std::string F64(double value) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

std::string Record(uint16_t type, const std::string& body) {
  return Le16(type) + Le16(static_cast<uint16_t>(body.size())) + body;
}

namespace {

std::string Characters(const std::u16string& text, bool wide) {
  std::string bytes;
  for (char16_t c : text) bytes += wide ? Le16(c) : std::string(1, static_cast<char>(c));
  return bytes;
}

std::string Cell(uint16_t row, uint16_t column, uint16_t xf) {
  return Le16(row) + Le16(column) + Le16(xf);
}

}  // namespace

std::string UnicodeString(const std::u16string& text, bool wide) {
  return Le16(static_cast<uint16_t>(text.size())) + std::string(1, wide ? 1 : 0) +
         Characters(text, wide);
}

std::string LabelSst(uint16_t row, uint16_t column, uint16_t xf, uint32_t isst) {
  return Cell(row, column, xf) + Le32(isst);
}

std::string Number(uint16_t row, uint16_t column, uint16_t xf, double value) {
  return Cell(row, column, xf) + F64(value);
}

std::string Rk(uint16_t row, uint16_t column, uint16_t xf, uint32_t rk) {
  return Cell(row, column, xf) + Le32(rk);
}

std::string Blank(uint16_t row, uint16_t column, uint16_t xf) {
  return Cell(row, column, xf);
}

std::string MulRk(uint16_t row, uint16_t firstColumn,
                  const std::vector<std::pair<uint16_t, uint32_t>>& xfRk) {
  std::string body = Le16(row) + Le16(firstColumn);
  for (const auto& [xf, rk] : xfRk) body += Le16(xf) + Le32(rk);
  return body + Le16(static_cast<uint16_t>(firstColumn + xfRk.size() - 1));
}

std::string MulBlank(uint16_t row, uint16_t firstColumn, const std::vector<uint16_t>& xfs) {
  std::string body = Le16(row) + Le16(firstColumn);
  for (uint16_t xf : xfs) body += Le16(xf);
  return body + Le16(static_cast<uint16_t>(firstColumn + xfs.size() - 1));
}

std::string Formula(uint16_t row, uint16_t column, uint16_t xf, const std::string& result) {
  // grbit, chn, then a one-token formula (ptgInt 1).
  return Cell(row, column, xf) + result + Le16(0) + Le32(0) + Le16(3) +
         std::string("\x1E\x01\x00", 3);
}

std::string FormulaNumber(double value) {
  return F64(value);
}

std::string FormulaSpecial(uint8_t type, uint8_t value) {
  return std::string{
      static_cast<char>(type), 0, static_cast<char>(value), 0, 0, 0, static_cast<char>(0xFF),
      static_cast<char>(0xFF)};
}

std::string Label(uint16_t row, uint16_t column, uint16_t xf, const std::u16string& text) {
  bool wide = false;
  for (char16_t c : text) wide |= c > 0xFF;
  return Cell(row, column, xf) + UnicodeString(text, wide);
}

std::string Xf(uint16_t formatIndex) {
  return Le16(0) + Le16(formatIndex) + std::string(16, '\0');
}

std::string Format(uint16_t index, const std::u16string& pattern, bool wide) {
  return Le16(index) + UnicodeString(pattern, wide);
}

std::string Sst(const std::vector<std::u16string>& strings) {
  std::string body =
      Le32(static_cast<uint32_t>(strings.size())) + Le32(static_cast<uint32_t>(strings.size()));
  for (const auto& s : strings) body += UnicodeString(s, false);
  return body;
}

WorkbookBuilder& WorkbookBuilder::Global(uint16_t type, const std::string& body) {
  globals_ += Record(type, body);
  return *this;
}

WorkbookBuilder& WorkbookBuilder::GlobalBytes(const std::string& bytes) {
  globals_ += bytes;
  return *this;
}

WorkbookBuilder& WorkbookBuilder::Sheet(const std::u16string& name, uint8_t dt, uint8_t hsState) {
  sheets_.push_back(SheetData{name, dt, hsState, {}});
  return *this;
}

WorkbookBuilder& WorkbookBuilder::Cell(uint16_t type, const std::string& body) {
  sheets_.back().records += Record(type, body);
  return *this;
}

std::string WorkbookBuilder::Build() const {
  const std::string bof = Record(kBof, Le16(0x0600) + Le16(0x0005) + std::string(12, '\0'));
  const std::string sheetBof = Record(kBof, Le16(0x0600) + Le16(0x0010) + std::string(12, '\0'));
  auto boundSheet = [](uint32_t pos, const SheetData& s) {
    bool wide = false;
    for (char16_t c : s.name) wide |= c > 0xFF;
    std::string body =
        Le32(pos) + std::string{static_cast<char>(s.hsState), static_cast<char>(s.dt),
                                static_cast<char>(s.name.size()), static_cast<char>(wide ? 1 : 0)};
    body += Characters(s.name, wide);
    return Record(kBoundSheet, body);
  };
  size_t globalsSize = bof.size() + globals_.size() + 4;
  for (const auto& s : sheets_) globalsSize += boundSheet(0, s).size();
  std::string out = bof;
  size_t pos = globalsSize;
  for (const auto& s : sheets_) {
    out += boundSheet(static_cast<uint32_t>(pos), s);
    pos += sheetBof.size() + s.records.size() + 4;
  }
  out += globals_ + Record(kEof, "");
  for (const auto& s : sheets_) out += sheetBof + s.records + Record(kEof, "");
  return out;
}

}  // namespace scrivtar::test::biff
