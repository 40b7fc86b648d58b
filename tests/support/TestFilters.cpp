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

}  // namespace scrivtar::test
