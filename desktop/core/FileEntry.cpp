#include "FileEntry.h"

#include "DesktopSettings.h"

namespace scrivtar {

std::string_view FileNamePart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ExtensionPart(std::string_view path) {
  std::string_view name = FileNamePart(path);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string TargetPathFor(std::string_view source, const DesktopSettings& settings) {
  std::string_view ext = ExtensionPart(source);
  std::string withTxt = std::string(source.substr(0, source.size() - ext.size())) + ".txt";
  if (settings.SameDir) return withTxt;
  return settings.TargetDir + std::string(FileNamePart(withTxt));
}

}  // namespace scrivtar
