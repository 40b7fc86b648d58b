// The zip reader against byte-level archives from the test-side builder and one real writer
// (Python's zipfile through a committed fixture would add nothing the builder cannot say).
#include "zip/VCLUnZip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "ZipBuilder.h"

namespace scrivtar {
namespace {

using test::TempDir;
using test::ZipBuilder;
using test::ZipEntrySpec;
using test::ZipLayout;

class ZipTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes, const std::string& name = "a.zip") {
    auto path = dir_ / name;
    test::WriteFileBytes(path, bytes);
    return path;
  }
  // Opens bytes as an archive and returns the reader.
  TVCLUnZip& Open(const std::string& bytes, const std::string& name = "a.zip") {
    zip_.SetZipName(Write(bytes, name));
    zip_.ReadDirectory();
    return zip_;
  }
  std::string Extract(std::string_view name, int* count) {
    std::string out;
    *count = zip_.ExtractToStream(out, name);
    return out;
  }

  TempDir dir_;
  TVCLUnZip zip_;
};

std::string BigText(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += "<row r=\"" + std::to_string(i) + "\"/>";
  s.resize(n);
  return s;
}

TEST_F(ZipTest, ExtractsStoredAndDeflatedEntriesByBackslashNameInAnyCase) {
  std::string doc = BigText(200000);
  Open(ZipBuilder()
           .Add("xl/worksheets/sheet1.xml", doc, 8)
           .Add("[Content_Types].xml", "<Types/>", 0)
           .Add("xl/", "", 0)
           .Build());
  ASSERT_EQ(zip_.EntryCount(), 3);
  EXPECT_EQ(zip_.Entry(0).directory, "xl\\worksheets\\");
  EXPECT_EQ(zip_.Entry(0).fileName, "sheet1.xml");
  for (const char* name : {"xl\\worksheets\\sheet1.xml", "XL\\WORKSHEETS\\SHEET1.XML",
                           "  xl\\worksheets\\sheet1.xml "}) {
    int count = -1;
    EXPECT_TRUE(Extract(name, &count) == doc) << name;
    EXPECT_EQ(count, 1);
  }
  int count = -1;
  EXPECT_EQ(Extract("[content_types].xml", &count), "<Types/>");
  EXPECT_EQ(count, 1);
  // Forward slashes are not the stored form; directory entries are never selected.
  EXPECT_EQ(Extract("xl/worksheets/sheet1.xml", &count), "");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Extract("xl\\", &count), "");
  EXPECT_EQ(count, 0);
}

TEST_F(ZipTest, AppendsToTheStreamAndIgnoresBlankNamesAndNullStreams) {
  Open(ZipBuilder().Add("a.txt", "abc").Build());
  std::string out = "pre:";
  EXPECT_EQ(zip_.ExtractToStream(out, "a.txt"), 1);
  EXPECT_EQ(out, "pre:abc");
  EXPECT_EQ(zip_.ExtractToStream(out, "   "), 0);
  EXPECT_EQ(zip_.ExtractToStream(nullptr, "a.txt"), 0);
  EXPECT_EQ(out, "pre:abc");
}

TEST_F(ZipTest, EndRecordSearchWindow) {
  std::string comment(65535, 'c');
  std::string archive = ZipBuilder().Add("a.txt", "abc").Comment(comment).Build();
  EXPECT_EQ(Open(archive).EntryCount(), 1);
  // One byte of junk after the longest comment puts the record out of the window.
  EXPECT_EQ(Open(archive + "x", "b.zip").EntryCount(), 0);
}

TEST_F(ZipTest, TheEndRecordNearestTheEndWins) {
  ZipLayout layout;
  std::string archive = ZipBuilder().Add("a.txt", "abc").Add("b.txt", "def").Build(&layout);
  // A second record after the first that describes only the second entry.
  std::string second =
      test::EndRecord(1, layout.centralSize - (46 + 5), layout.centralOffset + 46 + 5);
  archive.resize(archive.size());
  Open(archive + second);
  ASSERT_EQ(zip_.EntryCount(), 1);
  EXPECT_EQ(zip_.Entry(0).fileName, "b.txt");
}

TEST_F(ZipTest, FilesWithoutAnEndRecordHaveNoEntriesAndNoError) {
  for (const std::string& bytes :
       {std::string(), std::string("PK"), std::string(21, 'x'), std::string(5000, 'x'),
        std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(4000, '\0')}) {
    EXPECT_NO_THROW(Open(bytes));
    EXPECT_EQ(zip_.EntryCount(), 0);
  }
  zip_.IncompleteZipMode = TIncompleteZipMode::izAssumeNotAZip;
  EXPECT_THROW(Open(std::string(100, 'x')), ENotAZipFile);
  EXPECT_TRUE(zip_.ZipName().empty());
}

TEST_F(ZipTest, MissingArchiveRaisesAndClearsTheState) {
  zip_.SetZipName(dir_ / "missing.zip");
  EXPECT_THROW(zip_.ReadDirectory(), EFOpenError);
  EXPECT_TRUE(zip_.ZipName().empty());
  zip_.SetZipName(dir_.path());  // a directory is no archive either
  EXPECT_THROW(zip_.ReadDirectory(), EFOpenError);
}

TEST_F(ZipTest, DataDescriptorEntriesUseTheCentralSizes) {
  ZipEntrySpec e;
  e.name = "word/document.xml";
  e.data = BigText(50000);
  e.dataDescriptor = true;
  Open(ZipBuilder().Add(e).Add("b.txt", "b").Build());
  int count = 0;
  EXPECT_TRUE(Extract("word\\document.xml", &count) == e.data);
  EXPECT_EQ(count, 1);
}

TEST_F(ZipTest, EntriesThatDoNotCount) {
  struct Case {
    const char* what;
    ZipEntrySpec entry;
    bool bytesStay;  // the stream holds the data although the entry does not count
  };
  auto make = [](auto change) {
    ZipEntrySpec e;
    e.name = "p.xml";
    e.data = "<a>some text some text some text</a>";
    change(e);
    return e;
  };
  std::vector<Case> cases = {
      {"CRC mismatch", make([](ZipEntrySpec& e) { e.crc = 0x12345678; }), true},
      {"stored entry longer than declared", make([](ZipEntrySpec& e) {
         e.method = 0;
         e.uncompressedSize = 10;
       }),
       false},
      {"deflated entry longer than declared",
       make([](ZipEntrySpec& e) { e.uncompressedSize = 10; }), false},
      {"encrypted", make([](ZipEntrySpec& e) { e.extraFlags = 1; }), false},
      {"unknown method", make([](ZipEntrySpec& e) { e.method = 12; }), false},
  };
  for (const Case& c : cases) {
    Open(ZipBuilder().Add(c.entry).Build());
    int count = -1;
    std::string out = Extract("p.xml", &count);
    EXPECT_EQ(count, 0) << c.what;
    EXPECT_EQ(out, c.bytesStay ? c.entry.data : "") << c.what;
  }
}

TEST_F(ZipTest, DamagedDeflateDataDoesNotCount) {
  ZipLayout layout;
  std::string archive = ZipBuilder().Add("p.xml", BigText(10000)).Build(&layout);
  for (size_t i = layout.localOffsets[0] + 30 + 5; i < layout.localOffsets[0] + 60; ++i)
    archive[i] = '\xFF';
  Open(archive);
  int count = -1;
  EXPECT_EQ(Extract("p.xml", &count), "");
  EXPECT_EQ(count, 0);
}

TEST_F(ZipTest, TruncatedEntryRaisesPrematureEndAndKeepsTheDirectory) {
  ZipLayout layout;
  std::string archive = ZipBuilder().Add("a.xml", BigText(100000)).Add("b.txt", "b").Build(&layout);
  // Keep the directory but cut the first entry's data: the entry claims more than is there.
  std::string local = archive.substr(0, layout.localOffsets[0] + 30 + 5 + 100);
  std::string directory = archive.substr(layout.centralOffset, layout.centralSize);
  // Point b.txt's header at its real place is irrelevant: only a.xml is extracted.
  Open(local + directory +
       test::EndRecord(2, layout.centralSize, static_cast<uint32_t>(local.size())));
  ASSERT_EQ(zip_.EntryCount(), 2);
  std::string out;
  try {
    zip_.ExtractToStream(out, "a.xml");
    FAIL() << "no exception";
  } catch (const EFatalUnzipError& e) {
    EXPECT_STREQ(e.what(), "Premature end of file reached");
  }
  EXPECT_EQ(zip_.EntryCount(), 2);
}

TEST_F(ZipTest, DirectoryFromAZfcFile) {
  ZipLayout layout;
  std::string archive = ZipBuilder().Add("a.txt", "abc").Add("b.txt", "def").Build(&layout);
  std::string directory = archive.substr(layout.centralOffset, layout.centralSize);
  Write(directory + test::EndRecord(2, layout.centralSize, 0), "pkg.zfc");
  Open(archive.substr(0, layout.centralOffset), "pkg.zip");
  ASSERT_EQ(zip_.EntryCount(), 2);
  int count = 0;
  EXPECT_EQ(Extract("b.txt", &count), "def");
  EXPECT_EQ(count, 1);
}

TEST_F(ZipTest, AnnouncedExtraFieldThatIsNotThereIsTolerated) {
  ZipEntrySpec a;
  a.name = "a.txt";
  a.data = "abc";
  a.phantomCentralExtra = 9;
  ZipEntrySpec b;
  b.name = "b.txt";
  b.data = "def";
  b.centralExtra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
  Open(ZipBuilder().Add(a).Add(b).Build());
  ASSERT_EQ(zip_.EntryCount(), 2);
  EXPECT_EQ(zip_.Entry(0).centralExtraLength, 0);
  EXPECT_EQ(zip_.Entry(1).centralExtraLength, 9);
  int count = 0;
  EXPECT_EQ(Extract("b.txt", &count), "def");
}

TEST_F(ZipTest, RecoveryScanRebuildsADamagedDirectory) {
  ZipEntrySpec described;
  described.name = "word/document.xml";
  described.data = BigText(30000);
  described.dataDescriptor = true;  // zero sizes locally: found by searching on
  ZipLayout layout;
  std::string archive = ZipBuilder()
                            .Add("[Content_Types].xml", "<Types/>")
                            .Add(described)
                            .Add("z.txt", "zz")
                            .Build(&layout);
  std::string damaged = archive;
  damaged[layout.centralOffset + 46 + 19 + 3] = 'X';  // second central signature broken
  damaged[layout.centralOffset + 46 + 19] = 'X';
  Open(damaged);
  ASSERT_EQ(zip_.EntryCount(), 3);
  int count = 0;
  EXPECT_TRUE(Extract("word\\document.xml", &count) == described.data);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Extract("z.txt", &count), "zz");
  EXPECT_EQ(count, 1);

  // A directory whose offset points nowhere, with no local header anywhere: EBadZipFile.
  std::string garbage(3000, 'g');
  garbage += test::EndRecord(3, 100, 50);
  zip_.SetZipName(Write(garbage, "bad.zip"));
  EXPECT_THROW(zip_.ReadDirectory(), EBadZipFile);
  EXPECT_TRUE(zip_.ZipName().empty());
  EXPECT_EQ(zip_.EntryCount(), 0);
}

TEST_F(ZipTest, TwoEntriesAtOneOffsetTriggerTheRecoveryScan) {
  ZipLayout layout;
  std::string archive = ZipBuilder().Add("a.txt", "abc").Add("b.txt", "def").Build(&layout);
  // Make the second central header point at the first local header.
  size_t second = layout.centralOffset + 46 + 5;
  for (int i = 0; i < 4; ++i) archive[second + 42 + i] = 0;
  Open(archive);
  ASSERT_EQ(zip_.EntryCount(), 2);  // rebuilt from the local headers
  int count = 0;
  EXPECT_EQ(Extract("b.txt", &count), "def");
  EXPECT_EQ(count, 1);
}

TEST_F(ZipTest, BombsCostNoMoreThanTheirCompressedBytesJustify) {
  // 64 MiB of zeros deflate to about 64 KiB; the entry claims 4 GiB - 1 uncompressed.
  std::string zeros(64u << 20, '\0');
  ZipEntrySpec e;
  e.name = "bomb.xml";
  e.data = zeros;
  e.uncompressedSize = 0xFFFFFFFF;
  Open(ZipBuilder().Add(e).Build());
  std::string out;
  EXPECT_EQ(zip_.ExtractToStream(out, "bomb.xml"), 1);  // true size and CRC: it does count
  EXPECT_EQ(out.size(), zeros.size());
  // A central size far beyond the data: refused at the bound, stream unchanged.
  ZipEntrySpec liar;
  liar.name = "liar.xml";
  liar.data = std::string(1 << 20, 'a');
  liar.compressedSize = 100;
  Open(ZipBuilder().Add(liar).Build(), "liar.zip");
  out.clear();
  EXPECT_EQ(zip_.ExtractToStream(out, "liar.xml"), 0);
  EXPECT_LE(out.size(), 100u * 1032u);
}

TEST_F(ZipTest, DirectoryIsCachedUntilTheFileChanges) {
  auto path = Write(ZipBuilder().Add("a.txt", "abc").Build());
  zip_.SetZipName(path);
  zip_.ReadDirectory();
  ASSERT_EQ(zip_.EntryCount(), 1);
  zip_.SetZipName(path);  // the same name keeps the directory
  EXPECT_EQ(zip_.EntryCount(), 1);
  test::WriteFileBytes(path, ZipBuilder().Add("a.txt", "abc").Add("b.txt", "xyz").Build());
  std::filesystem::last_write_time(
      path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
  int count = 0;
  EXPECT_EQ(Extract("b.txt", &count), "xyz");  // reloaded before extracting
  EXPECT_EQ(zip_.EntryCount(), 2);
  zip_.SetZipName(dir_ / "other.zip");
  EXPECT_EQ(zip_.EntryCount(), 0);
}

TEST_F(ZipTest, OemNamesAreConvertedAndUtf8NamesKept) {
  ZipEntrySpec dos;
  dos.name = "\x84rger.txt";  // "ärger" in code page 437
  dos.data = "a";
  dos.versionMadeBy = 0x0014;
  ZipEntrySpec utf8;
  utf8.name = "\xC3\xA4pfel.txt";
  utf8.data = "b";
  utf8.versionMadeBy = 0x0014;
  utf8.extraFlags = 0x0800;
  Open(ZipBuilder().Add(dos).Add(utf8).Build());
  int count = 0;
  EXPECT_EQ(Extract("\xC3\xA4rger.txt", &count), "a");
  EXPECT_EQ(Extract("\xC3\xA4pfel.txt", &count), "b");
}

}  // namespace
}  // namespace scrivtar
