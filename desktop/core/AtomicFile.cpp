#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

namespace {

void SetError(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
}

}  // namespace

bool ReadWholeFile(const std::filesystem::path& file, std::string& out, size_t limit) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  out.clear();
  char buffer[65536];
  bool ok = true;
  while (out.size() < limit) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    out.append(buffer, std::min(static_cast<size_t>(n), limit - out.size()));
  }
  ::close(fd);
  return ok;
}

int32_t WriteFileAtomically(const std::filesystem::path& file, const uint8_t* bytes, size_t count,
                            std::string* error) {
  std::error_code ec;
  std::filesystem::path dir = file.parent_path();
  if (dir.empty()) dir = ".";
  std::filesystem::create_directories(dir, ec);
  if (std::filesystem::is_directory(file, ec)) {
    errno = EISDIR;
    SetError(error, "cannot create " + file.string());
    return kTargetCreateError;
  }
  // A hidden name in the same directory, so the rename stays on one file system and a scan
  // never lists a leftover.
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = dir /
           ("." + file.filename().string() + "." + std::to_string(random() % 1000000000) + ".tmp");
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, "cannot create " + file.string());
    return kTargetCreateError;
  }
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      SetError(error, "cannot write " + file.string());
      ::close(fd);
      ::unlink(temp.c_str());
      return kTargetWriteError;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    SetError(error, "cannot write " + file.string());
    ::unlink(temp.c_str());
    return kTargetWriteError;
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    SetError(error, "cannot write " + file.string());
    ::unlink(temp.c_str());
    return kTargetWriteError;
  }
  return 0;
}

std::string ToUtf16LeBytes(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::u16string FromUtf16LeBytes(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  return text;
}

}  // namespace scrivtar
