#include "LibraryLoader.h"

#include <system_error>

#include "platform/ProgramDir.h"

namespace scrivtar {

platform::DynamicLibrary LoadProgramLibrary(const std::filesystem::path& programDir,
                                            const std::string& fileName) {
  for (const std::filesystem::path& candidate :
       platform::LibrarySearchPaths(programDir, fileName)) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(candidate, ec)) continue;
    platform::DynamicLibrary library(candidate);
    if (library.IsLoaded()) return library;
  }
  return {};
}

}  // namespace scrivtar
