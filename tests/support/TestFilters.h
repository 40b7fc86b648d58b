// A program directory for an engine under test, holding chosen test libraries (built from
// tests/filters into bin/testfilters) under the names the engine looks for.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace scrivtar::test {

// bin/testfilters/<name>.so
std::filesystem::path TestFilterPath(const std::string& name);

class TestProgramDir {
 public:
  // Makes libraryName (e.g. "scrhtm.so") a link to the test library testName (e.g. "echo").
  TestProgramDir& With(const std::string& libraryName, const std::string& testName);
  // Puts a copy of scrcmd into the directory, so that this is its program directory.
  TestProgramDir& WithScrcmd();
  // Runs that copy in the directory.
  ProcessResult RunScrcmd(const std::vector<std::string>& args) const;
  const std::filesystem::path& path() const { return dir_.path(); }
  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;
};

}  // namespace scrivtar::test
