// BOUNDSHEET records. The name is kept in UTF-8 as written: it is not forced through a code
// page, which would lose every character the code page lacks.
#include "VtXlsBSheet8.h"

#include <algorithm>

namespace scrivtar {

TBoundSheet8 ParseBoundSheet8(TVtMemoryStream body, const TXlsTextForm& form) {
  TBoundSheet8 sheet;
  sheet.lbPlyPos = body.ReadDWord();
  sheet.hsState = body.ReadByte() & 0x03;
  sheet.dt = body.ReadByte();
  uint32_t cch = body.ReadByte();
  if (!form.biff8) {
    AppendByteCharacters(sheet.name, body.Current(), std::min<size_t>(cch, body.Remaining()), form);
    return sheet;
  }
  bool wide = (body.ReadByte() & 0x01) != 0;
  TUtf8Appender text(sheet.name);
  for (uint32_t i = 0; i < cch && body.Remaining() >= (wide ? 2u : 1u); ++i) {
    text.Add(wide ? body.ReadWord() : body.ReadByte());
  }
  text.Flush();
  return sheet;
}

}  // namespace scrivtar
