// scrcmd: converts one document into a text file or standard output.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "scrivtar/Engine.h"
#include "UnCmd.h"

int main(int argc, char** argv) {
  try {
    scrivtar::Engine engine;
    std::vector<std::string> args(argv + 1, argv + argc);
    scrivtar::CommandLineConverter converter(engine, stdout);
    int32_t code = converter.RunCommandLine(argc > 0 ? argv[0] : "scrcmd", args);
    std::fflush(stdout);
    return code;  // the shell sees the low 8 bits: -5 arrives as 251
  } catch (const std::exception& e) {
    std::printf("scrcmd: %s\r\n", e.what());
  } catch (...) {
    std::printf("scrcmd: unexpected failure\r\n");
  }
  return 70;
}
