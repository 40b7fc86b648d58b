#include "HtmlCharset.h"

#include <libxml/encoding.h>

#include <algorithm>
#include <cctype>

#include "../common/Utf8.h"

namespace scrivtar::html {

namespace {

// Declarations are looked for in the head; a page that has none there has none.
constexpr size_t kScanLimit = 1 << 20;

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string ToLower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view prefix) {
  if (s.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(s[at + i]) != prefix[i]) return false;
  }
  return true;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The charset value inside a Content-Type value ("text/html; charset=windows-1252").
std::string CharsetOfContentType(std::string_view content) {
  std::string lower = ToLower(content);
  size_t at = lower.find("charset");
  if (at == std::string::npos) return {};
  at += 7;
  while (at < lower.size() && IsSpace(lower[at])) ++at;
  if (at >= lower.size() || lower[at] != '=') return {};
  ++at;
  while (at < lower.size() && IsSpace(lower[at])) ++at;
  if (at < lower.size() && (lower[at] == '"' || lower[at] == '\'')) ++at;
  size_t end = at;
  while (end < lower.size() && !IsSpace(lower[end]) && lower[end] != ';' && lower[end] != '"' &&
         lower[end] != '\'')
    ++end;
  return lower.substr(at, end - at);
}

// Reads the attributes of the tag starting at `at` (just after its name) up to '>'. Returns the
// charset the meta tag declares, if any; `at` ends after the tag.
std::string CharsetOfMeta(std::string_view s, size_t& at) {
  std::string charset, httpEquiv, content;
  while (at < s.size() && s[at] != '>') {
    if (IsSpace(s[at]) || s[at] == '/') {
      ++at;
      continue;
    }
    size_t nameStart = at;
    while (at < s.size() && !IsSpace(s[at]) && s[at] != '=' && s[at] != '>' && s[at] != '/') ++at;
    std::string name = ToLower(s.substr(nameStart, at - nameStart));
    while (at < s.size() && IsSpace(s[at])) ++at;
    std::string value;
    if (at < s.size() && s[at] == '=') {
      ++at;
      while (at < s.size() && IsSpace(s[at])) ++at;
      if (at < s.size() && (s[at] == '"' || s[at] == '\'')) {
        char quote = s[at++];
        size_t valueStart = at;
        while (at < s.size() && s[at] != quote) ++at;
        value = s.substr(valueStart, at - valueStart);
        if (at < s.size()) ++at;
      } else {
        size_t valueStart = at;
        while (at < s.size() && !IsSpace(s[at]) && s[at] != '>') ++at;
        value = s.substr(valueStart, at - valueStart);
      }
    }
    if (name == "charset") charset = ToLower(value);
    if (name == "http-equiv") httpEquiv = ToLower(value);
    if (name == "content") content = value;
  }
  if (!charset.empty()) return charset;
  if (httpEquiv == "content-type") return CharsetOfContentType(content);
  return {};
}

std::string Trim(std::string s) {
  while (!s.empty() && IsSpace(s.back())) s.pop_back();
  size_t start = 0;
  while (start < s.size() && IsSpace(s[start])) ++start;
  return s.substr(start);
}

}  // namespace

std::string DeclaredCharset(std::string_view document) {
  if (document.substr(0, 3) == "\xEF\xBB\xBF") return "utf-8";
  if (document.substr(0, 2) == "\xFF\xFE") return "utf-16le";
  if (document.substr(0, 2) == "\xFE\xFF") return "utf-16be";
  std::string_view s = document.substr(0, kScanLimit);
  size_t at = 0;
  while ((at = s.find('<', at)) != std::string_view::npos) {
    if (s.compare(at, 4, "<!--") == 0) {
      size_t end = s.find("-->", at + 4);
      if (end == std::string_view::npos) break;
      at = end + 3;
      continue;
    }
    if (StartsWithNoCase(s, at, "<body")) break;
    if (StartsWithNoCase(s, at, "<meta") && at + 5 < s.size() &&
        (IsSpace(s[at + 5]) || s[at + 5] == '/')) {
      at += 5;
      std::string charset = Trim(CharsetOfMeta(s, at));
      if (!charset.empty()) return charset;
      continue;
    }
    ++at;
  }
  return {};
}

std::string ChooseEncoding(std::string_view document) {
  std::string label = DeclaredCharset(document);
  // Browsers read the Latin-1 and ASCII labels as Windows-1252, and so do we.
  if (label == "iso-8859-1" || label == "iso8859-1" || label == "latin1" || label == "l1" ||
      label == "us-ascii" || label == "ascii" || label == "cp819" || label == "ibm819" ||
      label == "iso-ir-100" || label == "x-cp1252" || label == "cp1252") {
    return "windows-1252";
  }
  if (label == "utf8" || label == "unicode-1-1-utf-8") return "UTF-8";
  // A document that is ASCII on the surface cannot be UTF-16 behind a meta tag.
  if ((label == "utf-16" || label == "utf-16le" || label == "utf-16be") &&
      document.substr(0, 2) != "\xFF\xFE" && document.substr(0, 2) != "\xFE\xFF") {
    label.clear();
  }
  if (!label.empty()) {
    if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(label.c_str())) {
      xmlCharEncCloseFunc(handler);
      return label;
    }
  }
  return filters::IsValidUtf8(document) ? "UTF-8" : "windows-1252";
}

}  // namespace scrivtar::html
