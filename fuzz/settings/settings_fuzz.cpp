// The settings file reader over any bytes, then the lookup built from what it read: the text it
// would write back must read the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "DesktopSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  const DesktopPaths paths{"/prog/", "/docs/"};
  std::string_view text(reinterpret_cast<const char*>(data), size);
  DesktopSettings s = ParseSettingsText(text, paths, 1252);
  ExtensionLookup lookup = RebuildExtensionLookup(s);
  FileTypeOfExtension(lookup, ".pdf");
  for (int i = 0; i <= kFileTypeCount + 1; ++i) FileTypeCaption(s, i);
  std::string written = SettingsFileText(s, 1252);
  if (SettingsFileText(ParseSettingsText(written, paths, 1252), 1252) != written) std::abort();
  return 0;
}
