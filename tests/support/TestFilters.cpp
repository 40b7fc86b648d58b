#include "TestFilters.h"

#include <stdexcept>

namespace scrivtar::test {

std::filesystem::path TestFilterPath(const std::string& name) {
  return BinDir() / "testfilters" / (name + ".so");
}

TestProgramDir& TestProgramDir::With(const std::string& libraryName, const std::string& testName) {
  std::filesystem::path target = TestFilterPath(testName);
  if (!std::filesystem::exists(target)) throw std::runtime_error("not built: " + target.string());
  std::filesystem::create_symlink(target, dir_ / libraryName);
  return *this;
}

TestProgramDir& TestProgramDir::WithScrcmd() {
  std::filesystem::copy_file(BinDir() / "scrcmd", dir_ / "scrcmd");
  std::filesystem::permissions(dir_ / "scrcmd", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  return *this;
}

ProcessResult TestProgramDir::RunScrcmd(const std::vector<std::string>& args) const {
  return RunProcess(dir_ / "scrcmd", args, dir_.path());
}

}  // namespace scrivtar::test
