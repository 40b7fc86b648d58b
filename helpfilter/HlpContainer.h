// Recognition of a Windows help file: the five checks CreateConverter runs in order (file header,
// directory, system header, phrase tables, topic file), which also fill the converter state the
// topic walk needs (format flags, block geometry, phrase table, character set).
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

// Runs the checks. Gives an error code (a read beyond the end, a short read, no memory) or 0
// with `accepted` telling whether the source is a help file we can read. A source that is not
// accepted is passed through unchanged.
int32_t RecogniseHelpFile(HlpConverter& converter, bool& accepted);

}  // namespace scrivtar::hlp
