// One row of the file list and the rule that turns a source path into its text file's path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scrivtar {

struct DesktopSettings;

enum EntryState : int32_t { kStateNew = 0, kStateConverted = 1, kStateFailed = 2 };

// Texts are UTF-8 (paths: Linux path bytes). An entry read from a job file may carry any Type.
struct FileEntry {
  int32_t State = kStateNew;
  bool Selected = false;
  std::string Name;     // file name of the source, without directory
  std::string Source;   // full path of the source
  std::string Size;     // size in bytes, decimal
  std::string Type;     // "PDF", "DOC", ... (FileTypeTable), "MHT" or anything from a job file
  std::string Target;   // full path of the text file
  std::string Message;  // outcome of the last conversion; empty until then

  bool operator==(const FileEntry&) const = default;
};

// The source with its extension (from the last "." after the last "/") replaced by ".txt", or
// ".txt" appended; next to the source when SameDir, otherwise TargetDir + its file name part.
std::string TargetPathFor(std::string_view source, const DesktopSettings& settings);

// The part after the last "/".
std::string_view FileNamePart(std::string_view path);
// The extension with its dot (from the last "." after the last "/"), or "".
std::string_view ExtensionPart(std::string_view path);

}  // namespace scrivtar
