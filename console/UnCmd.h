// The console converter: one source file to one text file or to standard output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

class Engine;

// The run settings the flags set.
struct RunSettings {
  bool overwrite = false;
  std::string forcedType;  // upper case
  int32_t codePage = 0;
  int32_t specialFormat = 0;
  bool invalid = false;
};

// Reads one flag into the settings and sets settings.invalid.
void ParseFlag(std::string_view argument, RunSettings& settings);

// The usage text, lines ended by CR LF, with the program's own file name.
std::string UsageText(std::string_view programFileName);

class CommandLineConverter {
 public:
  CommandLineConverter(Engine& engine, std::FILE* out) : engine_(engine), out_(out) {}

  // The program body: arguments without the program path; gives the process exit code.
  int32_t RunCommandLine(std::string_view programPath, const std::vector<std::string>& args);
  // The whole conversion of one file, messages included; gives the exit code.
  int32_t ConvertOneFile(const std::string& source, const std::string& destination, bool overwrite,
                         const std::string& forcedType);

 private:
  void PrintMessage(std::string_view text);

  Engine& engine_;
  std::FILE* out_;
  RunSettings settings_;
  OutputBlock textBlock_;
};

}  // namespace scrivtar
