// Finding and loading one of the run-time libraries (filters, PDF) beside the program.
#pragma once

#include <filesystem>
#include <string>

#include "platform/DynamicLibrary.h"

namespace scrivtar {

// Loads the library from the program directory, else from ../lib/scrivtar/ beside it. The
// result is not loaded when neither place holds a library that loads; nothing is reported.
platform::DynamicLibrary LoadProgramLibrary(const std::filesystem::path& programDir,
                                            const std::string& fileName);

}  // namespace scrivtar
