// The desktop program's settings: the record the front end owns and passes down, the settings
// file "Scrivtar.dat" that holds it between runs, the ten file types and the extension lookup
// built from them, and where the program keeps its files.
//
// Threading: nothing here holds state of its own. A worker thread gets a copy of the settings
// (a batch run takes one at its start), so the window may edit its record meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivtar {

constexpr int kFileTypeCount = 10;

// One row of FileTypeTable; rows are indexed 1 to 10 (FileTypeTable[index - 1]).
struct FileTypeRow {
  std::string_view TypeName;     // "PDF": the "Type" column and what the run dispatches on
  std::string_view Description;  // "Adobe Portable Document File"
  std::string_view DefaultMask;  // "*.pdf"; "*.htm;*.html" for HTM
};

inline constexpr std::array<FileTypeRow, kFileTypeCount> FileTypeTable = {{
    {"PDF", "Adobe Portable Document File", "*.pdf"},
    {"DOC", "Word 95, 97-2007 File", "*.doc"},
    {"XLS", "Excel 95, 97-2007 File", "*.xls"},
    {"PPT", "PowerPoint 95, 97-2007 File", "*.ppt"},
    {"DOCX", "Word Open XML File", "*.docx"},
    {"XLSX", "Excel Open XML File", "*.xlsx"},
    {"PPTX", "PowerPoint Open XML File", "*.pptx"},
    {"RTF", "Rich Text File", "*.rtf"},
    {"HTM", "HTML File", "*.htm;*.html"},
    {"HLP", "Windows Help File", "*.hlp"},
}};

// What to do when the text file already exists ("fileovertp"). The stored byte is kept as it
// is; every value other than 0, 1 and 2 acts as kCancelExisting.
enum FileOverType : uint8_t {
  kAutoRename = 0,
  kOverwrite = 1,
  kPrompt = 2,
  kCancelExisting = 3,
};

// PDF text order ("textorder").
enum TextOrder : int32_t { kReadingOrder = 0, kOriginalLayout = 1, kRawOrder = 2 };

// One field per key of section "general". Directory texts are Linux path bytes (UTF-8 for
// UTF-8 names) and are used verbatim as prefixes, so TargetDir normally ends in "/".
struct DesktopSettings {
  bool SameDir = false;
  std::string TargetDir;  // default: the documents folder + "/"
  std::string AddDir;     // directories of Add directory joined with ";"; same default
  uint8_t FileOverTp = kAutoRename;
  int32_t SourceCode = 0;  // output code page; 0 = the locale's default code page
  int32_t TargetCode = 0;  // read and written back unchanged
  std::array<std::string, kFileTypeCount> UserFileExt;  // "*.xhtml" or "*.a;*.b", UTF-8
  std::array<bool, kFileTypeCount> SelExt = {true, true, true, true, true,
                                             true, true, true, true, true};
  bool Recursive = false;
  bool PageBreak = false;
  int32_t TextOrder = kReadingOrder;
  int32_t KeepRaw = 0;  // handed unchanged to the Word and spreadsheet converters
  bool NotLog = false;
};

// The policy the run applies: FileOverTp with out-of-range values folded into kCancelExisting.
FileOverType EffectiveFileOverType(uint8_t fileOverTp);

// Where the desktop program keeps its files.
struct DesktopPaths {
  // Home of "Scrivtar.dat", "Scrivtar.job" and "scrivact.log"; ends in "/".
  std::string ProgramDir;
  // The user's documents folder, ending in "/": the default target and add directory.
  std::string DocumentsDir;
};

// The environment the paths are worked out from; tests pass their own.
struct DesktopEnvironment {
  std::filesystem::path ExecutableDir;  // the running program's directory
  std::string Home;                     // $HOME
  std::string XdgConfigHome;            // $XDG_CONFIG_HOME, empty when unset
  std::string XdgDocumentsDir;          // $XDG_DOCUMENTS_DIR, empty when unset

  // From the process: ExecutableDir() and the variables above.
  static DesktopEnvironment FromProcess();
};

// ProgramDir is the executable's directory when a file can be created there, otherwise
// $XDG_CONFIG_HOME/scrivtar/ (default ~/.config/scrivtar/), created when missing.
// DocumentsDir is XDG_DOCUMENTS_DIR (the variable, else the user-dirs.dirs entry) when that
// directory exists, otherwise the home directory.
DesktopPaths ResolveDesktopPaths(const DesktopEnvironment& environment);

// The file names inside ProgramDir.
inline constexpr std::string_view kSettingsFileName = "Scrivtar.dat";
inline constexpr std::string_view kJobFileName = "Scrivtar.job";
inline constexpr std::string_view kLogFileName = "scrivact.log";

// Every field at the default of a first start.
DesktopSettings DefaultSettings(const DesktopPaths& paths);

// Reads the settings file; a missing file, section or key, and a number that does not parse,
// give the key's default. Every value is cut to its first 2,047 bytes. Texts other than the
// two directories are stored in the system code page (systemCodePage, the locale's ANSI code
// page) and come back as UTF-8.
DesktopSettings LoadSettings(const std::filesystem::path& settingsFile, const DesktopPaths& paths,
                             int32_t systemCodePage);

// Writes every key in the file's order; false with a reason in *error when the file cannot be
// written (the file on disk is then left as it was).
bool SaveSettings(const std::filesystem::path& settingsFile, const DesktopSettings& settings,
                  int32_t systemCodePage, std::string* error = nullptr);

// The settings file's text for these settings (what SaveSettings writes).
std::string SettingsFileText(const DesktopSettings& settings, int32_t systemCodePage);
// The settings from a settings file's bytes (what LoadSettings reads).
DesktopSettings ParseSettingsText(std::string_view text, const DesktopPaths& paths,
                                  int32_t systemCodePage);

// Derived from FileTypeTable and UserFileExt, never stored.
struct ExtensionLookup {
  // "*.pdf;*.doc;...;*.hlp;" with the user masks after their type's default mask, lower case.
  std::string SupportedMasks;
  // Every mask of SupportedMasks, left to right, with the type index (1 to 10) it came from.
  std::vector<std::pair<std::string, int>> Masks;
};

ExtensionLookup RebuildExtensionLookup(const DesktopSettings& settings);

// The type index 1 to 10 of an extension with its leading dot, any case; 0 when it has none.
int FileTypeOfExtension(const ExtensionLookup& lookup, std::string_view extension);

// The type name of an index 1 to 10 ("" for any other index).
std::string_view FileTypeName(int typeIndex);

// A type's line in the Add directory list and the file dialog: description + "(" + default
// mask + ")", or with ";" + the user extension inside the parentheses when there is one.
std::string FileTypeCaption(const DesktopSettings& settings, int typeIndex);

}  // namespace scrivtar
