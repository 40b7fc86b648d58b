#include "BatchRun.h"

#include <sys/stat.h>

#include <exception>

#include "ActivityLog.h"
#include "AtomicFile.h"
#include "scrivtar/CodePages.h"
#include "scrivtar/Engine.h"

namespace scrivtar {

namespace {

// The type names the run dispatches on, compared exactly.
constexpr std::string_view kRunTypes[] = {"PDF", "DOC",  "DOCX", "RTF", "PPT",  "PPTX",
                                          "XLS", "XLSX", "MHT",  "HTM", "HTML", "HLP"};

bool IsRunType(std::string_view type) {
  for (std::string_view t : kRunTypes) {
    if (t == type) return true;
  }
  return false;
}

}  // namespace

std::string_view ResultMessage(int32_t result) {
  switch (result) {
    case kLibraryMissing:
      return "Load file filter dll error";
    case kSourceMissing:
      return "Source file does not exist";
    case kOpenError:
      return "Source file open error";
    case kTargetCreateError:
      return kTargetCreateErrorText;
    case kTargetWriteError:
      return kTargetWriteErrorText;
    case kNotAllowed:
      return "Extracting text from source file not allowed";
    default:
      return "File format not correct";
  }
}

RunParameters MakeRunParameters(const DesktopSettings& settings, int32_t defaultCodePage) {
  RunParameters p;
  p.Settings = settings;
  p.CodePage = settings.SourceCode != 0 ? settings.SourceCode : defaultCodePage;
  return p;
}

bool IsEligible(const FileEntry& entry, RunMode mode) {
  switch (mode) {
    case RunMode::kConvertAll:
      return entry.State == kStateNew;
    case RunMode::kConvertSelected:
      return entry.State == kStateNew && entry.Selected;
    case RunMode::kReConvertSelected:
      return entry.State != kStateNew && entry.Selected;
  }
  return false;
}

bool TargetFileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string NumberedFreeName(const std::string& target) {
  std::string_view ext = ExtensionPart(target);
  std::string base = target.substr(0, target.size() - ext.size());
  for (uint64_t n = 1;; ++n) {
    std::string candidate = base + "(" + std::to_string(n) + ")" + std::string(ext);
    if (!TargetFileExists(candidate)) return candidate;
  }
}

TargetDecision DecideTarget(const FileEntry& entry, const RunParameters& parameters,
                            RunObserver& observer) {
  TargetDecision d;
  d.Target = TargetPathFor(entry.Source, parameters.Settings);
  if (!TargetFileExists(d.Target)) return d;
  switch (EffectiveFileOverType(parameters.Settings.FileOverTp)) {
    case kAutoRename:
      d.Target = NumberedFreeName(d.Target);
      break;
    case kOverwrite:
      break;
    case kPrompt:
      switch (observer.OnFileExists(d.Target)) {
        case FileExistsAnswer::kAutoRename:
          d.Target = NumberedFreeName(d.Target);
          break;
        case FileExistsAnswer::kOverwrite:
          break;
        case FileExistsAnswer::kStopConvert:
          d.Action = TargetAction::kStopRun;
          break;
        case FileExistsAnswer::kCancel:
          d.Action = TargetAction::kSkipExisting;
          break;
      }
      break;
    default:
      d.Action = TargetAction::kSkipExisting;
      break;
  }
  return d;
}

ConversionOptions OptionsForType(std::string_view type, const DesktopSettings& settings) {
  ConversionOptions o;
  o.lineBreakStyle = kCrLf;
  if (type == "PDF") {
    o.specialFormat = settings.TextOrder;
    o.pdfNoPageBreaks = settings.PageBreak ? 0 : 1;
  } else if (type == "DOC") {
    o.specialFormat = settings.KeepRaw;
  } else if (type == "XLS") {
    o.xlsUnused = settings.KeepRaw;
  }
  return o;
}

ConvertOutcome ConvertEntry(Engine& engine, const FileEntry& entry, const RunParameters& parameters,
                            OutputBlock& block) {
  ConvertOutcome outcome;
  outcome.Type = entry.Type;
  if (!IsRunType(entry.Type)) {
    outcome.TypeNotSupported = true;
    return outcome;
  }
  if (!IsOutputCodePageSupported(parameters.CodePage)) {
    outcome.CodePageNotSupported = true;
    return outcome;
  }
  bool fallback = false;
  try {
    outcome.Result = ConvertByType(engine, entry.Type, entry.Source, block, parameters.CodePage,
                                   OptionsForType(entry.Type, parameters.Settings), &fallback);
  } catch (const std::exception&) {
    outcome.Result = kFormatError;  // an escaped exception fails only this entry
  }
  if (fallback) outcome.Type = "RTF";
  return outcome;
}

int32_t WriteTextFileAtomically(const std::string& target, const uint8_t* bytes, size_t count) {
  return WriteFileAtomically(target, bytes, count);
}

RunSummary RunConversion(Engine& engine, const std::vector<FileEntry>& entries, RunMode mode,
                         const RunParameters& parameters, RunObserver& observer) {
  RunSummary summary;
  if (entries.empty()) return summary;
  summary.Ran = true;
  observer.OnLog(std::string(kConversionStartLine));
  const int32_t total = static_cast<int32_t>(entries.size());
  observer.OnRunStart(total);
  int32_t position = 0;
  auto step = [&] { observer.OnProgressStep(++position); };
  OutputBlock block;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (observer.CancelRequested()) {
      summary.Cancelled = true;
      break;
    }
    FileEntry entry = entries[i];
    observer.OnEntryStart(i, entry.Source);
    if (!IsEligible(entry, mode)) {
      if (entry.State != kStateNew) step();
      continue;
    }
    auto fail = [&](std::string_view message, const std::string& path) {
      entry.State = kStateFailed;
      entry.Message = std::string(message);
      ++summary.Failed;
      observer.OnEntryResult(i, entry);
      observer.OnLog(FailedLine(message, path));
    };
    TargetDecision decision = DecideTarget(entry, parameters, observer);
    if (decision.Action == TargetAction::kStopRun) {
      summary.Stopped = true;
      break;
    }
    if (decision.Action == TargetAction::kSkipExisting) {
      fail(kTargetExistsCanceled, entry.Target);  // the Target from before this run
      step();
      continue;
    }
    entry.Target = decision.Target;
    step();
    ConvertOutcome outcome = ConvertEntry(engine, entry, parameters, block);
    if (outcome.TypeNotSupported) {
      fail(kFileTypeNotSupport, entry.Source);
      continue;
    }
    if (outcome.CodePageNotSupported) {
      fail(kCodePageNotSupported, entry.Source);
      continue;
    }
    entry.Type = outcome.Type;
    if (outcome.Result < 0) {
      fail(ResultMessage(outcome.Result),
           outcome.Result == kTargetCreateError ? entry.Target : entry.Source);
      continue;
    }
    size_t count = std::min(static_cast<size_t>(outcome.Result), block.size());
    int32_t written = WriteTextFileAtomically(entry.Target, block.data(), count);
    if (written < 0) {
      fail(ResultMessage(written), entry.Target);
      continue;
    }
    entry.State = kStateConverted;
    entry.Message = std::string(kConvertSuccessfully);
    ++summary.Succeeded;
    observer.OnEntryResult(i, entry);
    observer.OnLog(ConvertSuccessLine(entry.Source));
  }
  observer.OnLog(ConversionEndLine(summary.Succeeded, summary.Failed));
  observer.OnRunEnd(summary);
  return summary;
}

}  // namespace scrivtar
