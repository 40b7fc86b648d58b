// Helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace scrivtar::test {

// The folder of committed fixtures (tests/fixtures).
std::filesystem::path FixturesDir();
// The build's program directory (build/<preset>/bin).
std::filesystem::path BinDir();
// ../shared/corpus beside the repository, or an empty path when it is absent.
std::filesystem::path CorpusDir();

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// A fresh temporary directory, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct ProcessResult {
  int exitStatus = -1;  // the 8-bit status the shell sees; -1 when killed by a signal
  std::string out;      // standard output
  std::string err;      // standard error
};

// Runs a program with arguments (no shell), in workDir when given, and collects its output.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& workDir = {});

// Runs build/bin/scrcmd.
ProcessResult RunScrcmd(const std::vector<std::string>& args,
                        const std::filesystem::path& workDir = {});

// Bytes of a string literal with embedded zeros, e.g. Bytes("\xFF\xFE", 2).
inline std::string Bytes(const char* data, size_t size) {
  return std::string(data, size);
}

}  // namespace scrivtar::test
