// Web archive parsing over arbitrary bytes: the line list, the part table and the HTML text,
// with the invariants the converter relies on (ranges inside the file, HTML no larger than the
// input can justify).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mht/VtMhtCvt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  WebArchive archive;
  if (!ParseWebArchiveText(std::string(reinterpret_cast<const char*>(data), size), archive)) {
    return 0;
  }
  const size_t lines = archive.lines.Count();
  for (const WebArchivePart& part : archive.parts) {
    if (part.firstLine < 1 || part.firstLine > lines + 1 || part.lastLine > lines) std::abort();
  }
  std::string html = BuildArchiveHtml(archive);
  // Decoding only shrinks a line; each line goes out at most once with its CR LF (base64 parts
  // decode to fewer bytes than they hold, then gain a CR LF per decoded line).
  if (html.size() > 3 * size + 2) std::abort();
  return 0;
}
