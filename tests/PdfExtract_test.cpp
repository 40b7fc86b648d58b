// PDF extraction on poppler: text orders, page breaks, line ends, protection and damage, and
// the scrpdf.so export itself.
#include "scrpdf/PdfExtract.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "scrivtar/FilterApi.h"

namespace scrivtar::pdf {
namespace {

using test::FixturesDir;

std::string PdfFixture(const char* name) {
  return (FixturesDir() / "pdf" / name).string();
}

std::string Extract(const std::string& path, const TPdfOptions& options, int32_t* rc,
                    size_t* pieces = nullptr) {
  std::string text;
  size_t count = 0;
  *rc = ExtractPdfText(path, options, [&](std::string_view piece) {
    EXPECT_FALSE(piece.empty());
    EXPECT_LE(piece.size(), 65536u);
    text.append(piece);
    ++count;
  });
  if (pieces) *pieces = count;
  return text;
}

TEST(PdfExtract, TextOrders) {
  const std::string letter = PdfFixture("letter.pdf");
  int32_t rc = -9;
  TPdfOptions options;
  options.lineEnd = "\n";
  std::string reading = Extract(letter, options, &rc);
  ASSERT_EQ(rc, kPdfOk);
  EXPECT_EQ(reading.rfind("Quarterly Report\nGrüße aus Köln: naïve café, déjà vu", 0), 0u);
  EXPECT_NE(reading.find("Ελληνικά και Кириллица: Привет, мир!\n"), std::string::npos);
  // Two pages, one form feed between them and none after the last.
  EXPECT_EQ(std::count(reading.begin(), reading.end(), '\f'), 1);
  EXPECT_NE(reading.find("\fSecond page: the end.\n"), std::string::npos);
  EXPECT_NE(reading.back(), '\f');

  options.order = TTextOrder::kPhysical;
  std::string physical = Extract(letter, options, &rc);
  EXPECT_EQ(rc, kPdfOk);
  EXPECT_NE(physical.find("Item      "), std::string::npos);  // columns kept apart
  EXPECT_NE(physical.find("Quantity"), std::string::npos);

  options.order = TTextOrder::kRaw;
  std::string raw = Extract(letter, options, &rc);
  EXPECT_EQ(rc, kPdfOk);
  EXPECT_NE(raw.find("Item Quantity Price\n"), std::string::npos);
}

TEST(PdfExtract, PageBreaksAndLineEnds) {
  int32_t rc = -9;
  TPdfOptions options;
  options.pageBreaks = false;
  std::string crlf = Extract(PdfFixture("letter.pdf"), options, &rc);
  EXPECT_EQ(crlf.find('\f'), std::string::npos);
  EXPECT_NE(crlf.find("Quarterly Report\r\n"), std::string::npos);
  options.lineEnd = LineEndOfCode(3);
  std::string cr = Extract(PdfFixture("letter.pdf"), options, &rc);
  EXPECT_EQ(cr.find('\n'), std::string::npos);
  EXPECT_NE(cr.find("Quarterly Report\r"), std::string::npos);
  EXPECT_EQ(LineEndOfCode(1), "\n");
  EXPECT_EQ(LineEndOfCode(2), "\r\n");
  EXPECT_EQ(LineEndOfCode(0), "\r\n");
  // Switch B limits the pages.
  options.pageLimit = 1;
  EXPECT_EQ(Extract(PdfFixture("letter.pdf"), options, &rc).find("Second page"), std::string::npos);
}

TEST(PdfExtract, ProtectionAndDamage) {
  struct TCase {
    const char* file;
    bool honourCopy;
    const char* userPassword;
    int32_t rc;
    bool text;
  };
  const TCase cases[] = {
      {"copy-protected.pdf", true, "", kPdfNotAllowed, false},
      {"copy-protected.pdf", false, "", kPdfOk, true},
      {"password.pdf", true, "", kPdfNotAllowed, false},
      {"password.pdf", true, "wrong", kPdfNotAllowed, false},
      {"password.pdf", true, "secret", kPdfOk, true},
      {"truncated.pdf", true, "", kPdfDamaged, false},
      {"no-such-file.pdf", true, "", kPdfCannotOpen, false},
  };
  for (const TCase& c : cases) {
    TPdfOptions options;
    options.honourCopyPermission = c.honourCopy;
    options.userPassword = c.userPassword;
    int32_t rc = -9;
    size_t pieces = 0;
    std::string text = Extract(PdfFixture(c.file), options, &rc, &pieces);
    EXPECT_EQ(rc, c.rc) << c.file << " " << c.userPassword;
    EXPECT_EQ(!text.empty(), c.text) << c.file;
    if (!c.text) {
      EXPECT_EQ(pieces, 0u);
    }
  }
  int32_t rc = -9;
  Extract(FixturesDir().string(), TPdfOptions{}, &rc);
  EXPECT_EQ(rc, kPdfCannotOpen);  // a directory is no file
  test::TempDir temp;
  test::WriteFileBytes(temp / "garbage.pdf", "%PDF-1.4\nnot really\n");
  Extract((temp / "garbage.pdf").string(), TPdfOptions{}, &rc);
  EXPECT_EQ(rc, kPdfDamaged);
}

// A crop box around one word (pdf.js's issue16316.pdf): the whole page's text still comes, as
// pdftotext gives it, since the text outside a crop box is still the document's text.
TEST(PdfExtract, TextOutsideTheCropBox) {
  int32_t rc = -9;
  TPdfOptions options;
  options.lineEnd = "\n";
  std::string text = Extract(PdfFixture("cropped.pdf"), options, &rc);
  ASSERT_EQ(rc, kPdfOk);
  EXPECT_EQ(text,
            "First line of the page.\nVisible word and the rest of the line.\n"
            "Third line at the end.\n\n");
}

// The work of one page is bounded: past any part of the budget the whole document gives -5.
TEST(PdfExtract, PageBudget) {
  struct TCase {
    const char* file;
    TPdfBudget budget;
    int32_t rc;
  };
  const TPdfBudget full;
  auto with = [&](int64_t TPdfBudget::*field, int64_t value) {
    TPdfBudget budget = full;
    budget.*field = value;
    return budget;
  };
  const TCase cases[] = {
      {"letter.pdf", full, kPdfOk},
      // Content "compressed" with JBIG2 whose page claims 100,000 x 100,000 pixels: refused
      // before anything is decoded (pdf.js's bomb_giant.pdf).
      {"jbig2-content.pdf", full, kPdfTooMuchWork},
      // Forms nested nine deep, ten times each: poppler's own abort check never runs there.
      {"nested-forms.pdf", full, kPdfTooMuchWork},
      {"letter.pdf", with(&TPdfBudget::abortChecks, 1), kPdfTooMuchWork},
      {"letter.pdf", with(&TPdfBudget::characters, 10), kPdfTooMuchWork},
      {"letter.pdf", with(&TPdfBudget::contentObjects, 1), kPdfTooMuchWork},
  };
  for (const TCase& c : cases) {
    TPdfOptions options;
    options.budget = c.budget;
    int32_t rc = -9;
    size_t pieces = 0;
    Extract(PdfFixture(c.file), options, &rc, &pieces);
    EXPECT_EQ(rc, c.rc) << c.file;
    if (rc == kPdfTooMuchWork) {
      EXPECT_EQ(pieces, 0u) << c.file;
    }
  }
}

TEST(PdfExtract, Utf16Paths) {
  const std::u16string plain = u"/tmp/Grüße 😀.pdf";
  EXPECT_EQ(PathFromUtf16(reinterpret_cast<const uint16_t*>(plain.data()),
                          static_cast<int32_t>(plain.size() * 2)),
            "/tmp/Grüße 😀.pdf");
  // A name that is not UTF-8 keeps its bytes.
  const std::u16string escaped = {u'/', u'a', 0xDCE9, u'b'};
  EXPECT_EQ(PathFromUtf16(reinterpret_cast<const uint16_t*>(escaped.data()), 8),
            "/a\xE9"
            "b");
  EXPECT_EQ(PathFromUtf16(nullptr, 4), "");
}

// The export's callback carries no context, so the test collects into a buffer of its own.
std::string& Collected() {
  static std::string text;
  return text;
}
void Collect(const char* bytes, int32_t count) {
  Collected().append(bytes, count);
}

TEST(PdfExtract, LibraryExport) {
  void* library = dlopen((test::BinDir() / "scrpdf.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto extract = reinterpret_cast<ScrExtractTextFn>(dlsym(library, "fnExtractText"));
  ASSERT_NE(extract, nullptr);
  EXPECT_EQ(dlsym(library, "_ZN8scrivtar3pdf14ExtractPdfText"), nullptr);
  std::string path = PdfFixture("letter.pdf");
  std::u16string wide(path.begin(), path.end());
  const auto* widePath = reinterpret_cast<const uint16_t*>(wide.c_str());
  const int32_t bytes = static_cast<int32_t>(wide.size() * 2);
  Collected().clear();
  // The engine's arguments for text order 2, LF line ends, no page breaks.
  EXPECT_EQ(extract(widePath, bytes, &Collect, 1, 0, 0, 1, 1, 1, "", ""), 0);
  EXPECT_NE(Collected().find("Item Quantity Price\n"), std::string::npos);
  EXPECT_EQ(Collected().find_first_of("\r\f"), std::string::npos);
  std::string protectedPath = PdfFixture("copy-protected.pdf");
  std::u16string wideProtected(protectedPath.begin(), protectedPath.end());
  EXPECT_EQ(
      extract(reinterpret_cast<const uint16_t*>(wideProtected.c_str()),
              static_cast<int32_t>(wideProtected.size() * 2), &Collect, 1, 0, 0, 1, 0, 2, "", ""),
      -3);
  dlclose(library);
}

}  // namespace
}  // namespace scrivtar::pdf
