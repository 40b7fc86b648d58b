// The batch conversion run: walks a snapshot of the file list from top to bottom, decides which
// entries take part, works out and checks each text file's name, converts, writes the text file
// atomically, and reports everything to an observer.
//
// The run never touches the caller's list: it works on its own copy of the entries and the
// settings and commits each entry's new State/Type/Target/Message through
// RunObserver::OnEntryResult, so a window can apply results on its own thread (and a headless
// front end applies them directly). Log lines go through OnLog too. The file-exists prompt and
// the cancel check are callbacks; the prompt may block while a window asks the user.
//
// The steps are separate functions (eligibility, target naming and the file-exists policy,
// conversion, writing, finishing the entry) so that a run with several workers can reuse them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "DesktopSettings.h"
#include "FileEntry.h"
#include "scrivtar/Convert.h"
#include "scrivtar/ResultCodes.h"

namespace scrivtar {

class Engine;

enum class RunMode : int32_t { kConvertAll = 0, kConvertSelected = 1, kReConvertSelected = 2 };

// The answers of the file-exists prompt.
enum class FileExistsAnswer { kAutoRename, kOverwrite, kCancel, kStopConvert };

struct RunSummary {
  int32_t Succeeded = 0;
  int32_t Failed = 0;
  bool Cancelled = false;  // the cancel check was true before an entry
  bool Stopped = false;    // "Stop Convert" was answered
  bool Ran = false;        // false for an empty list: nothing was logged or shown
};

// Everything the run tells its caller; every method has a do-nothing default.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The run begins: the progress gauge goes from 0 to total (the number of entries).
  virtual void OnRunStart(int32_t /*total*/) {}
  // The entry at index is looked at (the progress window's file label).
  virtual void OnEntryStart(size_t /*index*/, const std::string& /*source*/) {}
  // One progress step: position is the new gauge position.
  virtual void OnProgressStep(int32_t /*position*/) {}
  // The entry at index has its new State, Type, Target and Message: apply it to the list.
  virtual void OnEntryResult(size_t /*index*/, const FileEntry& /*entry*/) {}
  // One line for the activity log.
  virtual void OnLog(const std::string& /*message*/) {}
  // The text file exists under the prompt policy: what to do. The default skips the entry.
  virtual FileExistsAnswer OnFileExists(const std::string& /*target*/) {
    return FileExistsAnswer::kCancel;
  }
  // Looked at before every entry; true ends the run there.
  virtual bool CancelRequested() { return false; }
  // The run has ended (the progress window closes).
  virtual void OnRunEnd(const RunSummary& /*summary*/) {}
};

// Messages of the run.
inline constexpr std::string_view kConvertSuccessfully = "Convert successfully";
inline constexpr std::string_view kTargetExistsCanceled =
    "Target file already exists, user canceled";
inline constexpr std::string_view kFileTypeNotSupport = "File type not support";
inline constexpr std::string_view kTargetCreateErrorText = "Target file create error";
inline constexpr std::string_view kTargetWriteErrorText = "Target file write error";
inline constexpr std::string_view kCodePageNotSupported = "Output code page not supported";
// The message of a negative result code.
std::string_view ResultMessage(int32_t result);

// The run's fixed inputs, taken once at its start.
struct RunParameters {
  DesktopSettings Settings;  // a copy: the window may edit its own meanwhile
  int32_t CodePage = 0;      // resolved: SourceCode, or the locale's default when it is 0
};
RunParameters MakeRunParameters(const DesktopSettings& settings, int32_t defaultCodePage);

// Step 1: does the entry take part in this mode?
bool IsEligible(const FileEntry& entry, RunMode mode);

// Step 2: the text file's name under the file-exists policy.
enum class TargetAction { kConvert, kSkipExisting, kStopRun };
struct TargetDecision {
  TargetAction Action = TargetAction::kConvert;
  std::string Target;
};
// True when a regular file (or anything but a directory) exists under the path.
bool TargetFileExists(const std::string& path);
// base + "(1)" + ".txt", "(2)", ...: the first name under which no file exists.
std::string NumberedFreeName(const std::string& target);
TargetDecision DecideTarget(const FileEntry& entry, const RunParameters& parameters,
                            RunObserver& observer);

// Step 3: the converter's result (byte count or negative code) and the entry's new type.
struct ConvertOutcome {
  int32_t Result = kFormatError;
  std::string Type;  // "RTF" after the Word-to-RTF fallback, else the entry's type
  bool TypeNotSupported = false;
  bool CodePageNotSupported = false;
};
ConversionOptions OptionsForType(std::string_view type, const DesktopSettings& settings);
ConvertOutcome ConvertEntry(Engine& engine, const FileEntry& entry, const RunParameters& parameters,
                            OutputBlock& block);

// Step 4: writes the bytes under a temporary name in the target's directory (created when
// missing) and renames it over the target. 0, kTargetCreateError or kTargetWriteError.
int32_t WriteTextFileAtomically(const std::string& target, const uint8_t* bytes, size_t count);

// The whole run in the given mode over a snapshot of the list.
RunSummary RunConversion(Engine& engine, const std::vector<FileEntry>& entries, RunMode mode,
                         const RunParameters& parameters, RunObserver& observer);

}  // namespace scrivtar
