// Where the running program lives, and where the engine looks for its libraries.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scrivtar::platform {

// The directory of the running executable (/proc/self/exe), or the current directory.
std::filesystem::path ProgramDir();

// Candidate paths of a library: the program directory first, then ../lib/scrivtar/ beside it.
std::vector<std::filesystem::path> LibrarySearchPaths(const std::filesystem::path& programDir,
                                                      const std::string& fileName);

}  // namespace scrivtar::platform
