// End to end: the scrbatch process over a job file of every sample type, and its command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "ActivityLog.h"
#include "DesktopSettings.h"
#include "JobFile.h"
#include "TestSupport.h"

namespace scrivtar {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::RunProcess;
using test::TempDir;
using test::WriteFileBytes;

// A program directory of its own: scrbatch and the filter libraries, so the settings, the job
// file and the log land in the test's folder.
struct ScrbatchFixture : ::testing::Test {
  TempDir dir;
  fs::path bin = dir / "bin";
  void SetUp() override {
    fs::create_directories(bin);
    for (const auto& e : fs::directory_iterator(test::BinDir())) {
      std::string name = e.path().filename().string();
      if (name == "scrbatch" || e.path().extension() == ".so") fs::copy_file(e.path(), bin / name);
    }
  }
  test::ProcessResult Scrbatch(const std::vector<std::string>& args) {
    return RunProcess(bin / "scrbatch", args, dir.path());
  }
};

TEST_F(ScrbatchFixture, JobFileOfEverySampleType) {
  fs::create_directories(dir / "in");
  std::vector<FileEntry> entries;
  for (const auto& e : fs::directory_iterator(fs::path(SCRIVTAR_SOURCE_DIR) / "samples")) {
    fs::copy_file(e.path(), dir / "in" / e.path().filename());
    std::string type = e.path().extension().string().substr(1);
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string source = (dir / "in" / e.path().filename()).string();
    entries.push_back({0, false, e.path().filename().string(), source, "0", type, "", ""});
  }
  ASSERT_GE(entries.size(), 11u);
  ASSERT_TRUE(SaveJobFile(bin / "Scrivtar.job", entries));
  WriteFileBytes(bin / "Scrivtar.dat",
                 "[general]\r\ntargetdir=" + (dir / "out").string() + "/\r\nsourcecode=65001\r\n");
  std::string settingsBefore = ReadFileBytes(bin / "Scrivtar.dat");

  test::ProcessResult r = Scrbatch({});
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
  size_t outputs = 0;
  for (const auto& e : fs::directory_iterator(dir / "out")) {
    EXPECT_GT(fs::file_size(e.path()), 3u) << e.path();  // more than the UTF-8 mark
    ++outputs;
  }
  EXPECT_EQ(outputs, entries.size());

  JobFileContents saved = LoadJobFile(bin / "Scrivtar.job", 1252);
  ASSERT_EQ(saved.Entries.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(saved.Entries[i].Source, entries[i].Source);
    EXPECT_EQ(saved.Entries[i].State, kStateConverted) << saved.Entries[i].Source;
    EXPECT_EQ(saved.Entries[i].Message, "Convert successfully");
    EXPECT_TRUE(fs::exists(saved.Entries[i].Target));
  }
  ActivityLog log(bin / "scrivact.log", UserLocale::EnUs());
  std::string text = log.ReadText();
  EXPECT_EQ(ReadFileBytes(bin / "scrivact.log").substr(0, 2), "\xFF\xFE");
  EXPECT_NE(text.find("]: Conversion start...\r\n"), std::string::npos);
  EXPECT_NE(text.find("]: Conversion end. Successful: " + std::to_string(entries.size()) +
                      ", Failed: 0, Total: " + std::to_string(entries.size()) + "\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("Convert successfully (" + entries[0].Source + ")"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(bin / "Scrivtar.dat"), settingsBefore);  // flags and runs never save

  // A second run converts nothing and still succeeds.
  r = Scrbatch({});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.out.find("Successful: 0, Failed: 0, Total: 0"), std::string::npos);
}

TEST_F(ScrbatchFixture, SourcesWithFlags) {
  fs::create_directories(dir / "in" / "sub");
  fs::copy_file(fs::path(SCRIVTAR_SOURCE_DIR) / "samples" / "letter.doc", dir / "in" / "a.doc");
  fs::copy_file(fs::path(SCRIVTAR_SOURCE_DIR) / "samples" / "letter.doc",
                dir / "in" / "sub" / "b.doc");
  fs::copy_file(fs::path(SCRIVTAR_SOURCE_DIR) / "samples" / "sample.docx", dir / "in" / "c.docx");
  WriteFileBytes(dir / "in" / "x.do", "x");
  fs::create_directories(dir / "out");
  WriteFileBytes(dir / "out" / "a.txt", "old");

  test::ProcessResult r = Scrbatch({"--target-dir", "out", "--types", "doc", "-r", "--if-exists",
                                    "skip", "-c", "1252", "in", "in/x.do"});
  EXPECT_EQ(r.exitStatus, 1) << r.out;  // a.txt exists and is skipped
  EXPECT_NE(r.out.find("] type not support!"), std::string::npos);
  EXPECT_NE(r.out.find("Failed: Target file already exists, user canceled"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir / "out" / "a.txt"), "old");
  EXPECT_TRUE(fs::exists(dir / "out" / "b.txt"));
  EXPECT_FALSE(fs::exists(dir / "out" / "c.txt"));  // docx not ticked
  EXPECT_FALSE(fs::exists(bin / "Scrivtar.job"));   // sources alone leave the job file alone
  EXPECT_FALSE(fs::exists(bin / "Scrivtar.dat"));

  r = Scrbatch({"--target-dir", "out", "--if-exists", "rename", "in/a.doc"});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir / "out" / "a(1).txt"));
}

TEST_F(ScrbatchFixture, HelpAndBadCommandLines) {
  test::ProcessResult r = Scrbatch({"--help"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.out.find("Usage: scrbatch"), std::string::npos);
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--if-exists", "ask"},
                                             {"--bogus"},
                                             {"--types", "doc,zzz", "x"},
                                             {"-c"},
                                             {"-cabc", "x"}}) {
    r = Scrbatch(args);
    EXPECT_EQ(r.exitStatus, 1) << args[0];
    EXPECT_NE(r.err.find("Usage: scrbatch"), std::string::npos);
  }
}

}  // namespace
}  // namespace scrivtar
