#include "OfficeXRels.h"

#include <charconv>

#include "xml/ECXMLParser.h"

namespace scrivtar {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string DecodePercent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The relationship id of a listed element: its namespaced "id" attribute (r:id).
bool RelationshipId(TXMLItem item, std::string* id) {
  for (const std::string& line : item.Params().Lines()) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view name = std::string_view(line).substr(0, eq);
    if (name.find(':') == std::string_view::npos || !EqualsIgnoringCase(LocalName(name), "id"))
      continue;
    *id = line.substr(eq + 1);
    return true;
  }
  return false;
}

}  // namespace

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

TXMLItem ChildNamed(TXMLItem parent, std::string_view name) {
  const int count = parent.Count();
  for (int i = 0; i < count; ++i) {
    TXMLItem child = parent.SubItem(i);
    if (EqualsIgnoringCase(LocalName(child.Name()), name)) return child;
  }
  return TXMLItem();
}

std::string RelationshipPartOf(std::string_view part) {
  const size_t slash = part.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
  const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(name) + ".rels";
}

std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
  const std::string decoded = DecodePercent(target);
  std::string_view rest = decoded;
  std::vector<std::string_view> segments;
  if (!rest.empty() && rest.front() == '/') {
    rest.remove_prefix(1);
  } else {
    std::string_view folder = sourcePart;
    const size_t slash = folder.rfind('/');
    folder = slash == std::string_view::npos ? std::string_view() : folder.substr(0, slash);
    while (!folder.empty()) {
      const size_t cut = folder.find('/');
      segments.push_back(folder.substr(0, cut));
      folder = cut == std::string_view::npos ? std::string_view() : folder.substr(cut + 1);
    }
  }
  while (!rest.empty()) {
    const size_t cut = rest.find_first_of("/\\");
    const std::string_view segment = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (segments.empty()) return {};
      segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string part;
  for (std::string_view segment : segments) {
    if (!part.empty()) part += '/';
    part.append(segment);
  }
  return part;
}

std::vector<Relationship> ReadRelationships(TXMLItem root, std::string_view sourcePart) {
  std::vector<Relationship> relationships;
  const int count = root.Count();
  for (int i = 0; i < count; ++i) {
    TXMLItem item = root.SubItem(i);
    if (!EqualsIgnoringCase(LocalName(item.Name()), "Relationship")) continue;
    const TXMLParams params = item.Params();
    std::string mode;
    if (params.FindValue("TargetMode", &mode) && EqualsIgnoringCase(mode, "External")) continue;
    Relationship r;
    std::string target;
    if (!params.FindValue("Target", &target)) continue;
    r.target = ResolveTarget(sourcePart, target);
    if (r.target.empty()) continue;
    params.FindValue("Id", &r.id);
    std::string type;
    params.FindValue("Type", &type);
    const size_t slash = type.rfind('/');
    r.type = slash == std::string::npos ? type : type.substr(slash + 1);
    relationships.push_back(std::move(r));
  }
  return relationships;
}

std::string TargetOfType(const std::vector<Relationship>& relationships, std::string_view type) {
  for (const Relationship& r : relationships) {
    if (EqualsIgnoringCase(r.type, type)) return r.target;
  }
  return {};
}

std::vector<std::string> ListedTargets(TXMLItem root, std::string_view listName,
                                       std::string_view itemName,
                                       const std::vector<Relationship>& relationships,
                                       std::string_view type) {
  std::vector<std::string> targets;
  const TXMLItem list = ChildNamed(root, listName);
  if (!list) return targets;
  const int count = list.Count();
  std::string id;
  for (int i = 0; i < count; ++i) {
    TXMLItem item = list.SubItem(i);
    if (!EqualsIgnoringCase(LocalName(item.Name()), itemName) || !RelationshipId(item, &id))
      continue;
    for (const Relationship& r : relationships) {
      if (r.id == id && EqualsIgnoringCase(r.type, type)) {
        targets.push_back(r.target);
        break;
      }
    }
  }
  return targets;
}

int PartNumber(std::string_view part, int fallback) {
  const size_t dot = part.rfind('.');
  const size_t slash = part.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return fallback;
  }
  size_t first = dot;
  while (first > 0 && part[first - 1] >= '0' && part[first - 1] <= '9') --first;
  int number = 0;
  auto [end, ec] = std::from_chars(part.data() + first, part.data() + dot, number);
  if (first == dot || ec != std::errc() || end != part.data() + dot) return fallback;
  return number;
}

std::string ZipPartName(std::string_view part) {
  std::string name(part);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

}  // namespace scrivtar
