#include "DesktopSettings.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "AtomicFile.h"
#include "scrivtar/HostText.h"

namespace scrivtar {

namespace {

constexpr size_t kValueLimit = 2047;

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// True when a new file can be made in the directory (root passes access() everywhere, so the
// probe really creates one).
bool CanCreateFileIn(const std::filesystem::path& dir) {
  std::filesystem::path probe = dir / (".scrivtar-probe-" + std::to_string(getpid()));
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFromUserDirs(const std::filesystem::path& configHome,
                                  const std::string& home) {
  std::ifstream in(configHome / "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  }
  return {};
}

bool ParseInt(std::string_view text, int64_t& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

FileOverType EffectiveFileOverType(uint8_t fileOverTp) {
  return fileOverTp <= kPrompt ? static_cast<FileOverType>(fileOverTp) : kCancelExisting;
}

DesktopEnvironment DesktopEnvironment::FromProcess() {
  DesktopEnvironment env;
  env.ExecutableDir = scrivtar::ExecutableDir();
  auto var = [](const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
  };
  env.Home = var("HOME");
  env.XdgConfigHome = var("XDG_CONFIG_HOME");
  env.XdgDocumentsDir = var("XDG_DOCUMENTS_DIR");
  return env;
}

DesktopPaths ResolveDesktopPaths(const DesktopEnvironment& env) {
  DesktopPaths paths;
  std::filesystem::path configHome = env.XdgConfigHome.empty()
                                         ? std::filesystem::path(env.Home) / ".config"
                                         : std::filesystem::path(env.XdgConfigHome);
  if (!env.ExecutableDir.empty() && CanCreateFileIn(env.ExecutableDir)) {
    paths.ProgramDir = WithSlash(env.ExecutableDir.string());
  } else {
    std::filesystem::path dir = configHome / "scrivtar";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    paths.ProgramDir = WithSlash(dir.string());
  }
  std::string documents = env.XdgDocumentsDir;
  if (documents.empty()) documents = DocumentsFromUserDirs(configHome, env.Home);
  std::error_code ec;
  if (documents.empty() || !std::filesystem::is_directory(documents, ec)) documents = env.Home;
  if (documents.empty()) documents = "/";
  paths.DocumentsDir = WithSlash(documents);
  return paths;
}

DesktopSettings DefaultSettings(const DesktopPaths& paths) {
  DesktopSettings s;
  s.TargetDir = paths.DocumentsDir;
  s.AddDir = paths.DocumentsDir;
  return s;
}

std::string SettingsFileText(const DesktopSettings& s, int32_t systemCodePage) {
  std::string out = "[general]\r\n";
  auto put = [&](std::string_view key, const std::string& value) {
    out.append(key);
    out += '=';
    out += value;
    out += "\r\n";
  };
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  put("samedir", flag(s.SameDir));
  put("targetdir", s.TargetDir);
  put("adddir", s.AddDir);
  put("fileovertp", std::to_string(s.FileOverTp));
  put("sourcecode", std::to_string(s.SourceCode));
  put("targetcode", std::to_string(s.TargetCode));
  for (int i = 0; i < kFileTypeCount; ++i) {
    put("userfileext" + std::to_string(i + 1),
        Utf16ToCodePage(systemCodePage, BytesToUtf16Escaped(s.UserFileExt[i])));
  }
  for (int i = 0; i < kFileTypeCount; ++i) put("selext" + std::to_string(i + 1), flag(s.SelExt[i]));
  put("recursive", flag(s.Recursive));
  put("pagebreak", flag(s.PageBreak));
  put("textorder", std::to_string(s.TextOrder));
  put("keepraw", std::to_string(s.KeepRaw));
  put("notlog", flag(s.NotLog));
  return out;
}

DesktopSettings ParseSettingsText(std::string_view text, const DesktopPaths& paths,
                                  int32_t systemCodePage) {
  // Keys of section "general" (names compare without regard to case, as INI readers do); the
  // first occurrence of a key wins.
  std::map<std::string, std::string> values;
  bool inGeneral = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      inGeneral = close != std::string_view::npos && Lower(line.substr(1, close - 1)) == "general";
      continue;
    }
    if (!inGeneral) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    std::string_view value = line.substr(eq + 1);
    if (value.size() > kValueLimit) value = value.substr(0, kValueLimit);
    values.emplace(Lower(key), std::string(value));
  }

  DesktopSettings s = DefaultSettings(paths);
  auto text_ = [&](const std::string& key, std::string& field) {
    auto it = values.find(key);
    if (it != values.end()) field = it->second;
  };
  auto integer = [&](const std::string& key, int64_t& field) {
    auto it = values.find(key);
    int64_t v = 0;
    if (it != values.end() && ParseInt(it->second, v)) field = v;
  };
  auto boolean = [&](const std::string& key, bool& field) {
    int64_t v = field ? 1 : 0;
    integer(key, v);
    field = v != 0;
  };
  auto int32 = [&](const std::string& key, int32_t& field) {
    int64_t v = field;
    integer(key, v);
    field = static_cast<int32_t>(static_cast<uint32_t>(v));
  };
  boolean("samedir", s.SameDir);
  text_("targetdir", s.TargetDir);
  text_("adddir", s.AddDir);
  int64_t over = s.FileOverTp;
  integer("fileovertp", over);
  s.FileOverTp = static_cast<uint8_t>(over);  // held as one byte, as stored
  int32("sourcecode", s.SourceCode);
  int32("targetcode", s.TargetCode);
  for (int i = 0; i < kFileTypeCount; ++i) {
    std::string raw;
    text_("userfileext" + std::to_string(i + 1), raw);
    s.UserFileExt[i] = Utf16ToBytesEscaped(CodePageToUtf16(systemCodePage, raw));
  }
  for (int i = 0; i < kFileTypeCount; ++i) boolean("selext" + std::to_string(i + 1), s.SelExt[i]);
  boolean("recursive", s.Recursive);
  boolean("pagebreak", s.PageBreak);
  int32("textorder", s.TextOrder);
  int32("keepraw", s.KeepRaw);
  boolean("notlog", s.NotLog);
  return s;
}

DesktopSettings LoadSettings(const std::filesystem::path& settingsFile, const DesktopPaths& paths,
                             int32_t systemCodePage) {
  std::string bytes;
  if (!ReadWholeFile(settingsFile, bytes, 1 << 20)) return DefaultSettings(paths);
  return ParseSettingsText(bytes, paths, systemCodePage);
}

bool SaveSettings(const std::filesystem::path& settingsFile, const DesktopSettings& settings,
                  int32_t systemCodePage, std::string* error) {
  std::string text = SettingsFileText(settings, systemCodePage);
  int32_t r = WriteFileAtomically(settingsFile, reinterpret_cast<const uint8_t*>(text.data()),
                                  text.size(), error);
  return r == 0;
}

ExtensionLookup RebuildExtensionLookup(const DesktopSettings& settings) {
  ExtensionLookup lookup;
  auto addSegment = [&](std::string_view segment, int index) {
    std::string lower = Lower(segment);
    lookup.SupportedMasks += lower;
    lookup.SupportedMasks += ';';
    size_t pos = 0;
    while (pos <= lower.size()) {
      size_t end = lower.find(';', pos);
      if (end == std::string::npos) end = lower.size();
      if (end > pos) lookup.Masks.emplace_back(lower.substr(pos, end - pos), index);
      pos = end + 1;
    }
  };
  for (int i = 0; i < kFileTypeCount; ++i) {
    addSegment(FileTypeTable[i].DefaultMask, i + 1);
    if (!settings.UserFileExt[i].empty()) addSegment(settings.UserFileExt[i], i + 1);
  }
  return lookup;
}

int FileTypeOfExtension(const ExtensionLookup& lookup, std::string_view extension) {
  if (extension.empty()) return 0;
  std::string wanted = "*" + Lower(extension);
  for (const auto& [mask, index] : lookup.Masks) {
    if (mask == wanted) return index;
  }
  return 0;
}

std::string_view FileTypeName(int typeIndex) {
  if (typeIndex < 1 || typeIndex > kFileTypeCount) return {};
  return FileTypeTable[typeIndex - 1].TypeName;
}

std::string FileTypeCaption(const DesktopSettings& settings, int typeIndex) {
  if (typeIndex < 1 || typeIndex > kFileTypeCount) return {};
  const FileTypeRow& row = FileTypeTable[typeIndex - 1];
  std::string caption = std::string(row.Description) + "(" + std::string(row.DefaultMask);
  if (!settings.UserFileExt[typeIndex - 1].empty()) {
    caption += ";" + settings.UserFileExt[typeIndex - 1];
  }
  return caption + ")";
}

}  // namespace scrivtar
