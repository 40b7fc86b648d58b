// The batch conversion run over real samples: eligibility, progress, target names, the
// file-exists policies with the prompt answered here, result messages, log lines, cancel.
#include <gtest/gtest.h>

#include <filesystem>

#include "ActivityLog.h"
#include "BatchRun.h"
#include "DesktopSettings.h"
#include "FileList.h"
#include "TestSupport.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Applies results to its own list, as a window would on its thread, and logs them.
class Recorder : public RunObserver {
 public:
  Recorder(std::vector<FileEntry>& entries, const ActivityLog& log)
      : entries_(entries), log_(log) {}
  void OnRunStart(int32_t total) override { total_ = total; }
  void OnProgressStep(int32_t position) override { position_ = position; }
  void OnEntryResult(size_t index, const FileEntry& entry) override {
    entries_[index] = entry;
    if (cancelAfterResults_ && ++results_ >= cancelAfterResults_) cancel_ = true;
  }
  void OnLog(const std::string& message) override {
    lines_.push_back(message);
    log_.LogActivity(message, false);
  }
  FileExistsAnswer OnFileExists(const std::string& target) override {
    prompted_.push_back(target);
    return answer_;
  }
  bool CancelRequested() override { return cancel_; }

  std::vector<FileEntry>& entries_;
  const ActivityLog& log_;
  int32_t total_ = -1, position_ = 0;
  int results_ = 0, cancelAfterResults_ = 0;
  bool cancel_ = false;
  FileExistsAnswer answer_ = FileExistsAnswer::kCancel;
  std::vector<std::string> lines_, prompted_;
};

struct RunFixture : ::testing::Test {
  TempDir dir;
  Engine engine{EngineConfig{test::BinDir(), nullptr}};
  DesktopSettings settings;
  ActivityLog log{dir / "scrivact.log", UserLocale::EnUs(), [] { return std::time_t{0}; }};
  std::vector<FileEntry> entries;
  Recorder recorder{entries, log};

  void SetUp() override {
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    settings.TargetDir = (dir / "out").string() + "/";
  }
  std::string In(const std::string& name) { return (dir / "in" / name).string(); }
  std::string Out(const std::string& name) { return (dir / "out" / name).string(); }
  // An entry for a copy of a sample under a new name.
  FileEntry Entry(const std::string& sample, const std::string& name, const std::string& type,
                  int32_t state = kStateNew) {
    if (!sample.empty()) {
      std::filesystem::copy_file(std::filesystem::path(SCRIVTAR_SOURCE_DIR) / "samples" / sample,
                                 In(name), std::filesystem::copy_options::overwrite_existing);
    }
    return FileEntry{state, false, name, In(name), "1", type, "old target", ""};
  }
  RunSummary Run(RunMode mode = RunMode::kConvertAll, int32_t codePage = 65001) {
    return RunConversion(engine, entries, mode, MakeRunParameters(settings, codePage), recorder);
  }
};

TEST_F(RunFixture, EmptyListDoesNothing) {
  RunSummary s = Run();
  EXPECT_FALSE(s.Ran);
  EXPECT_TRUE(recorder.lines_.empty());
  EXPECT_EQ(recorder.total_, -1);
}

TEST_F(RunFixture, AllConvertedAlready) {
  for (int i = 0; i < 3; ++i) entries.push_back(Entry("", "x.doc", "DOC", kStateConverted));
  RunSummary s = Run();
  EXPECT_EQ(s.Succeeded + s.Failed, 0);
  EXPECT_EQ(recorder.position_, 3);
  EXPECT_EQ(recorder.total_, 3);
  EXPECT_EQ(recorder.lines_,
            (std::vector<std::string>{"Conversion start...",
                                      "Conversion end. Successful: 0, Failed: 0, Total: 0\r\n"}));
}

TEST_F(RunFixture, ConvertSelectedTakesOneOfThree) {
  entries = {Entry("letter.doc", "a.doc", "DOC"), Entry("letter.doc", "b.doc", "DOC"),
             Entry("letter.doc", "c.doc", "DOC")};
  entries[1].Selected = true;
  RunSummary s = Run(RunMode::kConvertSelected);
  EXPECT_EQ(s.Succeeded, 1);
  EXPECT_EQ(recorder.position_, 1);
  EXPECT_EQ(entries[1].State, kStateConverted);
  EXPECT_EQ(entries[1].Target, Out("b.txt"));
  EXPECT_EQ(entries[1].Message, "Convert successfully");
  EXPECT_EQ(entries[0].State, kStateNew);
  EXPECT_FALSE(std::filesystem::exists(Out("a.txt")));
  // ReConvert Selected takes it again; Convert Selected no longer does.
  EXPECT_EQ(Run(RunMode::kConvertSelected).Succeeded, 0);
  settings.FileOverTp = kOverwrite;
  EXPECT_EQ(Run(RunMode::kReConvertSelected).Succeeded, 1);
}

TEST_F(RunFixture, FileExistsPolicies) {
  struct Case {
    uint8_t policy;
    FileExistsAnswer answer;
    std::string target;  // "" when skipped
    bool prompted;
    bool stops;
  } cases[] = {
      {kAutoRename, FileExistsAnswer::kCancel, "a(2).txt", false, false},
      {kOverwrite, FileExistsAnswer::kCancel, "a.txt", false, false},
      {kCancelExisting, FileExistsAnswer::kCancel, "", false, false},
      {7, FileExistsAnswer::kCancel, "", false, false},
      {kPrompt, FileExistsAnswer::kAutoRename, "a(2).txt", true, false},
      {kPrompt, FileExistsAnswer::kOverwrite, "a.txt", true, false},
      {kPrompt, FileExistsAnswer::kCancel, "", true, false},
      {kPrompt, FileExistsAnswer::kStopConvert, "", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.policy));
    WriteFileBytes(Out("a.txt"), "old");
    WriteFileBytes(Out("a(1).txt"), "old");
    std::filesystem::remove(Out("a(2).txt"));
    entries = {Entry("letter.doc", "a.doc", "DOC")};
    recorder.prompted_.clear();
    recorder.lines_.clear();
    recorder.position_ = 0;
    recorder.answer_ = c.answer;
    settings.FileOverTp = c.policy;
    RunSummary s = Run();
    EXPECT_EQ(recorder.prompted_.size(), c.prompted ? 1u : 0u);
    EXPECT_EQ(s.Stopped, c.stops);
    if (!c.target.empty()) {
      EXPECT_EQ(entries[0].State, kStateConverted);
      EXPECT_EQ(entries[0].Target, Out(c.target));
      EXPECT_NE(ReadFileBytes(Out(c.target)), "old");
    } else if (c.stops) {
      EXPECT_EQ(entries[0].State, kStateNew);  // untouched
      EXPECT_EQ(recorder.position_, 0);
    } else {
      EXPECT_EQ(entries[0].State, kStateFailed);
      EXPECT_EQ(entries[0].Message, "Target file already exists, user canceled");
      EXPECT_EQ(entries[0].Target, "old target");
      EXPECT_EQ(recorder.lines_[1],
                "Failed: Target file already exists, user canceled (old target)");
      EXPECT_EQ(ReadFileBytes(Out("a.txt")), "old");
      EXPECT_FALSE(std::filesystem::exists(Out("a(2).txt")));
    }
  }
}

TEST_F(RunFixture, TargetNames) {
  settings.TargetDir = "/d/out/";
  EXPECT_EQ(TargetPathFor("/c/in/report.final.doc", settings), "/d/out/report.final.txt");
  EXPECT_EQ(TargetPathFor("/c/in/README", settings), "/d/out/README.txt");
  EXPECT_EQ(TargetPathFor("/c/in.d/README", settings), "/d/out/README.txt");
  settings.SameDir = true;
  EXPECT_EQ(TargetPathFor("/c/in.d/README", settings), "/c/in.d/README.txt");
  EXPECT_EQ(TargetPathFor("/c/in/a.b.doc", settings), "/c/in/a.b.txt");
}

TEST_F(RunFixture, ReadmeWithoutExtensionIsWrittenAsReadmeTxt) {
  entries = {Entry("letter.doc", "README", "DOC")};
  EXPECT_EQ(Run().Succeeded, 1);
  EXPECT_TRUE(std::filesystem::exists(Out("README.txt")));
}

TEST_F(RunFixture, FailuresAndTheirMessages) {
  entries = {Entry("letter.doc", "ok.doc", "DOC"), Entry("", "gone.doc", "DOC"),
             Entry("letter.doc", "odd.xyz", "XYZ"), Entry("", "bad.doc", "DOC")};
  WriteFileBytes(In("bad.doc"), "not a Word document at all");
  RunSummary s = Run();
  EXPECT_EQ(s.Succeeded, 1);
  EXPECT_EQ(s.Failed, 3);
  EXPECT_EQ(entries[1].Message, "Source file does not exist");
  EXPECT_EQ(entries[2].Message, "File type not support");
  EXPECT_EQ(entries[3].State, kStateFailed);
  EXPECT_EQ(recorder.position_, 4);
  EXPECT_EQ(recorder.lines_,
            (std::vector<std::string>{"Conversion start...",
                                      "Convert successfully (" + In("ok.doc") + ")",
                                      "Failed: Source file does not exist (" + In("gone.doc") + ")",
                                      "Failed: File type not support (" + In("odd.xyz") + ")",
                                      "Failed: " + entries[3].Message + " (" + In("bad.doc") + ")",
                                      "Conversion end. Successful: 1, Failed: 3, Total: 4\r\n"}));
}

TEST_F(RunFixture, OneSuccessOneFailureLogsFourRecordsAndAnEmptyLine) {
  entries = {Entry("letter.doc", "ok.doc", "DOC"), Entry("", "gone.doc", "DOC")};
  Run();
  log.LogActivity("next", false);
  std::string text = log.ReadText();
  std::string end = log.RecordText("Conversion end. Successful: 1, Failed: 1, Total: 2");
  EXPECT_NE(text.find(end + "\r\n\r\n" + log.RecordText("next") + "\r\n"), std::string::npos);
  size_t records = 0;
  for (size_t p = text.find("]: "); p != std::string::npos; p = text.find("]: ", p + 1)) ++records;
  EXPECT_EQ(records, 5u);
}

TEST_F(RunFixture, CancelLetsTheCurrentEntryFinish) {
  entries = {Entry("letter.doc", "a.doc", "DOC"), Entry("letter.doc", "b.doc", "DOC"),
             Entry("letter.doc", "c.doc", "DOC")};
  recorder.cancelAfterResults_ = 1;
  RunSummary s = Run();
  EXPECT_TRUE(s.Cancelled);
  EXPECT_EQ(entries[0].State, kStateConverted);
  EXPECT_EQ(entries[1].State, kStateNew);
  EXPECT_EQ(recorder.lines_.back(), "Conversion end. Successful: 1, Failed: 0, Total: 1\r\n");
}

TEST_F(RunFixture, DocThatIsRtfEndsTypedRtf) {
  entries = {Entry("letter.rtf", "letter.doc", "DOC")};
  EXPECT_EQ(Run().Succeeded, 1);
  EXPECT_EQ(entries[0].Type, "RTF");
  EXPECT_FALSE(ReadFileBytes(Out("letter.txt")).empty());
}

TEST_F(RunFixture, UnwritableTargetAndMissingDirectories) {
  settings.TargetDir = (dir / "out" / "new" / "deeper").string() + "/";
  entries = {Entry("letter.doc", "a.doc", "DOC")};
  EXPECT_EQ(Run().Succeeded, 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "new" / "deeper" / "a.txt"));

  settings.TargetDir = "/proc/scrivtar-no/";
  entries = {Entry("letter.doc", "a.doc", "DOC")};
  recorder.lines_.clear();
  EXPECT_EQ(Run().Failed, 1);
  EXPECT_EQ(entries[0].Message, "Target file create error");
  EXPECT_EQ(recorder.lines_[1], "Failed: Target file create error (/proc/scrivtar-no/a.txt)");
}

TEST_F(RunFixture, AtomicWriteLeavesNoTemporaryFile) {
  const uint8_t bytes[] = {'h', 'i'};
  EXPECT_EQ(WriteTextFileAtomically(Out("w.txt"), bytes, 2), 0);
  EXPECT_EQ(ReadFileBytes(Out("w.txt")), "hi");
  std::filesystem::create_directory(Out("dir.txt"));
  EXPECT_EQ(WriteTextFileAtomically(Out("dir.txt"), bytes, 2), kTargetCreateError);
  size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir / "out")) files += e.exists();
  EXPECT_EQ(files, 2u);
}

TEST_F(RunFixture, CodePageTheEngineCannotWrite) {
  entries = {Entry("letter.doc", "a.doc", "DOC")};
  settings.SourceCode = 123456;
  EXPECT_EQ(Run().Failed, 1);
  EXPECT_EQ(entries[0].Message, "Output code page not supported");
  EXPECT_FALSE(std::filesystem::exists(Out("a.txt")));
}

}  // namespace
}  // namespace scrivtar
