#include "hosts/Converters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFilters.h"
#include "TestSupport.h"
#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::Bytes;
using test::ReadFileBytes;
using test::TempDir;
using test::TestProgramDir;
using test::WriteFileBytes;

std::string Text(const OutputBlock& block, int32_t count) {
  return std::string(block.begin(), block.begin() + count);
}

Engine MakeEngine(const TestProgramDir& dir) {
  return Engine(EngineConfig{dir.path()});
}

// ---- the reading loop, driven by filter functions inside the test

// A scripted filter: CreateConverter's result, then one (result, bytes) per ReadConverter call.
struct Script {
  int32_t createResult = 0;
  std::vector<std::pair<int32_t, std::string>> reads;
  // What the host did.
  std::vector<uint32_t> askedSizes;
  int closeCalls = 0;
  bool stateSeenAtCreate = false;
  uint32_t countOverride = 0;  // when set, the filter claims more bytes than it wrote
};

Script* ScriptOf(ScrStreamRecord* record) {
  return static_cast<Script*>(record->source);
}

int32_t ScriptCreate(ScrStreamRecord* record) {
  Script* s = ScriptOf(record);
  s->stateSeenAtCreate = record->filterState != nullptr;
  record->filterState = s;
  return s->createResult;
}

int32_t ScriptRead(ScrStreamRecord* record, void* buffer, uint32_t size, uint32_t* count) {
  Script* s = ScriptOf(record);
  size_t call = s->askedSizes.size();
  s->askedSizes.push_back(size);
  *count = 0;
  if (call >= s->reads.size()) return 0;
  const auto& [result, bytes] = s->reads[call];
  std::copy(bytes.begin(), bytes.end(), static_cast<char*>(buffer));
  *count = s->countOverride ? s->countOverride : static_cast<uint32_t>(bytes.size());
  return result;
}

int32_t ScriptClose(ScrStreamRecord* record) {
  ScriptOf(record)->closeCalls++;
  record->filterState = nullptr;
  return 0;
}

int32_t RunScript(Script& script, int32_t byteLimit, int32_t codePage, OutputBlock& block) {
  ScrStreamRecord record{};
  record.recordSize = sizeof record;
  record.source = &script;
  record.filterState = &record;  // left over from an earlier conversion: the host clears it
  FilterFunctions functions{ScriptCreate, ScriptRead, ScriptClose};
  return RunFilter(functions, record, byteLimit, kCrLf, codePage, block);
}

TEST(FilterHost, ReadsFullBuffersUntilAReadDeliversNothing) {
  Script script;
  std::string text(200000, 'x');
  for (size_t at = 0; at < text.size(); at += 65536) {
    script.reads.push_back({0, text.substr(at, 65536)});
  }
  script.reads.push_back({0, ""});
  script.reads.push_back({0, "never read"});
  OutputBlock block;
  int32_t n = RunScript(script, 0, 65001, block);
  EXPECT_EQ(script.askedSizes, std::vector<uint32_t>(5, 65536));
  EXPECT_EQ(script.closeCalls, 1);
  EXPECT_FALSE(script.stateSeenAtCreate);
  ASSERT_EQ(n, 3 + 200000);
  EXPECT_EQ(Text(block, n), "\xEF\xBB\xBF" + text);
}

TEST(FilterHost, ResultTable) {
  struct Case {
    const char* name;
    int32_t createResult;
    std::vector<std::pair<int32_t, std::string>> reads;
    int32_t byteLimit;
    std::string expected;  // in code page 65001; empty: result 0 and the block untouched
    size_t calls;
  };
  const Case cases[] = {
      {"create fails", 5, {{0, "text"}}, 0, "", 0},
      {"first read fails", 0, {{3, "lost"}}, 0, "", 1},
      {"read fails after text",
       0,
       {{0, "kept\r"}, {0, "\n2\r"}, {9, "lost"}},
       0,
       "\xEF\xBB\xBFkept\r\n2\r\n",
       3},
      {"lone LF and CR become CR LF",
       0,
       {{0, "a\nb\rc"}, {0, ""}},
       0,
       "\xEF\xBB\xBF"
       "a\r\nb\r\nc",
       2},
      {"byte limit: one call",
       0,
       {{0, "abc"}, {0, "more"}},
       3,
       "\xEF\xBB\xBF"
       "abc",
       1},
      {"byte limit: failed call gives nothing", 0, {{4, "abc"}}, 3, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script script;
    script.createResult = c.createResult;
    script.reads = c.reads;
    OutputBlock block = {'o', 'l', 'd'};
    int32_t n = RunScript(script, c.byteLimit, 65001, block);
    EXPECT_EQ(script.closeCalls, 1);
    EXPECT_EQ(script.askedSizes.size(), c.calls);
    if (c.expected.empty()) {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(block, (OutputBlock{'o', 'l', 'd'}));
    } else {
      ASSERT_EQ(n, static_cast<int32_t>(c.expected.size()));
      EXPECT_EQ(Text(block, n), c.expected);
    }
  }
}

TEST(FilterHost, ByteLimitIsCappedAtTheBuffer) {
  Script script;
  script.reads = {{0, "x"}};
  OutputBlock block;
  RunScript(script, 1 << 20, 65001, block);
  EXPECT_EQ(script.askedSizes, std::vector<uint32_t>{65536});
}

TEST(FilterHost, ACountBeyondTheBufferIsCapped) {
  Script script;
  script.reads = {{0, "abc"}};
  script.countOverride = 1u << 31;
  OutputBlock block;
  int32_t n = RunScript(script, 0, 65001, block);
  // The filter claims 2 GB; the host takes at most its buffer.
  EXPECT_EQ(n, 3 + 65536);
}

// ---- the stream records

TEST(MemoryStream, SeekClampsToTheData) {
  std::string data(100, 'h');
  data.replace(90, 10, "0123456789");
  MemoryStream stream;
  stream.Attach(data);
  ScrStreamRecord& r = stream.record();
  EXPECT_EQ(r.recordSize, sizeof(ScrStreamRecord));
  EXPECT_EQ(r.getCodePage(&r), 65001);
  char name[4] = "abc";
  EXPECT_EQ(r.getName(&r, name, sizeof name), 0);
  EXPECT_EQ(name[0], '\0');
  uint32_t low = 0, high = 7;
  EXPECT_EQ(r.getSize(&r, &low, &high), 0);
  EXPECT_EQ(low, 100u);
  EXPECT_EQ(high, 0u);

  auto seekThenRead = [&](int32_t offset, int32_t origin) {
    int32_t scratch = 0;
    EXPECT_EQ(r.seek(&r, &offset, &scratch, origin), 0);
    char buffer[200];
    int32_t got = -5;
    EXPECT_EQ(r.read(&r, buffer, sizeof buffer, &got), 0);
    return std::string(buffer, static_cast<size_t>(got));
  };
  EXPECT_EQ(seekThenRead(-10, 2), "0123456789");
  EXPECT_EQ(seekThenRead(10, 2), "");
  EXPECT_EQ(seekThenRead(95, 0), "56789");
  EXPECT_EQ(seekThenRead(-1000, 1), data);
  EXPECT_EQ(seekThenRead(-1, 0), data);
}

TEST(FileStream, CallbacksReadTheFile) {
  TempDir dir;
  WriteFileBytes(dir / "f.bin", "0123456789");
  FileStream stream;
  ScrStreamRecord& r = stream.record();
  uint32_t low = 0, high = 0;
  char buffer[16];
  int32_t got = 0;
  EXPECT_EQ(r.getSize(&r, &low, &high), 1) << "not open yet";
  EXPECT_EQ(r.read(&r, buffer, 4, &got), 1);
  ASSERT_TRUE(stream.Open(dir / "f.bin"));
  EXPECT_EQ(r.read(&r, buffer, 3, &got), 0);
  EXPECT_EQ(r.getSize(&r, &low, &high), 0);
  EXPECT_EQ(low, 10u);
  EXPECT_EQ(r.read(&r, buffer, 16, &got), 0);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "0123456789") << "size leaves 0";
  int32_t offset = -3, scratch = 0;
  EXPECT_EQ(r.seek(&r, &offset, &scratch, 2), 0);
  EXPECT_EQ(r.read(&r, buffer, 16, &got), 0);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "789");
  offset = -1;
  EXPECT_NE(r.seek(&r, &offset, &scratch, 0), 0) << "before the start";
  stream.Close();
  EXPECT_FALSE(stream.Open(dir / "missing"));
}

// ---- the hosts with test libraries

TEST(FilterLibraries, MissingLibrariesGiveMinusOne) {
  TestProgramDir dir;
  dir.With("scrpdf.so", "echo");     // a library without fnExtractText
  dir.With("scrhlp.so", "testpdf");  // a library without the three filter functions
  WriteFileBytes(dir / "a.txt", "text");
  Engine engine = MakeEngine(dir);
  OutputBlock block;
  for (const char* type : {"HLP", "HTM", "HTML", "RTF", "PDF"}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(ConvertByType(engine, type, dir / "a.txt", block, 65001, {}), kLibraryMissing);
  }
  EXPECT_EQ(ConvertHtmlText(engine.filterHosts(), "<p>x</p>", 0, block, 65001), kLibraryMissing);
  EXPECT_TRUE(block.empty());
}

TEST(FilterLibraries, EchoThroughTheFileAndMemoryHosts) {
  TestProgramDir dir;
  dir.With("scrhtm.so", "echo").With("scrrtf.so", "echo");
  Engine engine = MakeEngine(dir);
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += "line " + std::to_string(i) + " \xC3\xA9\r\n";
  WriteFileBytes(dir / "big.htm", big);
  WriteFileBytes(dir / "small.rtf", "a\rb\nc");
  OutputBlock block;

  int32_t n = ConvertByType(engine, "HTML", dir / "big.htm", block, 65001, {});
  ASSERT_EQ(n, static_cast<int32_t>(3 + big.size()));
  EXPECT_EQ(Text(block, n), "\xEF\xBB\xBF" + big);

  n = ConvertByType(engine, "RTF", dir / "small.rtf", block, 1200, {});
  EXPECT_EQ(Text(block, n), Bytes("\xFF\xFE"
                                  "a\0\r\0\n\0b\0\r\0\n\0c\0",
                                  16));

  n = ConvertHtmlText(engine.filterHosts(), big, 0, block, 65001);
  ASSERT_EQ(n, static_cast<int32_t>(3 + big.size()));
  EXPECT_EQ(Text(block, n), "\xEF\xBB\xBF" + big);

  n = ConvertHtmlText(engine.filterHosts(), "caf\xC3\xA9", 0, block, 1252);
  EXPECT_EQ(Text(block, n), "caf\xE9");
  EXPECT_EQ(ConvertHtmlText(engine.filterHosts(), "", 0, block, 65001), 0);

  EXPECT_EQ(ConvertByType(engine, "HTM", dir / "missing.htm", block, 65001, {}), kSourceMissing);
  EXPECT_EQ(ConvertByType(engine, "HLP", dir / "small.rtf", block, 65001, {}), kLibraryMissing);
}

TEST(FilterLibraries, FailingAndBigAndNonUtf8Filters) {
  TestProgramDir dir;
  dir.With("scrhtm.so", "failcreate").With("scrrtf.so", "bigtext").With("scrhlp.so", "notutf8");
  WriteFileBytes(dir / "in", "ignored");
  Engine engine = MakeEngine(dir);
  OutputBlock block = {'k'};

  EXPECT_EQ(ConvertHtml(engine.filterHosts(), dir / "in", 0, block, 65001), 0);
  EXPECT_EQ(block, OutputBlock{'k'}) << "an empty text leaves the block as it was";

  int32_t n = ConvertRtf(engine.filterHosts(), dir / "in", 0, block, 65001);
  ASSERT_EQ(n, 3 + 200000);
  std::string expected = "\xEF\xBB\xBF";
  for (int i = 0; i < 200000; ++i) expected += static_cast<char>('a' + i % 26);
  EXPECT_EQ(Text(block, n), expected);

  n = ConvertHlp(engine.filterHosts(), dir / "in", 0, block, 65001);
  EXPECT_EQ(Text(block, n),
            "\xEF\xBB\xBF"
            "caf\xE9 ol\xE9\r\nx");
  EXPECT_EQ(ConvertHlp(engine.filterHosts(), dir / "in", 0, block, 1252), 0);
  n = ConvertHlp(engine.filterHosts(), dir / "in", 0, block, 1200);
  EXPECT_EQ(Text(block, n), "\xFF\xFE");
}

TEST(FilterLibraries, RtfNamedDocReachesTheRtfBinding) {
  TestProgramDir withRtf, withoutRtf;
  withRtf.With("scrrtf.so", "echo");
  withoutRtf.With("scrhtm.so", "echo");
  WriteFileBytes(withRtf / "report.doc", "{\\rtf1 hello}");
  Engine engine = MakeEngine(withRtf);
  OutputBlock block;
  bool fallback = false;
  int32_t n = ConvertByType(engine, "DOC", withRtf / "report.doc", block, 65001, {}, &fallback);
  EXPECT_TRUE(fallback);
  EXPECT_EQ(Text(block, n), "\xEF\xBB\xBF{\\rtf1 hello}");
  Engine noRtf = MakeEngine(withoutRtf);
  EXPECT_EQ(ConvertByType(noRtf, "DOC", withRtf / "report.doc", block, 65001, {}), kLibraryMissing);
}

TEST(FilterLibraries, StaleIniIsRemovedAtStartUpAfterLoadingAndAtExit) {
  TestProgramDir dir;
  dir.With("scrhtm.so", "echo");
  const auto ini = dir / "scrhtm.ini";
  WriteFileBytes(dir / "a.htm", "x");
  WriteFileBytes(ini, "[stale]");
  {
    Engine engine = MakeEngine(dir);
    EXPECT_FALSE(std::filesystem::exists(ini));
    WriteFileBytes(ini, "[stale]");
    OutputBlock block;
    EXPECT_EQ(ConvertByType(engine, "HTM", dir / "a.htm", block, 65001, {}), 4);
    EXPECT_FALSE(std::filesystem::exists(ini)) << "the first HTML conversion loads the filter";
    WriteFileBytes(ini, "[stale]");
  }
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST(FilterLibraries, LibrariesAreFoundInLibScrivtarBesideTheProgram) {
  TempDir root;
  std::filesystem::create_directories(root / "bin");
  std::filesystem::create_directories(root / "lib/scrivtar");
  std::filesystem::create_symlink(test::TestFilterPath("echo"), root / "lib/scrivtar/scrhtm.so");
  WriteFileBytes(root / "a.htm", "x");
  Engine engine(EngineConfig{root / "bin"});
  OutputBlock block;
  EXPECT_EQ(ConvertByType(engine, "HTM", root / "a.htm", block, 65001, {}), 4);
}

// ---- scrcmd with its own program directory

TEST(Console, MissingLibrariesAndTheHtmlFilter) {
  TestProgramDir dir;
  dir.WithScrcmd().With("scrhtm.so", "echo");
  WriteFileBytes(dir / "page.html", "<p>a</p>\n");
  WriteFileBytes(dir / "doc.rtf", "{\\rtf1 x}");
  WriteFileBytes(dir / "doc.pdf", "%PDF");
  WriteFileBytes(dir / "scrhtm.ini", "");

  auto r = dir.RunScrcmd({"-c65001", "page.html", "*"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "\xEF\xBB\xBF<p>a</p>\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "scrhtm.ini"));

  for (const char* source : {"doc.rtf", "doc.pdf"}) {
    r = dir.RunScrcmd({source, "out.txt"});
    EXPECT_EQ(r.exitStatus, 255) << source;
    EXPECT_EQ(r.out, "Convert dll file load error\r\n");
  }
  r = dir.RunScrcmd({"-thlp", "page.html", "out.txt"});
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

}  // namespace
}  // namespace scrivtar
