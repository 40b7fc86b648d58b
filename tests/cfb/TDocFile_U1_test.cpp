#include "cfb/TDocFile_U1.h"

#include <gtest/gtest.h>

#include <cstring>

#include "CfbBuilder.h"
#include "TestSupport.h"
#include "cfb/CompoundFile.h"

namespace scrivtar {
namespace {

using test::CfbBuilder;
using test::CfbImage;

// Deterministic bytes that differ from sector to sector, so misplaced sectors show.
std::string Pattern(size_t size, uint32_t seed = 1) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

// Opens a built image the way OpenDocFile opens a file, without the file.
std::unique_ptr<TDocFileStorage> OpenImage(const std::string& bytes) {
  cfb::OpenStatus status;
  auto compound =
      cfb::CompoundFile::Open(platform::FileBytes::FromCopy(bytes.data(), bytes.size()), &status);
  if (!compound) return nullptr;
  return std::make_unique<TDocFileStorage>(std::move(compound));
}

std::string ReadWhole(TDocFileStorage& storage, const std::string& name) {
  auto stream = storage.OpenStream(name, kDocFileReadMode);
  if (!stream) return "<missing>";
  std::vector<uint8_t> bytes = stream->ReadAll();
  return std::string(bytes.begin(), bytes.end());
}

TEST(CheckDocFile, TellsCompoundDocumentsFromEverythingElse) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "empty.doc", "");
  test::WriteFileBytes(dir / "text.doc", std::string(600, 'x'));
  test::WriteFileBytes(dir / "rtf.doc", "{\\rtf1 hello}");
  CfbImage image = CfbBuilder().AddStream("WordDocument", "abc").Build();
  test::WriteFileBytes(dir / "real.doc", image.bytes);
  test::WriteFileBytes(dir / "cut.doc", image.bytes.substr(0, 100));

  EXPECT_EQ(CheckDocFile(dir / "missing.doc"), -2);
  EXPECT_EQ(CheckDocFile(dir / "nodir" / "missing.doc"), -2);
  EXPECT_EQ(CheckDocFile(dir / "empty.doc"), -5);
  EXPECT_EQ(CheckDocFile(dir / "text.doc"), -5);
  EXPECT_EQ(CheckDocFile(dir / "rtf.doc"), -5);
  EXPECT_EQ(CheckDocFile(dir / "cut.doc"), -5);
  EXPECT_EQ(CheckDocFile(dir.path()), -5);
  EXPECT_EQ(CheckDocFile(dir / "real.doc"), 0);

  EXPECT_NE(OpenDocFile(dir / "real.doc", kDocFileReadMode), nullptr);
  EXPECT_EQ(OpenDocFile(dir / "text.doc", kDocFileReadMode), nullptr);
  EXPECT_EQ(OpenDocFile(dir / "missing.doc", kDocFileReadMode), nullptr);
}

TEST(OpenDocFile, RefusesAContainerWhoseHeaderIsNotSound) {
  test::TempDir dir;
  CfbImage image = CfbBuilder().AddStream("WordDocument", "abc").Build();
  image.bytes[0x1E] = 7;  // sector shift
  test::WriteFileBytes(dir / "bad.doc", image.bytes);
  EXPECT_EQ(CheckDocFile(dir / "bad.doc"), 0);
  EXPECT_EQ(OpenDocFile(dir / "bad.doc", kDocFileReadMode), nullptr);

  CfbImage noFat = CfbBuilder().AddStream("WordDocument", "abc").Build();
  noFat.SetHeaderField32(0x2C, 0);
  EXPECT_EQ(OpenImage(noFat.bytes), nullptr);
}

// Stream sizes around the mini-stream cutoff and sector boundaries, in both sector sizes.
TEST(TDocFileStream, ReadsStreamsOfEverySizeInBothVersions) {
  const size_t sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 512 * 9 + 7, 100000};
  for (int version : {3, 4}) {
    CfbBuilder builder(version);
    for (size_t size : sizes) builder.AddStream("S" + std::to_string(size), Pattern(size, size));
    CfbImage image = builder.Build();
    auto storage = OpenImage(image.bytes);
    ASSERT_NE(storage, nullptr) << version;
    for (size_t size : sizes) {
      std::string name = "S" + std::to_string(size);
      SCOPED_TRACE(name + " v" + std::to_string(version));
      auto stream = storage->OpenStream(name, kDocFileReadMode);
      ASSERT_NE(stream, nullptr);
      EXPECT_EQ(stream->Size(), static_cast<int64_t>(size));
      std::vector<uint8_t> all = stream->ReadAll();
      EXPECT_EQ(std::string(all.begin(), all.end()), Pattern(size, size));
      // Piecewise reads in odd chunks give the same bytes.
      std::string pieces;
      char chunk[77];
      int32_t got;
      while ((got = stream->Read(chunk, sizeof chunk)) > 0) pieces.append(chunk, got);
      EXPECT_EQ(pieces, Pattern(size, size));
      EXPECT_EQ(stream->Read(chunk, sizeof chunk), 0);
    }
  }
}

TEST(TDocFileStorage, FindsRootStreamsWithoutRegardToCaseOnly) {
  CfbImage image = CfbBuilder()
                       .AddStream("WordDocument", "word")
                       .AddStream("1Table", "table")
                       .AddStream(u"\u0005SummaryInformation", "summary")
                       .AddStream("ObjectPool/Inner", "inner")
                       .Build();
  auto storage = OpenImage(image.bytes);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(ReadWhole(*storage, "worddocument"), "word");
  EXPECT_EQ(ReadWhole(*storage, "1TABLE"), "table");
  EXPECT_EQ(storage->LastError(), "");
  auto summary = storage->OpenStream(std::u16string(u"\u0005SummaryInformation"), kDocFileReadMode);
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(summary->Size(), 7);

  for (const char* absent : {"0Table", "Inner", "ObjectPool", "WordDocumen"}) {
    EXPECT_EQ(storage->OpenStream(absent, kDocFileReadMode), nullptr) << absent;
    EXPECT_NE(storage->LastError(), "") << absent;
  }
  EXPECT_EQ(ReadWhole(*storage, "WordDocument"), "word");
  EXPECT_EQ(storage->LastError(), "");
}

TEST(TDocFileStream, SeeksAndTypedReadsAreLittleEndian) {
  std::string bytes = "\x01\x34\x12\x78\x56\x34\x12";
  double value = -1.5;
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(bits >> (8 * i)));
  CfbImage image = CfbBuilder().AddStream("S", bytes).Build();
  auto storage = OpenImage(image.bytes);
  auto stream = storage->OpenStream("S", kDocFileReadMode);
  ASSERT_NE(stream, nullptr);

  EXPECT_EQ(stream->ReadByte(), 0x01);
  EXPECT_EQ(stream->ReadWord(), 0x1234);
  EXPECT_EQ(stream->ReadDWord(), 0x12345678u);
  EXPECT_EQ(stream->ReadDouble(), -1.5);
  EXPECT_EQ(stream->Position(), 15);
  // At the end a typed read yields zero.
  EXPECT_EQ(stream->ReadDWord(), 0u);

  EXPECT_EQ(stream->Seek(0, soEnd), 15);
  EXPECT_EQ(stream->Seek(-4, soCurrent), 11);
  char buffer[16];
  EXPECT_EQ(stream->Read(buffer, 16), 4);  // a request across the end gets what remains
  EXPECT_EQ(stream->Seek(1, soBeginning), 1);
  EXPECT_EQ(stream->ReadWord(), 0x1234);
  EXPECT_EQ(stream->Seek(100, soBeginning), 100);  // past the end is allowed
  EXPECT_EQ(stream->Read(buffer, 16), 0);
  EXPECT_EQ(stream->LastError(), "");
  EXPECT_EQ(stream->Seek(-200, soCurrent), -1);
  EXPECT_NE(stream->LastError(), "");
  EXPECT_EQ(stream->Position(), 100);
  EXPECT_EQ(stream->Seek(0, 7), -1);
  EXPECT_EQ(stream->Write("x", 1), -1);
  EXPECT_EQ(stream->Size(), 15);
  uint8_t tail[3];
  EXPECT_EQ(stream->ReadAt(13, tail, 3), 2u);
}

TEST(TDocFileStream, ObjectsWithoutPlatformDataSayNil) {
  TDocFileStream stream(nullptr);
  EXPECT_EQ(stream.LastError(), "Stream is nil!");
  char buffer[4];
  EXPECT_EQ(stream.Read(buffer, 4), 0);
  EXPECT_EQ(stream.LastError(), "Stream is nil");
  EXPECT_EQ(stream.Seek(0, soBeginning), -1);
  EXPECT_EQ(stream.ReadDWord(), 0u);
  EXPECT_TRUE(stream.ReadAll().empty());

  TDocFileStorage storage(nullptr);
  EXPECT_EQ(storage.OpenStream("WordDocument", kDocFileReadMode), nullptr);
  EXPECT_EQ(storage.LastError(), "Storage is nil");
}

TEST(TDocFileStream, OutlivesItsStorage) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "a.doc", CfbBuilder().AddStream("S", Pattern(5000)).Build().bytes);
  auto storage = OpenDocFile(dir / "a.doc", kDocFileReadMode);
  ASSERT_NE(storage, nullptr);
  auto stream = storage->OpenStream("S", kDocFileReadMode);
  storage.reset();
  std::vector<uint8_t> bytes = stream->ReadAll();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Pattern(5000));
}

TEST(CompoundFile, FollowsTheDifatBeyondTheHeader) {
  // More than 109 FAT sectors: the FAT entries of the stream's last sectors are in FAT sectors
  // that only the DIFAT sector lists.
  std::string big = Pattern(110 * 128 * 512 + 1000, 7);
  CfbImage image = CfbBuilder(3).AddStream("Big", big).AddStream("Small", "small").Build();
  ASSERT_GT(image.fatSectors.size(), 109u);
  auto storage = OpenImage(image.bytes);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(ReadWhole(*storage, "Big"), big);
  EXPECT_EQ(ReadWhole(*storage, "Small"), "small");

  // Declared but unused FAT sectors listed through a DIFAT in a small file, and a DIFAT chain
  // that points at itself: the reader still opens what the FAT covers.
  CfbImage padded = CfbBuilder(4).AddStream("S", Pattern(9000)).PadFatSectors(200).Build();
  auto paddedStorage = OpenImage(padded.bytes);
  ASSERT_NE(paddedStorage, nullptr);
  EXPECT_EQ(ReadWhole(*paddedStorage, "S"), Pattern(9000));
  uint32_t difat = test::GetLe32(padded.bytes, 0x44);
  test::PutLe32(padded.bytes, padded.SectorOffset(difat) + padded.sectorSize - 4, difat);
  ASSERT_NE(OpenImage(padded.bytes), nullptr);
}

TEST(CompoundFile, DamagedChainsEndWhereTheDamageStarts) {
  std::string big = Pattern(512 * 20, 3);
  std::string small = Pattern(64 * 10, 4);
  auto build = [&] { return CfbBuilder().AddStream("Big", big).AddStream("Small", small).Build(); };

  // A cycle back to the stream's own first sector after 5 sectors.
  CfbImage cyclic = build();
  uint32_t first = cyclic.streams["Big"].firstSector;
  cyclic.SetFatEntry(first + 4, first);
  auto storage = OpenImage(cyclic.bytes);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(ReadWhole(*storage, "Big"), big.substr(0, 512 * 5));

  // A sector number beyond the file.
  CfbImage outside = build();
  outside.SetFatEntry(outside.streams["Big"].firstSector + 1, 0x00FFFFFF);
  EXPECT_EQ(ReadWhole(*OpenImage(outside.bytes), "Big"), big.substr(0, 1024));

  // A size that claims far more sectors than the chain and the file hold.
  CfbImage claims = build();
  claims.SetStreamSize("Big", 0xFFFFFFF0u);
  EXPECT_EQ(ReadWhole(*OpenImage(claims.bytes), "Big"), big);

  // A file cut off inside the stream: the bytes that are there.
  CfbImage cut = build();
  size_t end = cut.SectorOffset(cut.streams["Big"].firstSector) + 512 * 3 + 100;
  ASSERT_LT(end, cut.bytes.size());
  std::string cutBytes = cut.bytes.substr(0, end);
  auto cutStorage = OpenImage(cutBytes);
  ASSERT_NE(cutStorage, nullptr);
  EXPECT_EQ(ReadWhole(*cutStorage, "Big"), big.substr(0, 512 * 3 + 100));

  // A cyclic directory tree: the root's child points back at itself.
  CfbImage tree = build();
  size_t rootEntry = tree.SectorOffset(tree.firstDirectorySector);
  uint32_t child = test::GetLe32(tree.bytes, rootEntry + 0x4C);
  size_t childEntry = rootEntry + 128 * child;
  test::PutLe32(tree.bytes, childEntry + 0x44, child);
  test::PutLe32(tree.bytes, childEntry + 0x48, 0);
  auto treeStorage = OpenImage(tree.bytes);
  ASSERT_NE(treeStorage, nullptr);
  treeStorage->OpenStream("Nothing", kDocFileReadMode);
  EXPECT_NE(treeStorage->LastError(), "");
}

}  // namespace
}  // namespace scrivtar
