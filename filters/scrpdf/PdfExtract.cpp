#include "PdfExtract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <poppler-document.h>
#include <poppler-page.h>
#include <memory>

#include "../common/Utf8.h"

namespace scrivtar::pdf {

namespace {

constexpr size_t kPieceSize = 65536;

bool CanOpenFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular;
}

poppler::page::text_layout_enum LayoutOf(TTextOrder order) {
  switch (order) {
    case TTextOrder::kPhysical:
      return poppler::page::physical_layout;
    case TTextOrder::kRaw:
      return poppler::page::raw_order_layout;
    case TTextOrder::kReading:
      break;
  }
  return poppler::page::non_raw_non_physical_layout;
}

// Collects text and hands it to the sink in pieces.
class TPieceWriter {
 public:
  explicit TPieceWriter(const TTextSink& sink) : sink_(sink) { piece_.reserve(kPieceSize); }
  void Append(std::string_view text) {
    while (!text.empty()) {
      size_t n = std::min(text.size(), kPieceSize - piece_.size());
      piece_.append(text.substr(0, n));
      text.remove_prefix(n);
      if (piece_.size() == kPieceSize) Flush();
    }
  }
  void Flush() {
    if (!piece_.empty()) sink_(piece_);
    piece_.clear();
  }

 private:
  const TTextSink& sink_;
  std::string piece_;
};

}  // namespace

int32_t ExtractPdfText(const std::string& path, const TPdfOptions& options, const TTextSink& sink) {
  if (path.empty() || !CanOpenFile(path)) return kPdfCannotOpen;
  std::unique_ptr<poppler::document> document(
      poppler::document::load_from_file(path, options.ownerPassword, options.userPassword));
  if (!document) return kPdfDamaged;
  if (document->is_locked()) return kPdfNotAllowed;
  if (options.honourCopyPermission && !document->has_permission(poppler::perm_copy)) {
    return kPdfNotAllowed;
  }
  int pages = document->pages();
  if (options.pageLimit > 0 && options.pageLimit < pages) pages = options.pageLimit;
  TPieceWriter writer(sink);
  const poppler::page::text_layout_enum layout = LayoutOf(options.order);
  std::string text;
  for (int index = 0; index < pages; ++index) {
    if (index > 0 && options.pageBreaks) writer.Append("\f");
    std::unique_ptr<poppler::page> page(document->create_page(index));
    if (!page) continue;  // a damaged page: its text is missing, the others still come
    poppler::byte_array utf8 = page->text(poppler::rectf(), layout).to_utf8();
    // poppler ends each page with a form feed of its own; ours go between pages only.
    while (!utf8.empty() && (utf8.back() == '\f' || utf8.back() == '\0')) utf8.pop_back();
    // poppler ends its lines with LF; the caller asked for its own line end.
    text.clear();
    for (char c : utf8) {
      if (c == '\n') {
        text.append(options.lineEnd);
      } else if (c != '\0') {
        text.push_back(c);
      }
    }
    writer.Append(text);
  }
  writer.Flush();
  return kPdfOk;
}

std::string PathFromUtf16(const uint16_t* path, int32_t pathBytes) {
  std::string out;
  if (!path || pathBytes <= 0) return out;
  size_t units = static_cast<size_t>(pathBytes) / 2;
  for (size_t i = 0; i < units && path[i] != 0; ++i) {
    char32_t u = path[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && path[i + 1] >= 0xDC00 &&
        path[i + 1] <= 0xDFFF) {
      filters::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (path[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      out.push_back(static_cast<char>(u - 0xDC00));
    } else {
      filters::AppendUtf8(out, u);
    }
  }
  return out;
}

std::string LineEndOfCode(int32_t lineBreakCode) {
  switch (lineBreakCode) {
    case 1:
      return "\n";
    case 3:
      return "\r";
    default:
      return "\r\n";
  }
}

}  // namespace scrivtar::pdf
