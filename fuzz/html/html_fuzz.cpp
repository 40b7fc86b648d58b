// The HTML filter's glue around libxml2: character set detection, the SAX callbacks and the
// text layout, through the filter interface over a memory stream record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/MemoryStream.h"
#include "scrhtm/HtmlCharset.h"
#include "scrhtm/HtmlFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view html(reinterpret_cast<const char*>(data), size);
  scrivtar::html::ChooseEncoding(html);
  scrivtar::filters::ConvertInMemory(html, scrivtar::html::CreateConverter);
  return 0;
}
