// Feeds arbitrary bytes to the .pptx converter as a package file.
#include "../common/OfficeXFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scrivtar::fuzz::ConvertPackageBytes(scrivtar::ConvertPptx, "pptx", data, size);
}
