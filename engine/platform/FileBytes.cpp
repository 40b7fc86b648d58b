#include "platform/FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace scrivtar::platform {

namespace {

// Below this size one read is cheaper than setting up a mapping and taking its page faults.
constexpr size_t kMapThreshold = size_t{1} << 20;

// Opens a regular file for reading; -1 with *status set otherwise.
int OpenRegularFile(const std::filesystem::path& path, FileStatus* status, struct stat* info) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *status = (errno == ENOENT || errno == ENOTDIR) ? FileStatus::kNotFound : FileStatus::kError;
    return -1;
  }
  if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
    ::close(fd);
    *status = FileStatus::kError;
    return -1;
  }
  *status = FileStatus::kOk;
  return fd;
}

// Reads until count bytes are in or the file ends; the number read, or -1.
ssize_t ReadFully(int fd, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t got = ::read(fd, buffer + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

std::shared_ptr<const FileBytes> FileBytes::Open(const std::filesystem::path& path,
                                                 FileStatus* status) {
  struct stat info {};
  int fd = OpenRegularFile(path, status, &info);
  if (fd < 0) return nullptr;
  std::shared_ptr<FileBytes> bytes(new FileBytes());
  size_t size = static_cast<size_t>(info.st_size);
  if (size >= kMapThreshold) {
    // Populated up front: one pass over the page cache instead of a fault per page.
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
      bytes->data_ = static_cast<const uint8_t*>(map);
      bytes->size_ = size;
      bytes->mapped_ = true;
      ::close(fd);
      return bytes;
    }
  }
  if (size > 0) {
    bytes->owned_.reset(new (std::nothrow) uint8_t[size]);
    ssize_t got = bytes->owned_ ? ReadFully(fd, bytes->owned_.get(), size) : -1;
    if (got < 0) {
      ::close(fd);
      *status = FileStatus::kError;
      return nullptr;
    }
    bytes->data_ = bytes->owned_.get();
    bytes->size_ = static_cast<size_t>(got);
  }
  ::close(fd);
  return bytes;
}

std::shared_ptr<const FileBytes> FileBytes::FromCopy(const void* data, size_t size) {
  std::shared_ptr<FileBytes> bytes(new FileBytes());
  if (size > 0) {
    bytes->owned_.reset(new uint8_t[size]);
    std::memcpy(bytes->owned_.get(), data, size);
    bytes->data_ = bytes->owned_.get();
    bytes->size_ = size;
  }
  return bytes;
}

FileBytes::~FileBytes() {
  if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
}

FileStatus ReadFileHead(const std::filesystem::path& path, void* buffer, size_t count,
                        size_t* got) {
  *got = 0;
  FileStatus status;
  struct stat info {};
  int fd = OpenRegularFile(path, &status, &info);
  if (fd < 0) return status;
  ssize_t read = ReadFully(fd, static_cast<uint8_t*>(buffer), count);
  ::close(fd);
  if (read < 0) return FileStatus::kError;
  *got = static_cast<size_t>(read);
  return FileStatus::kOk;
}

}  // namespace scrivtar::platform
