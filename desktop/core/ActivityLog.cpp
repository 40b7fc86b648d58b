#include "ActivityLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "AtomicFile.h"
#include "scrivtar/HostText.h"

namespace scrivtar {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string AddFailedAlreadyAddedLine(std::string_view path) {
  return "Add file failed: already added (" + std::string(path) + ")";
}
std::string AddFailedTypeNotSupportLine(std::string_view path) {
  return "Add file failed: type not support (" + std::string(path) + ")";
}
std::string ConvertSuccessLine(std::string_view source) {
  return "Convert successfully (" + std::string(source) + ")";
}
std::string FailedLine(std::string_view message, std::string_view path) {
  return "Failed: " + std::string(message) + " (" + std::string(path) + ")";
}
std::string ConversionEndLine(int32_t succeeded, int32_t failed) {
  return "Conversion end. Successful: " + std::to_string(succeeded) +
         ", Failed: " + std::to_string(failed) +
         ", Total: " + std::to_string(static_cast<int64_t>(succeeded) + failed) + "\r\n";
}

ActivityLog::ActivityLog(std::filesystem::path logFile, UserLocale locale, Clock clock)
    : file_(std::move(logFile)), locale_(std::move(locale)), clock_(std::move(clock)) {}

std::string ActivityLog::RecordText(std::string_view message) const {
  std::time_t now = clock_ ? clock_() : std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return "[" + FormatLocalTime(locale_.shortDatePattern, local, locale_) + " " +
         FormatLocalTime(locale_.longTimePattern, local, locale_) + "]: " + std::string(message);
}

bool ActivityLog::LogActivity(std::string_view message, bool notLog) const {
  if (notLog) return true;
  std::string record = ToUtf16LeBytes(BytesToUtf16Escaped(RecordText(message) + "\r\n"));
  // O_EXCL tells whether this call made the file, and so whether the mark goes first.
  int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    record.insert(0, "\xFF\xFE", 2);
  } else if (errno == EEXIST) {
    fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, record);
  return ::close(fd) == 0 && ok;
}

std::string ActivityLog::ReadText() const {
  std::string bytes;
  if (!ReadWholeFile(file_, bytes, size_t{1} << 30)) return {};
  size_t start = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
  return Utf16ToBytesEscaped(FromUtf16LeBytes(std::string_view(bytes).substr(start)));
}

bool ActivityLog::Clear() const {
  std::error_code ec;
  std::filesystem::remove(file_, ec);
  return !std::filesystem::exists(file_, ec);
}

bool ActivityLog::ExportText(const std::filesystem::path& file, std::string_view text) {
  std::string bytes = "\xFF\xFE" + ToUtf16LeBytes(BytesToUtf16Escaped(text));
  return WriteFileAtomically(file, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ==
         0;
}

}  // namespace scrivtar
