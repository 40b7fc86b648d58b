// The activity log "scrivact.log": UTF-16LE records after an FF FE mark, one per event:
// "[" + short date + " " + long time + "]: " + message + CR LF.
//
// The object holds only the file's path, the locale and the clock: every record opens the file,
// appends with one write and closes it again, so two threads (or two processes) that log to the
// same file each get whole records. A log that cannot be written never stops a run: LogActivity
// then returns false and the caller goes on.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "scrivtar/UserLocale.h"

namespace scrivtar {

// The messages the desktop program logs.
std::string AddFailedAlreadyAddedLine(
    std::string_view path);  // "Add file failed: already added (path)"
std::string AddFailedTypeNotSupportLine(
    std::string_view path);  // "Add file failed: type not support (path)"
inline constexpr std::string_view kConversionStartLine = "Conversion start...";
std::string ConvertSuccessLine(std::string_view source);  // "Convert successfully (source)"
std::string FailedLine(std::string_view message, std::string_view path);  // "Failed: m (path)"
// "Conversion end. Successful: S, Failed: F, Total: S+F" + CR LF (the empty line after a run).
std::string ConversionEndLine(int32_t succeeded, int32_t failed);

class ActivityLog {
 public:
  using Clock = std::function<std::time_t()>;

  // logFile is ProgramDir + "scrivact.log"; the clock defaults to std::time.
  ActivityLog(std::filesystem::path logFile, UserLocale locale, Clock clock = {});

  // Appends one record unless notLog is set. Messages are UTF-8 (Linux path bytes that are not
  // UTF-8 survive as lone surrogates). False when the file could not be written.
  bool LogActivity(std::string_view message, bool notLog) const;

  // The record text without the line end: "[date time]: message".
  std::string RecordText(std::string_view message) const;

  // The log's text for the viewer (UTF-8, the mark honoured, lines as stored); "" when missing.
  std::string ReadText() const;
  // Removes the file ("Clear Log"); true when it is gone afterwards.
  bool Clear() const;
  // Writes text (UTF-8) to another file as UTF-16LE after FF FE ("Export to file").
  static bool ExportText(const std::filesystem::path& file, std::string_view text);

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
  UserLocale locale_;
  Clock clock_;
};

}  // namespace scrivtar
