// The compound document reader: read-only access to the root-level streams of an OLE compound
// file (the published Compound File Binary format, versions 3 and 4). The Word, Excel and
// PowerPoint extractors open their streams through it.
//
// Usage: CheckDocFile (0 = compound document), OpenDocFile (nullptr = cannot be opened),
// storage->OpenStream(u"WordDocument", kDocFileReadMode) (nullptr = no such stream), then reads.
// A stream stays valid after its storage object is destroyed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar {

namespace cfb {
class CompoundFile;  // the parsed container (header, FAT, mini FAT, directory)
class StreamData;    // one stream: its sector extents and its true size
}  // namespace cfb

// STGM_READ | STGM_SHARE_EXCLUSIVE: the only mode the extractors pass.
constexpr uint32_t kDocFileReadMode = 0x10;

// Seek origins, handed on as the platform's seek origin.
enum TSeekOrigin : uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// 0 when the file is a compound document (a whole header with the compound file signature),
// -2 when it does not exist, -5 otherwise (not a compound document, unreadable).
int32_t CheckDocFile(const std::filesystem::path& fileName);

class TDocFileStream;

// The open root storage of a compound document.
class TDocFileStorage {
 public:
  // A storage made without a container answers every operation with "Storage is nil".
  explicit TDocFileStorage(std::shared_ptr<const cfb::CompoundFile> storage);
  ~TDocFileStorage();
  TDocFileStorage(const TDocFileStorage&) = delete;
  TDocFileStorage& operator=(const TDocFileStorage&) = delete;

  // Opens a stream that lies directly in the root storage; names compare without regard to
  // letter case. nullptr with LastError set when there is no such stream.
  std::unique_ptr<TDocFileStream> OpenStream(std::u16string_view name, uint32_t mode);
  // The same for an ASCII name ("Workbook", "PowerPoint Document").
  std::unique_ptr<TDocFileStream> OpenStream(std::string_view asciiName, uint32_t mode);

  // Empty after an operation that succeeded; otherwise why the last one failed.
  const std::string& LastError() const { return lastError_; }

 private:
  std::shared_ptr<const cfb::CompoundFile> storage_;
  std::string lastError_;
};

// Opens the root storage read-only. nullptr when the file cannot be opened as a compound
// document (missing, unreadable, damaged header, FAT or directory).
std::unique_ptr<TDocFileStorage> OpenDocFile(const std::filesystem::path& fileName, uint32_t mode);

// One stream of a compound document, with the byte-stream operations and little-endian typed
// reads. Reads copy straight from the file's bytes; there are no per-read system calls.
class TDocFileStream {
 public:
  // A stream made without platform data starts with LastError "Stream is nil!".
  explicit TDocFileStream(std::shared_ptr<const cfb::StreamData> stream);
  ~TDocFileStream();
  TDocFileStream(const TDocFileStream&) = delete;
  TDocFileStream& operator=(const TDocFileStream&) = delete;

  // Copies up to count bytes at the position and advances it; the number copied (0 at or past
  // the end), or -1 on failure.
  int32_t Read(void* buffer, int32_t count);
  // Streams are read-only: always -1 with LastError set.
  int32_t Write(const void* buffer, int32_t count);
  // The new position (its low 32 bits), or -1. Seeking past the end is allowed; a negative
  // resulting position fails and leaves the position unchanged.
  int32_t Seek(int32_t offset, uint16_t origin);
  int64_t Seek64(int64_t offset, uint16_t origin);
  // The stream cannot grow or shrink (read-only); LastError tells so.
  void SetSize(int32_t newSize);

  // The true stream size in bytes (not rounded up to sectors); -1 without platform data.
  int64_t Size();
  int64_t Position() const { return position_; }

  // Typed reads at the position; a read cut short by the end of the stream is zero-filled.
  uint8_t ReadByte();
  uint16_t ReadWord();
  uint32_t ReadDWord();
  double ReadDouble();

  // Whole-stream and ranged reads for extractors that work in memory. Neither moves the
  // position; each costs one copy of the bytes. ReadAt returns the number of bytes copied.
  std::vector<uint8_t> ReadAll();
  size_t ReadAt(uint64_t offset, void* buffer, size_t count);
  // The stream's bytes in place, without a copy: from offset to the end of the run of the file
  // they lie in, at most maxCount. Empty past the end. Valid while this stream object lives.
  std::span<const uint8_t> ViewAt(uint64_t offset, size_t maxCount);

  const std::string& LastError() const { return lastError_; }

 private:
  std::shared_ptr<const cfb::StreamData> stream_;
  int64_t position_ = 0;
  std::string lastError_;
};

}  // namespace scrivtar
