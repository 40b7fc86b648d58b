#include "hosts/MyPdfCvt.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "TestFilters.h"
#include "TestSupport.h"
#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::TestProgramDir;
using test::WriteFileBytes;

std::string Text(const OutputBlock& block, int32_t count) {
  return std::string(block.begin(), block.begin() + count);
}

// A program directory with the test PDF library. Its input files say what it does: the first
// line is the status to return, the rest the text to deliver ("args" lists the arguments).
class PdfBindingTest : public ::testing::Test {
 protected:
  PdfBindingTest() { dir_.With("scrpdf.so", "testpdf"); }
  std::filesystem::path Input(const std::string& name, const std::string& content) {
    WriteFileBytes(dir_ / name, content);
    return dir_ / name;
  }
  int32_t Convert(const std::filesystem::path& source, int32_t codePage, int32_t textOrder = 0,
                  int32_t noPageBreaks = 1, int32_t style = kCrLf) {
    return ConvertPdf(engine_.pdf(), source, 0, block_, codePage, 1, 0, textOrder, noPageBreaks,
                      style, "", "");
  }
  TestProgramDir dir_;
  Engine engine_{EngineConfig{dir_.path()}};
  OutputBlock block_;
};

TEST_F(PdfBindingTest, StatusMapping) {
  const std::pair<const char*, int32_t> cases[] = {
      {"0", 3 + 4},         {"-1", kOpenError},    {"-3", kNotAllowed},   {"1", kFormatError},
      {"-2", kFormatError}, {"-11", kFormatError}, {"1001", kFormatError}};
  for (const auto& [status, expected] : cases) {
    SCOPED_TRACE(status);
    EXPECT_EQ(Convert(Input("s.pdf", std::string(status) + "\ntext"), 65001), expected);
  }
  EXPECT_EQ(Convert(dir_ / "missing.pdf", 65001), kOpenError);
}

TEST_F(PdfBindingTest, TextArrivesInChunksAndIsNotReflowed) {
  // 7-byte chunks, each followed by an empty and a negative one that must be ignored; the
  // library has laid out the line ends, so a lone CR stays.
  const std::string text = "page one\rpage two\nlast line \xC3\xA9";
  int32_t n = Convert(Input("t.pdf", "0\n" + text), 65001);
  EXPECT_EQ(Text(block_, n), "\xEF\xBB\xBF" + text);

  n = Convert(Input("t.pdf", "0\nA\xC3\xA9\xE9Z"), 1252);
  EXPECT_EQ(Text(block_, n), "A\xE9?Z") << "lenient decoding";

  n = Convert(Input("short.pdf", "0\nab"), 65001);
  EXPECT_EQ(Text(block_, n),
            "\xEF\xBB\xBF"
            "ab")
      << "the accumulator starts empty each time";
}

TEST_F(PdfBindingTest, NoTextLeavesTheBlockAlone) {
  block_ = {'o', 'l', 'd'};
  EXPECT_EQ(Convert(Input("empty.pdf", "0\n"), 1200), 0);
  EXPECT_EQ(block_, (OutputBlock{'o', 'l', 'd'}));
  EXPECT_EQ(Convert(Input("locked.pdf", "-3\nsecret"), 65001), kNotAllowed);
  EXPECT_EQ(block_, (OutputBlock{'o', 'l', 'd'}));
}

TEST_F(PdfBindingTest, ArgumentsOfTheLibraryCall) {
  struct Case {
    int32_t textOrder, noPageBreaks, style;
    const char* expected;
  };
  const Case cases[] = {
      {0, 1, kCrLf, "A=1 B=0 L=0 N=1 R=0 E=2"}, {1, 1, kCrLf, "A=1 B=0 L=1 N=1 R=0 E=2"},
      {2, 0, kLf, "A=1 B=0 L=0 N=0 R=1 E=1"},   {7, 1, kCr, "A=1 B=0 L=0 N=1 R=0 E=3"},
      {-1, 1, 9, "A=1 B=0 L=0 N=1 R=0 E=2"},
  };
  auto source = Input("args.pdf", "0\nargs");
  const std::string tail =
      " C=[] D=[] P=" + std::to_string(source.native().size() * 2);  // ASCII path: 2 bytes each
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    int32_t n = Convert(source, 65001, c.textOrder, c.noPageBreaks, c.style);
    EXPECT_EQ(Text(block_, n), std::string("\xEF\xBB\xBF") + c.expected + tail);
  }
}

TEST_F(PdfBindingTest, ConsoleOptionsThroughTheDispatch) {
  auto source = Input("args.pdf", "0\nargs");
  ConversionOptions options;
  options.specialFormat = 1;
  int32_t n = ConvertByType(engine_, "PDF", source, block_, 65001, options);
  EXPECT_EQ(Text(block_, n).substr(0, 26),
            "\xEF\xBB\xBF"
            "A=1 B=0 L=1 N=1 R=0 E=2");
}

TEST_F(PdfBindingTest, NamesThatAreNotUtf8ReachTheLibrary) {
  auto source = Input("caf\xE9 \xF0\x9F\x98\x80.pdf", "0\nfound");
  int32_t n = Convert(source, 65001);
  EXPECT_EQ(Text(block_, n),
            "\xEF\xBB\xBF"
            "found");
}

TEST_F(PdfBindingTest, TwoEnginesOnTwoThreadsKeepTheirOwnText) {
  TestProgramDir otherDir;
  otherDir.With("scrpdf.so", "testpdf");
  Engine other{EngineConfig{otherDir.path()}};
  std::string a(50000, 'a'), b(70000, 'b');
  auto sourceA = Input("a.pdf", "0\n" + a), sourceB = Input("b.pdf", "0\n" + b);
  OutputBlock blockA, blockB;
  int32_t nA = 0, nB = 0;
  std::thread tA([&] {
    for (int i = 0; i < 20; ++i)
      nA = ConvertPdf(engine_.pdf(), sourceA, 0, blockA, 65001, 1, 0, 0, 1, 0, "", "");
  });
  std::thread tB([&] {
    for (int i = 0; i < 20; ++i)
      nB = ConvertPdf(other.pdf(), sourceB, 0, blockB, 65001, 1, 0, 0, 1, 0, "", "");
  });
  tA.join();
  tB.join();
  EXPECT_EQ(Text(blockA, nA), "\xEF\xBB\xBF" + a);
  EXPECT_EQ(Text(blockB, nB), "\xEF\xBB\xBF" + b);
}

TEST(PdfBinding, MissingLibraryOrExport) {
  TestProgramDir empty;
  Engine engine{EngineConfig{empty.path()}};
  WriteFileBytes(empty / "a.pdf", "0\nx");
  OutputBlock block;
  EXPECT_EQ(ConvertPdf(engine.pdf(), empty / "a.pdf", 0, block, 65001, 1, 0, 0, 1, 0, "", ""),
            kLibraryMissing);
  TestProgramDir wrong;
  wrong.With("scrpdf.so", "echo");
  Engine engine2{EngineConfig{wrong.path()}};
  EXPECT_EQ(ConvertPdf(engine2.pdf(), empty / "a.pdf", 0, block, 65001, 1, 0, 0, 1, 0, "", ""),
            kLibraryMissing);
}

}  // namespace
}  // namespace scrivtar
