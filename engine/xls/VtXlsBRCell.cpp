// Cell records to cell entries. Every field is read within the record body.
#include "VtXlsBRCell.h"

#include <cstring>

namespace scrivtar {

double DecodeRk(uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = uint64_t{rk & 0xFFFFFFFCu} << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  if (rk & 0x01) value /= 100;
  return value;
}

namespace {

bool AppendCell(std::vector<TXlsCell>& cells, uint32_t row, uint32_t column, TCellKind kind,
                uint32_t xf) {
  if (column >= kMaxColumns) return false;
  TXlsCell& cell = cells.emplace_back();
  cell.row = row;
  cell.column = static_cast<uint16_t>(column);
  cell.kind = kind;
  cell.xf = xf;
  return true;
}

// The 8-byte cached result of a FORMULA record.
TFormulaResult DecodeFormulaResult(const uint8_t* result, double& value) {
  if (result[6] == 0xFF && result[7] == 0xFF) {
    switch (result[0]) {
      case 0:
        return TFormulaResult::kString;
      case 1:  // Boolean
      case 2:  // error code (0 is #NULL!)
        value = result[2];
        return TFormulaResult::kNumber;
      case 3:
        return TFormulaResult::kEmptyString;
      default:
        break;
    }
  }
  std::memcpy(&value, result, sizeof value);
  return TFormulaResult::kNumber;
}

}  // namespace

TFormulaResult AppendCellsOfRecord(const TXlsRecord& record, std::vector<TXlsCell>& cells) {
  TVtMemoryStream body = record.Body();
  switch (record.type) {
    case kXlsLabelSst: {
      if (body.Size() < 10) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      if (AppendCell(cells, row, column, kCellSharedString, xf)) {
        cells.back().index = body.ReadDWord();
      }
      break;
    }
    case kXlsNumber: {
      if (body.Size() < 14) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      if (AppendCell(cells, row, column, kCellNumber, xf)) {
        // A float whose last two bytes are both 0xFF is not a number: it shows 0.
        bool notANumber = body.Current()[6] == 0xFF && body.Current()[7] == 0xFF;
        double value = body.ReadDouble();
        cells.back().value = notANumber ? 0 : value;
      }
      break;
    }
    case kXlsRk: {
      if (body.Size() < 10) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      if (AppendCell(cells, row, column, kCellNumber, xf))
        cells.back().value = DecodeRk(body.ReadDWord());
      break;
    }
    case kXlsMulRk: {
      if (body.Size() < 6) break;
      uint16_t row = body.ReadWord(), first = body.ReadWord();
      size_t n = (body.Size() - 6) / 6;
      for (size_t i = 0; i < n; ++i) {
        uint16_t xf = body.ReadWord();
        uint32_t rk = body.ReadDWord();
        if (!AppendCell(cells, row, first + static_cast<uint32_t>(i), kCellNumber, xf)) break;
        cells.back().value = DecodeRk(rk);
      }
      break;
    }
    case kXlsBlank: {
      if (body.Size() < 6) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      AppendCell(cells, row, column, kCellEmpty, xf);
      break;
    }
    case kXlsMulBlank: {
      if (body.Size() < 6) break;
      uint16_t row = body.ReadWord(), first = body.ReadWord();
      size_t n = (body.Size() - 6) / 2;
      for (size_t i = 0; i < n; ++i) {
        uint16_t xf = body.ReadWord();
        if (!AppendCell(cells, row, first + static_cast<uint32_t>(i), kCellEmpty, xf)) break;
      }
      break;
    }
    case kXlsFormula: {
      if (body.Size() < 14) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      double value = 0;
      TFormulaResult result = DecodeFormulaResult(body.Current(), value);
      TCellKind kind = result == TFormulaResult::kNumber ? kCellFormulaResult : kCellEmpty;
      if (!AppendCell(cells, row, column, kind, xf)) break;
      cells.back().value = value;
      return result;
    }
    case kXlsBoolErr: {
      // A Boolean or error constant shows as a formula result of the same kind does.
      if (body.Size() < 8) break;
      uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
      if (AppendCell(cells, row, column, kCellFormulaResult, xf))
        cells.back().value = body.ReadByte();
      break;
    }
    default:
      break;
  }
  return TFormulaResult::kNumber;
}

}  // namespace scrivtar
