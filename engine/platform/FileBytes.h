// The bytes of a whole input file in memory: read in one go when small, mapped when large, so
// that parsers index into them with no further system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace scrivtar::platform {

enum class FileStatus { kOk, kNotFound, kError };

class FileBytes {
 public:
  // The file's bytes, or nullptr with status kNotFound (no such path) or kError (a directory,
  // no permission, a read failure).
  static std::shared_ptr<const FileBytes> Open(const std::filesystem::path& path,
                                               FileStatus* status);
  // A copy of bytes already in memory (tests, fuzz targets).
  static std::shared_ptr<const FileBytes> FromCopy(const void* data, size_t size);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  FileBytes() = default;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
  std::unique_ptr<uint8_t[]> owned_;
};

// Reads up to count bytes from the start of a file (fewer when the file is shorter); *got tells
// how many.
FileStatus ReadFileHead(const std::filesystem::path& path, void* buffer, size_t count, size_t* got);

}  // namespace scrivtar::platform
