// Web archives (.mht): the MIME message read as lines, its part table, the HTML parts decoded
// and joined into one HTML text, and ConvertMht, which hands that text to the HTML filter.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

class FilterHosts;

// The file's bytes up to the first zero byte, and its lines: ranges into those bytes, split at
// every CR, LF or CR LF (a line break at the very end makes no empty last line). Lines are
// numbered from 1.
class TUniFileStringList {
 public:
  // Reads the whole file; a file that cannot be opened or read, or of 4 GiB or more, raises
  // std::system_error.
  void LoadFromFile(const std::filesystem::path& fileName);
  void SetText(std::string bytes);

  size_t Count() const { return starts_.size(); }
  // Line n, 1 <= n <= Count().
  std::string_view operator[](size_t n) const;
  // The bytes of lines first..last with their line breaks (0 for an empty range).
  size_t SpanBytes(size_t first, size_t last) const;

 private:
  std::string text_;
  std::vector<uint32_t> starts_;  // archives of 4 GiB or more are refused
};

// One part of the archive: its content type as written (trimmed), its transfer encoding, and the
// lines that hold its content. lastLine < firstLine means no content.
struct WebArchivePart {
  std::string contentType;
  std::string transferEncoding;
  size_t firstLine = 0;
  size_t lastLine = 0;  // 0 while the scan has not found the part's end
};

struct WebArchive {
  TUniFileStringList lines;
  std::string documentContentType;
  std::string documentTransferEncoding;
  std::vector<std::string> boundaries;
  std::vector<WebArchivePart> parts;
};

// Builds the part table. False when the file has no blank line (no end of the top-level
// header). The file variant raises std::system_error when the file cannot be read.
bool ParseWebArchive(const std::filesystem::path& fileName, WebArchive& archive);
bool ParseWebArchiveText(std::string bytes, WebArchive& archive);

// The decoded lines of every text/html part, in part order, each followed by CR LF.
std::string BuildArchiveHtml(const WebArchive& archive);

// -5 for a file with no blank line, -1 when the HTML filter is missing, otherwise the result of
// the memory host (the stored byte count, 0 for no text).
int32_t ConvertMht(FilterHosts& hosts, const std::filesystem::path& fileName, int32_t ignored,
                   OutputBlock& block, int32_t codePage);

}  // namespace scrivtar
