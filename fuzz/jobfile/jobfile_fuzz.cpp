// The job file reader over any bytes, in both forms: whatever it reads is written again in the
// current form and must read back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "JobFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  JobFileContents contents = ParseJobFile(bytes, 1252);
  std::string again = JobFileBytes(contents.Entries);
  JobFileContents back = ParseJobFile(again, 1252);
  if (back.Entries.size() != contents.Entries.size()) std::abort();
  return 0;
}
