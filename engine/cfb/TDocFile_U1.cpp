#include "TDocFile_U1.h"

#include <cstring>
#include <limits>

#include "cfb/CompoundFile.h"
#include "platform/FileBytes.h"

namespace scrivtar {

namespace {

constexpr char kStorageNil[] = "Storage is nil";
constexpr char kStreamNil[] = "Stream is nil";
constexpr char kStreamNilAtStart[] = "Stream is nil!";
// The structured-storage service's texts for the failures a read-only reader can meet.
constexpr char kStreamNotFound[] = "The system cannot find the file specified.";
constexpr char kAccessDenied[] = "Access denied.";
constexpr char kInvalidFunction[] = "Invalid function.";

}  // namespace

int32_t CheckDocFile(const std::filesystem::path& fileName) {
  uint8_t head[cfb::CompoundFile::kHeaderSize];
  size_t got = 0;
  platform::FileStatus status = platform::ReadFileHead(fileName, head, sizeof head, &got);
  if (status == platform::FileStatus::kNotFound) return -2;
  if (status != platform::FileStatus::kOk) return -5;
  return got == sizeof head && cfb::HasCompoundSignature(head, got) ? 0 : -5;
}

std::unique_ptr<TDocFileStorage> OpenDocFile(const std::filesystem::path& fileName, uint32_t mode) {
  (void)mode;  // every opening is read-only; nothing else shares the file in this process
  platform::FileStatus fileStatus;
  auto bytes = platform::FileBytes::Open(fileName, &fileStatus);
  if (!bytes) return nullptr;
  cfb::OpenStatus status;
  auto compound = cfb::CompoundFile::Open(std::move(bytes), &status);
  if (!compound) return nullptr;
  return std::make_unique<TDocFileStorage>(std::move(compound));
}

TDocFileStorage::TDocFileStorage(std::shared_ptr<const cfb::CompoundFile> storage)
    : storage_(std::move(storage)) {}

TDocFileStorage::~TDocFileStorage() = default;

std::unique_ptr<TDocFileStream> TDocFileStorage::OpenStream(std::u16string_view name,
                                                            uint32_t mode) {
  (void)mode;
  if (!storage_) {
    lastError_ = kStorageNil;
    return nullptr;
  }
  lastError_.clear();
  auto stream = storage_->OpenRootStream(name);
  if (!stream) {
    lastError_ = kStreamNotFound;
    return nullptr;
  }
  return std::make_unique<TDocFileStream>(std::move(stream));
}

std::unique_ptr<TDocFileStream> TDocFileStorage::OpenStream(std::string_view asciiName,
                                                            uint32_t mode) {
  std::u16string name(asciiName.begin(), asciiName.end());
  return OpenStream(std::u16string_view(name), mode);
}

TDocFileStream::TDocFileStream(std::shared_ptr<const cfb::StreamData> stream)
    : stream_(std::move(stream)) {
  if (!stream_) lastError_ = kStreamNilAtStart;
}

TDocFileStream::~TDocFileStream() = default;

int32_t TDocFileStream::Read(void* buffer, int32_t count) {
  if (!stream_) {
    lastError_ = kStreamNil;
    return 0;
  }
  lastError_.clear();
  if (count <= 0) return 0;
  size_t got =
      stream_->ReadAt(static_cast<uint64_t>(position_), buffer, static_cast<size_t>(count));
  position_ += static_cast<int64_t>(got);
  return static_cast<int32_t>(got);
}

int32_t TDocFileStream::Write(const void* buffer, int32_t count) {
  (void)buffer;
  (void)count;
  if (!stream_) {
    lastError_ = kStreamNil;
    return 0;
  }
  lastError_ = kAccessDenied;
  return -1;
}

int64_t TDocFileStream::Seek64(int64_t offset, uint16_t origin) {
  if (!stream_) {
    lastError_ = kStreamNil;
    return -1;
  }
  lastError_.clear();
  int64_t base = 0;
  switch (origin) {
    case soBeginning:
      base = 0;
      break;
    case soCurrent:
      base = position_;
      break;
    case soEnd:
      base = static_cast<int64_t>(stream_->size());
      break;
    default:
      lastError_ = kInvalidFunction;
      return -1;
  }
  // Positions are non-negative and stay within what 64 bits hold.
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) {
    lastError_ = kInvalidFunction;
    return -1;
  }
  position_ = base + offset;
  return position_;
}

int32_t TDocFileStream::Seek(int32_t offset, uint16_t origin) {
  int64_t position = Seek64(offset, origin);
  if (position < 0) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(position));
}

void TDocFileStream::SetSize(int32_t newSize) {
  (void)newSize;
  lastError_ = stream_ ? kAccessDenied : kStreamNil;
}

int64_t TDocFileStream::Size() {
  if (!stream_) {
    lastError_ = kStreamNil;
    return -1;
  }
  lastError_.clear();
  return static_cast<int64_t>(stream_->size());
}

uint8_t TDocFileStream::ReadByte() {
  uint8_t value = 0;
  Read(&value, 1);
  return value;
}

uint16_t TDocFileStream::ReadWord() {
  uint8_t bytes[2] = {};
  Read(bytes, 2);
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t TDocFileStream::ReadDWord() {
  uint8_t bytes[4] = {};
  Read(bytes, 4);
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

double TDocFileStream::ReadDouble() {
  uint8_t bytes[8] = {};
  Read(bytes, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::vector<uint8_t> TDocFileStream::ReadAll() {
  if (!stream_) {
    lastError_ = kStreamNil;
    return {};
  }
  lastError_.clear();
  std::vector<uint8_t> bytes(static_cast<size_t>(stream_->size()));
  stream_->ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

size_t TDocFileStream::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (!stream_) {
    lastError_ = kStreamNil;
    return 0;
  }
  lastError_.clear();
  return stream_->ReadAt(offset, buffer, count);
}

std::span<const uint8_t> TDocFileStream::ViewAt(uint64_t offset, size_t maxCount) {
  if (!stream_) {
    lastError_ = kStreamNil;
    return {};
  }
  lastError_.clear();
  size_t count = 0;
  const uint8_t* bytes = stream_->View(offset, maxCount, &count);
  return bytes ? std::span<const uint8_t>(bytes, count) : std::span<const uint8_t>();
}

}  // namespace scrivtar
