// Output code pages as a front end sees them: what code page 0 stands for, and which ids the
// engine can write.
#pragma once

#include <cstdint>

namespace scrivtar {

struct UserLocale;

// The default code page of the given locale: 65001 for a UTF-8 locale, otherwise the ANSI code
// page of its language and territory. Front ends resolve an output code page of 0 to this
// before they call an entry point.
int32_t DefaultCodePage(const UserLocale& locale);
// The same for the process locale, read once.
int32_t DefaultCodePage();

// True when the engine can write text in this code page (1200 and 65001 always).
bool IsOutputCodePageSupported(int32_t codePage);

}  // namespace scrivtar
