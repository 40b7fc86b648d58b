// Read-only access to an archive file with bounds-checked reads at absolute offsets. Small
// reads (headers, names) go through a window buffer; large ones go straight to the caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace scrivtar {

class TLFNFileStream {
 public:
  // Opens path for reading; throws EFOpenError when it is missing, unreadable or no regular file.
  explicit TLFNFileStream(const std::filesystem::path& path);

  uint64_t Size() const { return size_; }

  // The n bytes at offset (n at most kWindowSize) in *out, valid until the next call; false
  // when fewer than n bytes are there.
  bool View(uint64_t offset, size_t n, std::string_view* out);
  // Copies up to n bytes at offset into out; returns how many the file had.
  size_t ReadAt(uint64_t offset, char* out, size_t n);

  static constexpr size_t kWindowSize = 1 << 17;

 private:
  std::ifstream in_;
  uint64_t size_ = 0;
  std::string window_;
  uint64_t windowOffset_ = 0;
};

}  // namespace scrivtar
