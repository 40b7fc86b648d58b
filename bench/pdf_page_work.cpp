// The largest work of one page in each PDF named on the command line, as the page budget counts
// it (abort checks, forms, characters, objects of the content scan), with the time of the whole
// file. Shows how far the real documents stay below the budget:
//   build/release/bin/pdf_page_work ../shared/corpus/pdfjs/*.pdf | sort -k3 -n | tail
#include <chrono>
#include <cstdio>

#include "scrpdf/PdfExtract.h"

int main(int argc, char** argv) {
  using namespace scrivtar::pdf;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("%-48s %6s %12s %10s %12s %10s %9s\n", "file", "rc", "abortChecks", "forms",
              "characters", "objects", "seconds");
  for (int i = 1; i < argc; ++i) {
    TPdfWork work;
    TPdfOptions options;
    options.honourCopyPermission = false;
    options.work = &work;
    auto start = std::chrono::steady_clock::now();
    int32_t rc = ExtractPdfText(argv[i], options, [](std::string_view) {});
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const char* name = argv[i];
    for (const char* p = argv[i]; *p; ++p) {
      if (*p == '/') name = p + 1;
    }
    std::printf("%-48s %6d %12lld %10lld %12lld %10lld %9.3f\n", name, rc,
                static_cast<long long>(work.abortChecks), static_cast<long long>(work.forms),
                static_cast<long long>(work.characters),
                static_cast<long long>(work.contentObjects), seconds);
  }
  return 0;
}
