// Settings file, activity log, job file, file list and directory scan of the desktop core.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "ActivityLog.h"
#include "DesktopSettings.h"
#include "FileList.h"
#include "JobFile.h"
#include "TestSupport.h"
#include "VtFileFind.h"
#include "scrivtar/HostText.h"

namespace scrivtar {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const DesktopPaths kPaths{"/prog/", "/home/u/Documents/"};

std::string Utf16Le(std::string_view utf8) {
  std::string out;
  for (char16_t u : BytesToUtf16Escaped(utf8)) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

TEST(Settings, FirstStartGivesEveryDefault) {
  TempDir dir;
  DesktopSettings s = LoadSettings(dir / "Scrivtar.dat", kPaths, 1252);
  EXPECT_FALSE(s.SameDir);
  EXPECT_EQ(s.TargetDir, "/home/u/Documents/");
  EXPECT_EQ(s.AddDir, "/home/u/Documents/");
  EXPECT_EQ(EffectiveFileOverType(s.FileOverTp), kAutoRename);
  EXPECT_EQ(s.SourceCode, 0);
  for (int i = 0; i < kFileTypeCount; ++i) {
    EXPECT_TRUE(s.UserFileExt[i].empty());
    EXPECT_TRUE(s.SelExt[i]);
  }
  EXPECT_FALSE(s.Recursive);
  EXPECT_FALSE(s.PageBreak);
  EXPECT_EQ(s.TextOrder, kReadingOrder);
  EXPECT_EQ(s.KeepRaw, 0);
  EXPECT_FALSE(s.NotLog);
  EXPECT_EQ(RebuildExtensionLookup(s).SupportedMasks,
            "*.pdf;*.doc;*.xls;*.ppt;*.docx;*.xlsx;*.pptx;*.rtf;*.htm;*.html;*.hlp;");
}

TEST(Settings, FileTextHasEveryKeyInOrder) {
  DesktopSettings s = DefaultSettings(kPaths);
  s.UserFileExt[8] = "*.xhtml";
  std::string expected =
      "[general]\r\nsamedir=0\r\ntargetdir=/home/u/Documents/\r\nadddir=/home/u/Documents/\r\n"
      "fileovertp=0\r\nsourcecode=0\r\ntargetcode=0\r\n";
  for (int i = 1; i <= 10; ++i) {
    expected += "userfileext" + std::to_string(i) + "=" + (i == 9 ? "*.xhtml" : "") + "\r\n";
  }
  for (int i = 1; i <= 10; ++i) expected += "selext" + std::to_string(i) + "=1\r\n";
  expected += "recursive=0\r\npagebreak=0\r\ntextorder=0\r\nkeepraw=0\r\nnotlog=0\r\n";
  EXPECT_EQ(SettingsFileText(s, 1252), expected);
}

TEST(Settings, SaveAndLoadKeepEveryValue) {
  TempDir dir;
  DesktopSettings s = DefaultSettings(kPaths);
  s.SameDir = true;
  s.TargetDir = "/data/Отчёты 报告/";  // outside any single-byte code page
  s.AddDir = "/a;/b";
  s.FileOverTp = 2;
  s.SourceCode = 1251;
  s.TargetCode = -7;
  s.UserFileExt[1] = "*.dot;*.wiz";
  s.SelExt[3] = false;
  s.Recursive = s.PageBreak = s.NotLog = true;
  s.TextOrder = 2;
  s.KeepRaw = 5;
  ASSERT_TRUE(SaveSettings(dir / "Scrivtar.dat", s, 1252));
  DesktopSettings back = LoadSettings(dir / "Scrivtar.dat", kPaths, 1252);
  EXPECT_EQ(back.TargetDir, s.TargetDir);
  EXPECT_EQ(SettingsFileText(back, 1252), SettingsFileText(s, 1252));
}

TEST(Settings, ValuesThatDoNotParseAndOutOfRangeValues) {
  struct Case {
    std::string text;
    uint8_t fileOverTp;
    FileOverType policy;
    int32_t textOrder;
    bool sameDir;
  } cases[] = {
      {"[general]\nfileovertp=7\n", 7, kCancelExisting, 0, false},
      {"[general]\nfileovertp=abc\ntextorder=1x\n", 0, kAutoRename, 0, false},
      {"[GENERAL]\r\nfileovertp=1\r\ntextorder=1\r\nsamedir=5\r\n", 1, kOverwrite, 1, true},
      {"[other]\nfileovertp=1\nsamedir=1\n", 0, kAutoRename, 0, false},
      {"fileovertp=2\n", 0, kAutoRename, 0, false},
      {"[general]\nfileovertp=258\n", 2, kPrompt, 0, false},  // one byte, as stored
  };
  for (const Case& c : cases) {
    DesktopSettings s = ParseSettingsText(c.text, kPaths, 1252);
    EXPECT_EQ(s.FileOverTp, c.fileOverTp) << c.text;
    EXPECT_EQ(EffectiveFileOverType(s.FileOverTp), c.policy) << c.text;
    EXPECT_EQ(s.TextOrder, c.textOrder) << c.text;
    EXPECT_EQ(s.SameDir, c.sameDir) << c.text;
  }
}

TEST(Settings, ValuesAreCutAt2047Bytes) {
  std::string longDir(3000, 'x');
  DesktopSettings s = ParseSettingsText("[general]\ntargetdir=" + longDir + "\n", kPaths, 1252);
  EXPECT_EQ(s.TargetDir, std::string(2047, 'x'));
}

TEST(Settings, UserExtensionsInTheLookup) {
  DesktopSettings s = DefaultSettings(kPaths);
  s.UserFileExt[8] = "*.XHTML";
  s.UserFileExt[1] = "*.pdf";
  ExtensionLookup lookup = RebuildExtensionLookup(s);
  EXPECT_NE(lookup.SupportedMasks.find("*.html;*.xhtml;*.hlp;"), std::string::npos);
  struct {
    const char* ext;
    int type;
  } cases[] = {{".PDF", 1}, {".pdf", 1}, {".html", 9}, {".XHTML", 9}, {".docx", 5},
               {".do", 0},  {"", 0},     {".hlp", 10}, {".Doc", 2}};
  for (const auto& c : cases) EXPECT_EQ(FileTypeOfExtension(lookup, c.ext), c.type) << c.ext;
}

TEST(Settings, ProgramDirFallsBackToTheConfigDirectory) {
  TempDir dir;
  DesktopEnvironment env;
  env.Home = (dir / "home").string();
  env.XdgConfigHome = (dir / "config").string();
  std::filesystem::create_directories(dir / "home" / "Docs");
  env.XdgDocumentsDir = (dir / "home" / "Docs").string();

  env.ExecutableDir = dir / "bin";
  std::filesystem::create_directories(env.ExecutableDir);
  EXPECT_EQ(ResolveDesktopPaths(env).ProgramDir, (dir / "bin").string() + "/");
  EXPECT_EQ(ResolveDesktopPaths(env).DocumentsDir, (dir / "home" / "Docs").string() + "/");

  // /proc takes no new files, not even from root; chmod would not stop root.
  env.ExecutableDir = "/proc";
  DesktopPaths paths = ResolveDesktopPaths(env);
  EXPECT_EQ(paths.ProgramDir, (dir / "config" / "scrivtar").string() + "/");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "config" / "scrivtar"));

  env.XdgConfigHome.clear();
  env.XdgDocumentsDir = (dir / "missing").string();
  paths = ResolveDesktopPaths(env);
  EXPECT_EQ(paths.ProgramDir, (dir / "home" / ".config" / "scrivtar").string() + "/");
  EXPECT_EQ(paths.DocumentsDir, env.Home + "/");
}

TEST(Settings, UnwritableSettingsFileIsReported) {
  std::string error;
  EXPECT_FALSE(SaveSettings("/proc/Scrivtar.dat", DefaultSettings(kPaths), 1252, &error));
  EXPECT_FALSE(error.empty());
}

ActivityLog FixedLog(const std::filesystem::path& file) {
  // 2026-03-05 14:07:09 UTC; the record shows local time, so the test uses TZ-free parts only.
  return ActivityLog(file, UserLocale::EnUs(), [] { return std::time_t{1772719629}; });
}

TEST(ActivityLogTest, FirstRecordStartsWithTheMark) {
  TempDir dir;
  ActivityLog log = FixedLog(dir / "scrivact.log");
  ASSERT_TRUE(log.LogActivity("Conversion start...", false));
  std::string bytes = ReadFileBytes(dir / "scrivact.log");
  std::string record = log.RecordText("Conversion start...");
  EXPECT_EQ(bytes, std::string("\xFF\xFE", 2) + Utf16Le(record + "\r\n"));
  EXPECT_EQ(record.front(), '[');
  EXPECT_NE(record.find("/2026 "), std::string::npos);  // M/d/yyyy h:mm:ss tt
  EXPECT_NE(record.find(" PM]: Conversion start..."), std::string::npos);
}

TEST(ActivityLogTest, NotLoggingLeavesTheFileUntouched) {
  TempDir dir;
  ActivityLog log = FixedLog(dir / "scrivact.log");
  ASSERT_TRUE(log.LogActivity("one", false));
  std::string before = ReadFileBytes(dir / "scrivact.log");
  EXPECT_TRUE(log.LogActivity("two", true));
  EXPECT_EQ(ReadFileBytes(dir / "scrivact.log"), before);
  ASSERT_TRUE(log.LogActivity("three", false));
  EXPECT_EQ(log.ReadText(), log.RecordText("one") + "\r\n" + log.RecordText("three") + "\r\n");
}

TEST(ActivityLogTest, UnwritableLogFailsQuietly) {
  ActivityLog log = FixedLog("/proc/scrivact.log");
  EXPECT_FALSE(log.LogActivity("x", false));
  EXPECT_EQ(log.ReadText(), "");
}

TEST(ActivityLogTest, ExportAndClear) {
  TempDir dir;
  ActivityLog log = FixedLog(dir / "scrivact.log");
  log.LogActivity("a", false);
  ASSERT_TRUE(ActivityLog::ExportText(dir / "out.log", log.ReadText()));
  EXPECT_EQ(ReadFileBytes(dir / "out.log"), ReadFileBytes(dir / "scrivact.log"));
  EXPECT_TRUE(log.Clear());
  EXPECT_FALSE(std::filesystem::exists(dir / "scrivact.log"));
}

std::vector<FileEntry> ThreeEntries() {
  return {
      {1, false, "a.doc", "/in/a.doc", "1234", "DOC", "/out/a.txt", "Convert successfully"},
      {2, false, "b é.pdf", "/in/b é.pdf", "99", "PDF", "/out/b é.txt", "File format not correct"},
      {0, false, "c.mht", "/in/\xFF c.mht", "0", "MHT", "/out/c.txt", ""},
  };
}

TEST(JobFile, ThreeEntriesRoundTrip) {
  TempDir dir;
  ASSERT_TRUE(SaveJobFile(dir / "Scrivtar.job", ThreeEntries()));
  JobFileContents back = LoadJobFile(dir / "Scrivtar.job", 1252);
  EXPECT_EQ(back.Status, JobFileStatus::kRead);
  EXPECT_EQ(back.Entries, ThreeEntries());
  std::string bytes = ReadFileBytes(dir / "Scrivtar.job");
  EXPECT_EQ(bytes.substr(0, 5), std::string("LFW\x03\x00", 5));
  EXPECT_EQ(bytes.substr(5, 8), std::string("\x06\x00\x01\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(bytes.substr(13, 12), std::string("\x0A\x00", 2) + Utf16Le("a.doc"));
  EXPECT_EQ(JobFileBytes({}), std::string("LFW\0\0", 5));
}

TEST(JobFile, LegacyFormInTheSystemCodePage) {
  std::string bytes("LVF\x01\x00\x06\x00\x02\x00\x00\x00\x00\x00", 13);
  for (std::string text : {"caf\xE9.doc", "/in/caf\xE9.doc", "7", "DOC", "/out/x.txt", "m"}) {
    bytes.push_back(static_cast<char>(text.size()));
    bytes.push_back(0);
    bytes += text;
  }
  JobFileContents c = ParseJobFile(bytes, 1252);
  ASSERT_EQ(c.Status, JobFileStatus::kRead);
  ASSERT_EQ(c.Entries.size(), 1u);
  EXPECT_EQ(c.Entries[0].State, 2);
  EXPECT_EQ(c.Entries[0].Name, "café.doc");
  EXPECT_EQ(c.Entries[0].Source, "/in/café.doc");
  EXPECT_EQ(c.Entries[0].Message, "m");
}

TEST(JobFile, DamagedFilesGiveAPartialOrEmptyList) {
  std::string good = JobFileBytes(ThreeEntries());
  EXPECT_EQ(ParseJobFile(good.substr(0, good.size() - 3), 1252).Entries.size(), 2u);
  EXPECT_EQ(ParseJobFile(good.substr(0, good.size() - 3), 1252).Status, JobFileStatus::kDamaged);
  EXPECT_EQ(ParseJobFile(good.substr(0, 4), 1252).Entries.size(), 0u);
  EXPECT_EQ(ParseJobFile("XYZ" + good.substr(3), 1252).Status, JobFileStatus::kBadSignature);
  EXPECT_TRUE(ParseJobFile("XYZ" + good.substr(3), 1252).Entries.empty());
  std::string random;
  uint32_t x = 12345;
  for (int i = 0; i < 4096; ++i) {
    x = x * 1103515245 + 12345;
    random.push_back(static_cast<char>(x >> 24));
  }
  EXPECT_LE(ParseJobFile("LFW" + random, 1252).Entries.size(), 4096u);
  TempDir dir;
  EXPECT_EQ(LoadJobFile(dir / "none.job", 1252).Status, JobFileStatus::kMissing);
}

TEST(JobFile, LongListsAndLongTextsAreSavedSoundly) {
  std::vector<FileEntry> many(70000);
  for (size_t i = 0; i < many.size(); ++i) many[i].Name = std::to_string(i);
  many[5].Message = std::string(40000, 'm');
  JobFileContents back = ParseJobFile(JobFileBytes(many), 1252);
  EXPECT_EQ(back.Status, JobFileStatus::kRead);
  ASSERT_EQ(back.Entries.size(), many.size());
  EXPECT_EQ(back.Entries[69999].Name, "69999");
  EXPECT_EQ(back.Entries[5].Message, std::string(kJobFileMaxTextUnits, 'm'));
}

struct ListFixture : ::testing::Test {
  TempDir dir;
  DesktopSettings settings = DefaultSettings(kPaths);
  ExtensionLookup lookup = RebuildExtensionLookup(settings);
  ActivityLog log = FixedLog(dir / "scrivact.log");
  AddContext context{settings, lookup, &log};
  FileList list;
};

TEST_F(ListFixture, DuplicateAndTypeRefusals) {
  WriteFileBytes(dir / "x.doc", "12345");
  std::string path = (dir / "x.doc").string();
  AddOutcome first = list.AddFileToList(path, context);
  EXPECT_EQ(first.Result, AddResult::kAdded);
  ASSERT_EQ(list.FileCount(), 1);
  const FileEntry& e = list.entries()[0];
  EXPECT_EQ(e, (FileEntry{0, true, "x.doc", path, "5", "DOC", "/home/u/Documents/x.txt", ""}));

  std::string same = dir.path().string() + "/./sub/../x.doc";
  AddOutcome dup = list.AddFileToList(same, context);
  EXPECT_EQ(dup.Result, AddResult::kAlreadyAdded);
  EXPECT_EQ(dup.StatusText, "File [" + same + "] already added!");
  // Linux names are case-sensitive: X.DOC is another file.
  EXPECT_EQ(list.AddFileToList((dir / "X.DOC").string(), context).Result, AddResult::kAdded);
  EXPECT_EQ(list.entries()[1].Size, "0");

  AddOutcome bad = list.AddFileToList("/in/y.do", context);
  EXPECT_EQ(bad.Result, AddResult::kTypeNotSupported);
  EXPECT_EQ(bad.StatusText, "File [/in/y.do] type not support!");
  EXPECT_EQ(list.FileCount(), 2);
  EXPECT_EQ(log.ReadText(),
            log.RecordText("Add file failed: already added (" + same + ")") + "\r\n" +
                log.RecordText("Add file failed: type not support (/in/y.do)") + "\r\n");
}

TEST_F(ListFixture, SortBySizeTwiceThenByName) {
  list.Assign({{0, false, "b", "/b", "20", "DOC", "", ""},
               {0, false, "C", "/c", "3", "DOC", "", ""},
               {0, false, "a", "/a", "100", "DOC", "", ""}});
  auto names = [&] {
    std::string s;
    for (const FileEntry& e : list.entries()) s += e.Name;
    return s;
  };
  list.SortByColumn(3);
  EXPECT_EQ(names(), "Cba");
  EXPECT_EQ(list.Captions()[3], "(->)Size(Byte)");
  list.SortByColumn(3);
  EXPECT_EQ(names(), "abC");
  EXPECT_EQ(list.Captions()[3], "(<-)Size(Byte)");
  list.SortByColumn(1);
  EXPECT_EQ(names(), "abC");
  EXPECT_EQ(list.Captions()[3], "Size(Byte)");
  EXPECT_EQ(list.Captions()[1], "(->)Name");
}

TEST_F(ListFixture, SelectionDeleteAndEnabledStates) {
  list.Assign({{1, false, "a", "/a", "1", "DOC", "", ""},
               {0, false, "b", "/b", "1", "DOC", "", ""},
               {2, false, "c", "/c", "1", "DOC", "", ""}});
  ActionStates s = list.EnabledStates();
  EXPECT_TRUE(s.ConvertAll);
  EXPECT_FALSE(s.ConvertSelected || s.ReConvert || s.Delete);
  list.entries()[0].Selected = true;
  s = list.EnabledStates();
  EXPECT_TRUE(s.ReConvert && s.Delete);
  EXPECT_FALSE(s.ConvertSelected);
  EXPECT_EQ(list.SelectionText(), "Select 1 file(s).");
  list.SelectAll();
  EXPECT_EQ(list.SelectionText(), "Select 3 file(s).");
  list.entries()[1].Selected = false;
  EXPECT_EQ(list.DeleteSelected(), 2u);
  EXPECT_EQ(list.FileCountText(), "1 File(s)");
  EXPECT_EQ(list.entries()[0].Name, "b");
}

struct ScanFixture : ListFixture {
  std::vector<std::string> found;
  std::vector<std::string> folders;
  TVtFileSearch search;
  void SetUp() override {
    search.OnFileFind = [this](const std::string& folder, const FindInfo& info) {
      found.push_back(folder + info.Name);
      list.AddFileToList(folder + info.Name, context);
    };
    search.OnChangeFolder = [this](const std::string& folder) { folders.push_back(folder); };
  }
  std::string P(const std::string& name) { return (dir / name).string(); }
};

TEST_F(ScanFixture, OnlyHtmlTicked) {
  std::filesystem::create_directories(dir / "d" / "sub.pdf");
  for (const char* f : {"d/a.htm", "d/b.HTML", "d/c.txt", "d/.h.htm", "d/sub.pdf/e.htm", "d/f"}) {
    WriteFileBytes(dir / f, "x");
  }
  std::array<bool, 10> ticks{};
  ticks[8] = true;
  search.SearchExts = BuildSearchExts(ticks, settings.UserFileExt);
  EXPECT_EQ(search.SearchExts, "*.htm|*.html|");
  search.RecurseSubFolders = false;
  search.SearchDir = P("d");
  search.Execute();
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{P("d/a.htm"), P("d/b.HTML")}));

  found.clear();
  search.RecurseSubFolders = true;
  search.Execute();
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{P("d/a.htm"), P("d/b.HTML"), P("d/sub.pdf/e.htm")}));
  EXPECT_EQ(list.FileCount(), 3);  // the second pass added only e.htm
}

TEST_F(ScanFixture, TwoDirectoriesInOrderAndAStop) {
  for (const char* f : {"a/1.doc", "a/2.doc", "b/3.doc"}) {
    std::filesystem::create_directories((dir / f).parent_path());
    WriteFileBytes(dir / f, "x");
  }
  search.SearchExts = BuildSearchExts(settings);
  std::vector<std::string> dirs = SplitDirectoryList(P("a") + ";;" + P("b") + ";");
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_FALSE(ScanDirectories(search, dirs));
  EXPECT_EQ(folders, (std::vector<std::string>{P("a") + "/", P("b") + "/"}));
  EXPECT_EQ(found.back(), P("b/3.doc"));

  int32_t before = list.FileCount();
  EXPECT_FALSE(ScanDirectories(search, dirs));
  EXPECT_EQ(DoneScanningText(list.FileCount() - before), "Done Scanning, add 0 file(s).");

  found.clear();
  folders.clear();
  search.OnFileFind = [this](const std::string& folder, const FindInfo& info) {
    found.push_back(folder + info.Name);
    search.Stop();
  };
  EXPECT_TRUE(ScanDirectories(search, dirs));
  EXPECT_EQ(found.size(), 1u);
  EXPECT_EQ(folders, (std::vector<std::string>{P("a") + "/"}));
}

TEST_F(ScanFixture, SymbolicLinkLoopsEnd) {
  std::filesystem::create_directories(dir / "l" / "in");
  WriteFileBytes(dir / "l" / "in" / "x.rtf", "x");
  std::filesystem::create_directory_symlink(dir / "l", dir / "l" / "in" / "back");
  search.SearchExts = BuildSearchExts(settings);
  search.SearchDir = P("l");
  bool finished = false;
  search.OnFinish = [&] { finished = true; };
  search.Execute();
  EXPECT_TRUE(finished);
  EXPECT_EQ(found, (std::vector<std::string>{P("l/in/x.rtf")}));
  found.clear();
  search.SearchDir = P("missing");
  search.Execute();
  EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace scrivtar
