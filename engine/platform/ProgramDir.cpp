#include "ProgramDir.h"

#include <system_error>

namespace scrivtar::platform {

std::filesystem::path ProgramDir() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::vector<std::filesystem::path> LibrarySearchPaths(const std::filesystem::path& programDir,
                                                      const std::string& fileName) {
  return {programDir / fileName,
          (programDir / ".." / "lib" / "scrivtar" / fileName).lexically_normal()};
}

}  // namespace scrivtar::platform
