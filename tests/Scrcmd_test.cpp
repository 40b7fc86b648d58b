// scrcmd as a process: usage, messages, exit statuses and the order of its checks; and the
// flag parser in-process.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UnCmd.h"

namespace scrivtar {
namespace {

using test::RunScrcmd;
using test::TempDir;

const std::string kUsage = UsageText("scrcmd");

TEST(ScrcmdUsage, TextIsExactWithTheProgramName) {
  auto r = RunScrcmd({});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.out, kUsage);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(kUsage.substr(0, 30), "Scrivtar Command Version 3.2\r\n");
  EXPECT_NE(kUsage.find("\r\nUsage: scrcmd [-o] [-c99999] [-t(pdf|doc|ppt|xls|docx|pptx|xlsx|rtf|"
                        "htm|hlp)] [-s9] <Source File> <Destination Text File>\r\n"),
            std::string::npos);
  EXPECT_EQ(kUsage.substr(kUsage.size() - 63),
            "\r\nRead Scrivtar help to get more details about command usage.\r\n");
}

TEST(ScrcmdUsage, BadCommandLinesGiveUsageAndStatus2) {
  TempDir dir;
  const std::vector<std::vector<std::string>> lines = {
      {"one"},
      {"-x", "a.doc", "a.txt"},
      {"-ow", "a.doc", "a.txt"},
      {"-t", "a", "b"},
      {"-thtml", "a", "b"},
      {"-tmht", "a", "b"},
      {"-sx", "a", "b"},
      {"-c", "a", "b"},
      {"-cabc", "a", "b"},
      {"-o", "-q", "a", "b"},
      {"-tdocxx", "a", "b"},
      {"", "a", "b"},
  };
  for (const auto& args : lines) {
    auto r = RunScrcmd(args, dir.path());
    EXPECT_EQ(r.exitStatus, 2) << args[0];
    EXPECT_EQ(r.out, kUsage) << args[0];
  }
}

TEST(ScrcmdChecks, MissingSourceIsReportedFirst) {
  TempDir dir;
  test::WriteFileBytes(dir / "exists.txt", "keep");
  // Exactly two arguments: no flag parsing, "-o" is the source.
  auto r = RunScrcmd({"-o", "exists.txt"}, dir.path());
  EXPECT_EQ(r.out, "Input file \"-o\" not exists\r\n");
  EXPECT_EQ(r.exitStatus, 254);
  r = RunScrcmd({"missing.xyz", "exists.txt"}, dir.path());
  EXPECT_EQ(r.out, "Input file \"missing.xyz\" not exists\r\n");
  EXPECT_EQ(r.exitStatus, 254);
  EXPECT_EQ(test::ReadFileBytes(dir / "exists.txt"), "keep");
}

TEST(ScrcmdChecks, ExistingDestinationBeforeTheType) {
  TempDir dir;
  test::WriteFileBytes(dir / "src.unknown", "data");
  test::WriteFileBytes(dir / "dst.txt", "keep");
  auto r = RunScrcmd({"src.unknown", "dst.txt"}, dir.path());
  EXPECT_EQ(r.out, "Output file \"dst.txt\" already exists, convert canceled\r\n");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(test::ReadFileBytes(dir / "dst.txt"), "keep");
  // With -o the type is looked at and refused; the destination stays as it was.
  r = RunScrcmd({"-o", "src.unknown", "dst.txt"}, dir.path());
  EXPECT_EQ(r.out, "Input file \"src.unknown\" type not support\r\n");
  EXPECT_EQ(r.exitStatus, 253);
  EXPECT_EQ(test::ReadFileBytes(dir / "dst.txt"), "keep");
}

TEST(ScrcmdChecks, TypeNotSupported) {
  TempDir dir;
  test::WriteFileBytes(dir / "noext", "data");
  test::WriteFileBytes(dir / "a.txt", "data");
  test::WriteFileBytes(dir / "trailing.", "data");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"noext", "out1.txt"},
                                               {"a.txt", "*"},
                                               {"trailing.", "out2.txt"},
                                               {"-tC H", "a.txt", "out3.txt"}}) {
    auto r = RunScrcmd(args, dir.path());
    EXPECT_EQ(r.out, "Input file \"" + args[args.size() - 2] + "\" type not support\r\n");
    EXPECT_EQ(r.exitStatus, 253);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out1.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out3.txt"));
}

// The macro-enabled, template and show variants of the Office Open XML types convert by the
// extension alone, to the same text as their base type; letter case does not matter.
TEST(ScrcmdChecks, OfficeVariantsTakeTheirBaseType) {
  TempDir dir;
  const struct {
    const char* fixture;
    std::vector<std::string> variants;
  } cases[] = {
      {"python-docx.docx", {"docm", "dotx", "DOTM"}},
      {"openpyxl.xlsx", {"xlsm", "xltx", "Xltm"}},
      {"libreoffice.pptx", {"pptm", "potx", "potm", "ppsx", "PPSM"}},
  };
  for (const auto& c : cases) {
    const std::string bytes = test::ReadFileBytes(test::FixturesDir() / "ooxml" / c.fixture);
    test::WriteFileBytes(dir / c.fixture, bytes);
    auto base = RunScrcmd({"-o", "-c65001", c.fixture, "base.txt"}, dir.path());
    ASSERT_EQ(base.exitStatus, 0) << c.fixture;
    const std::string expected = test::ReadFileBytes(dir / "base.txt");
    ASSERT_GT(expected.size(), 3u) << c.fixture;
    for (const std::string& ext : c.variants) {
      const std::string name = "variant." + ext;
      test::WriteFileBytes(dir / name, bytes);
      auto r = RunScrcmd({"-o", "-c65001", name, "out.txt"}, dir.path());
      EXPECT_EQ(r.exitStatus, 0) << name << ": " << r.out;
      EXPECT_EQ(test::ReadFileBytes(dir / "out.txt"), expected) << name;
    }
  }
}

TEST(ScrcmdChecks, UnservedCodePageIsRefusedBeforeAnyConversion) {
  TempDir dir;
  const std::string letter = SCRIVTAR_SOURCE_DIR "/samples/letter.html";
  // 720 has no converter, 99999 is no code page, 50220 is a stateful encoder not served.
  for (const char* codePage : {"720", "99999", "50220"}) {
    auto r = RunScrcmd({std::string("-c") + codePage, "-o", letter, "out.txt"}, dir.path());
    EXPECT_EQ(r.out, std::string("Output code page ") + codePage + " not supported\r\n");
    EXPECT_EQ(r.exitStatus, 244);  // -12
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt")) << codePage;
  }
}

struct FlagCase {
  std::vector<std::string> flags;
  bool invalid;
  bool overwrite;
  std::string forcedType;
  int32_t codePage;
  int32_t specialFormat;
};

TEST(ParseFlag, EveryRule) {
  const FlagCase cases[] = {
      {{"-o"}, false, true, "", 0, 0},
      {{"-O"}, false, true, "", 0, 0},
      {{"-tpdf"}, false, false, "PDF", 0, 0},
      {{"-TDocX"}, false, false, "DOCX", 0, 0},
      {{"-tC H"}, false, false, "C H", 0, 0},  // a substring of the type list
      {{"-tOC "}, false, false, "OC ", 0, 0},
      {{"-thtml"}, true, false, "", 0, 0},
      {{"-tmht"}, true, false, "", 0, 0},
      {{"-txlsxx"}, true, false, "", 0, 0},
      {{"-c65001"}, false, false, "", 65001, 0},
      {{"-C1252"}, false, false, "", 1252, 0},
      {{"-c-5"}, false, false, "", -5, 0},
      {{"-c99999999999"}, true, false, "", 0, 0},
      {{"-c12a"}, true, false, "", 0, 0},
      {{"-s12"}, false, false, "", 0, 1},  // characters after the third are ignored
      {{"-S2"}, false, false, "", 0, 2},
      {{"-sx"}, true, false, "", 0, 0},
      {{"-x"}, true, false, "", 0, 0},
      {{"-"}, true, false, "", 0, 0},
      {{"o"}, true, false, "", 0, 0},
      {{"-o", "-c1200", "-tdoc", "-s1"}, false, true, "DOC", 1200, 1},
  };
  for (const auto& c : cases) {
    RunSettings s;
    for (const auto& flag : c.flags) {
      ParseFlag(flag, s);
      if (s.invalid) break;
    }
    EXPECT_EQ(s.invalid, c.invalid) << c.flags[0];
    if (c.invalid) continue;
    EXPECT_EQ(s.overwrite, c.overwrite) << c.flags[0];
    EXPECT_EQ(s.forcedType, c.forcedType) << c.flags[0];
    EXPECT_EQ(s.codePage, c.codePage) << c.flags[0];
    EXPECT_EQ(s.specialFormat, c.specialFormat) << c.flags[0];
  }
}

}  // namespace
}  // namespace scrivtar
