#include "PdfExtract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <GlobalParams.h>
#include <PDFDoc.h>
#include <TextOutputDev.h>
#include <goo/GooString.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "../common/Utf8.h"
#include "PdfPageBudget.h"

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

// poppler's diagnostics go to standard error, as its own tools print them.
void PrintPopplerError(ErrorCategory, Goffset pos, const char* message) {
  if (pos >= 0) {
    std::fprintf(stderr, "poppler: %s (at byte %lld)\n", message, static_cast<long long>(pos));
  } else {
    std::fprintf(stderr, "poppler: %s\n", message);
  }
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

void AppendToString(void* stream, const char* text, int length) {
  if (length > 0) static_cast<std::string*>(stream)->append(text, static_cast<size_t>(length));
}

std::optional<GooString> PasswordOf(const std::string& password) {
  if (password.empty()) return std::nullopt;
  return GooString(password);
}

}  // namespace

int32_t ExtractPdfText(const std::string& path, const TPdfOptions& options, const TTextSink& sink) {
  if (path.empty() || !CanOpenFile(path)) return kPdfCannotOpen;
  // poppler keeps its settings in one process-wide object, counted by its initers.
  GlobalParamsIniter popplerSettings(PrintPopplerError);
  PDFDoc document(std::make_unique<GooString>(path), PasswordOf(options.ownerPassword),
                  PasswordOf(options.userPassword));
  if (!document.isOk()) {
    if (document.getErrorCode() == errEncrypted) return kPdfNotAllowed;
    if (document.getErrorCode() == errOpenFile) return kPdfCannotOpen;
    return kPdfDamaged;
  }
  if (options.honourCopyPermission && !document.okToCopy()) return kPdfNotAllowed;
  int pages = document.getNumPages();
  if (options.pageLimit > 0 && options.pageLimit < pages) pages = options.pageLimit;
  TPieceWriter writer(sink);
  const bool physical = options.order == TTextOrder::kPhysical;
  const bool raw = options.order == TTextOrder::kRaw;
  std::string utf8;
  std::string text;
  for (int index = 0; index < pages; ++index) {
    if (index > 0 && options.pageBreaks) writer.Append("\f");
    Page* page = document.getPage(index + 1);
    if (!page || !page->isOk()) continue;  // a damaged page: its text is missing, the others come
    TPdfWork scanned;
    if (!PageContentIsBounded(document.getXRef(), page, options.budget, &scanned.contentObjects)) {
      return kPdfTooMuchWork;
    }
    utf8.clear();
    TBudgetTextOutputDev device(AppendToString, &utf8, physical, raw, options.budget);
    if (!device.isOk()) return kPdfDamaged;
    // The media box, not the crop box: text that a viewer would crop away is still the
    // document's text, and a crop box around one word must not hide the rest of the page.
    document.displayPage(&device, index + 1, 72, 72, 0, /*useMediaBox=*/true, /*crop=*/false,
                         /*printing=*/false, TBudgetTextOutputDev::AbortCheck, &device);
    if (options.work) {
      options.work->KeepLarger(scanned);
      options.work->KeepLarger(device.Work());
    }
    if (device.OverBudget()) return kPdfTooMuchWork;
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
