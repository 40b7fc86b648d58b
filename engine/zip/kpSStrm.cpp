#include "zip/kpSStrm.h"

#include <algorithm>
#include <system_error>

#include "zip/VCLUnZip.h"

namespace scrivtar {

TLFNFileStream::TLFNFileStream(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw EFOpenError("Cannot open file \"" + path.string() + "\"");
  }
  in_.open(path, std::ios::binary);
  if (!in_) throw EFOpenError("Cannot open file \"" + path.string() + "\"");
  in_.seekg(0, std::ios::end);
  std::streamoff end = in_.tellg();
  size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
}

size_t TLFNFileStream::ReadAt(uint64_t offset, char* out, size_t n) {
  if (offset >= size_ || n == 0) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(out, static_cast<std::streamsize>(n));
  return static_cast<size_t>(in_.gcount());
}

bool TLFNFileStream::View(uint64_t offset, size_t n, std::string_view* out) {
  if (n > kWindowSize || offset > size_ || size_ - offset < n) return false;
  if (offset < windowOffset_ || offset + n > windowOffset_ + window_.size()) {
    window_.resize(kWindowSize);
    window_.resize(ReadAt(offset, window_.data(), kWindowSize));
    windowOffset_ = offset;
    if (window_.size() < n) return false;
  }
  *out = std::string_view(window_).substr(static_cast<size_t>(offset - windowOffset_), n);
  return true;
}

}  // namespace scrivtar
