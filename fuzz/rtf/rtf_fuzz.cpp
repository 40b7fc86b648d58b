// The whole RTF reader through the filter interface, over a memory stream record. The first
// byte picks the host's buffer size, so hand-out across small buffers is exercised too.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/MemoryStream.h"
#include "scrrtf/RtfFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t bufferSize = data[0] < 16 ? 1u + data[0] : 65536u;
  std::string_view rtf(reinterpret_cast<const char*>(data + 1), size - 1);
  scrivtar::filters::ConvertInMemory(rtf, scrivtar::rtf::CreateConverter, nullptr, bufferSize);
  return 0;
}
