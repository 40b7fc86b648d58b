// Locale settings from glibc: newlocale + nl_langinfo_l, with strftime formats turned into
// Windows-style date and time patterns.
#include "scrivtar/UserLocale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>

namespace scrivtar {

namespace {

struct LanguageCodePages {
  const char* prefix;  // language, or language_territory
  int32_t ansi;
  int32_t oem;
};

// Most specific entries first: the first prefix that matches wins.
constexpr LanguageCodePages kLanguageCodePages[] = {
    {"zh_TW", 950, 950}, {"zh_HK", 950, 950}, {"zh_MO", 950, 950},  {"zh", 936, 936},
    {"ja", 932, 932},    {"ko", 949, 949},    {"th", 874, 874},     {"vi", 1258, 1258},
    {"ru", 1251, 866},   {"uk", 1251, 866},   {"be", 1251, 866},    {"bg", 1251, 866},
    {"mk", 1251, 866},   {"kk", 1251, 866},   {"ky", 1251, 866},    {"tt", 1251, 866},
    {"mn", 1251, 866},   {"sr", 1251, 855},   {"pl", 1250, 852},    {"cs", 1250, 852},
    {"sk", 1250, 852},   {"hu", 1250, 852},   {"hr", 1250, 852},    {"sl", 1250, 852},
    {"ro", 1250, 852},   {"sq", 1250, 852},   {"bs", 1250, 852},    {"el", 1253, 737},
    {"tr", 1254, 857},   {"az", 1254, 857},   {"he", 1255, 862},    {"iw", 1255, 862},
    {"ar", 1256, 720},   {"fa", 1256, 720},   {"ur", 1256, 720},    {"et", 1257, 775},
    {"lv", 1257, 775},   {"lt", 1257, 775},   {"en_US", 1252, 437}, {"en_CA", 1252, 850},
};

const LanguageCodePages* FindLanguage(const std::string& name) {
  for (const auto& entry : kLanguageCodePages) {
    size_t n = std::strlen(entry.prefix);
    if (name.compare(0, n, entry.prefix) == 0 &&
        (name.size() == n || name[n] == '_' || name[n] == '.' || name[n] == '@')) {
      return &entry;
    }
  }
  return nullptr;
}

bool IsBuiltInLocale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// Turns a strftime format into a Windows date/time pattern.
std::string PatternOfStrftime(const std::string& format) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        out += '\'';
        out += c;
        out += '\'';
      } else {
        out += c;
      }
      continue;
    }
    if (++i >= format.size()) break;
    char spec = format[i];
    // Skip glibc's flag and modifier characters (%-d, %Ey, %Od).
    while ((spec == '-' || spec == '_' || spec == '0' || spec == '^' || spec == '#' ||
            spec == 'E' || spec == 'O') &&
           i + 1 < format.size()) {
      spec = format[++i];
    }
    // One case a line: the table reads as the mapping it is.
    // clang-format off
    switch (spec) {
      case 'd': out += "dd"; break;
      case 'e': out += "d"; break;
      case 'm': out += "MM"; break;
      case 'y': out += "yy"; break;
      case 'Y': out += "yyyy"; break;
      case 'b': case 'h': out += "MMM"; break;
      case 'B': out += "MMMM"; break;
      case 'a': out += "ddd"; break;
      case 'A': out += "dddd"; break;
      case 'H': out += "HH"; break;
      case 'k': out += "H"; break;
      case 'I': out += "hh"; break;
      case 'l': out += "h"; break;
      case 'M': out += "mm"; break;
      case 'S': out += "ss"; break;
      case 'p': case 'P': out += "tt"; break;
      case 'D': out += "MM/dd/yy"; break;
      case 'F': out += "yyyy-MM-dd"; break;
      case 'T': out += "HH:mm:ss"; break;
      case 'R': out += "HH:mm"; break;
      case 'r': out += "hh:mm:ss tt"; break;
      case '%': out += '%'; break;
      default: break;  // zones, week numbers and the like have no pattern letter
    }
    // clang-format on
  }
  return out;
}

// The first character between pattern fields, e.g. "/" in "MM/dd/yyyy".
std::string SeparatorOf(const std::string& pattern, const char* fieldLetters) {
  bool inField = false;
  for (char c : pattern) {
    bool isField = std::strchr(fieldLetters, c) != nullptr;
    if (isField) {
      inField = true;
    } else if (inField && c != '\'' && c != ' ') {
      return std::string(1, c);
    }
  }
  return {};
}

// The short time pattern: the long one without its seconds.
std::string WithoutSeconds(std::string pattern) {
  size_t s = pattern.find("ss");
  if (s == std::string::npos) s = pattern.find('s');
  if (s == std::string::npos || s == 0) return pattern;
  size_t start = s;
  while (start > 0 && pattern[start - 1] != 'm' && pattern[start - 1] != 'M') --start;
  size_t end = s;
  while (end < pattern.size() && pattern[end] == 's') ++end;
  pattern.erase(start, end - start);
  return pattern;
}

}  // namespace

UserLocale UserLocale::EnUs() {
  UserLocale l;
  l.name = "C";
  l.charset = "ANSI_X3.4-1968";
  l.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                  "July",    "August",   "September", "October", "November", "December"};
  l.monthAbbrevs = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  l.dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  l.dayAbbrevs = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return l;
}

int32_t AnsiCodePageOfLocaleName(const std::string& localeName) {
  const LanguageCodePages* entry = FindLanguage(localeName);
  return entry ? entry->ansi : 1252;
}

int32_t OemCodePageOfLocaleName(const std::string& localeName) {
  const LanguageCodePages* entry = FindLanguage(localeName);
  if (entry) return entry->oem;
  return IsBuiltInLocale(localeName) ? 437 : 850;
}

UserLocale UserLocale::FromName(const std::string& localeName) {
  UserLocale l = EnUs();
  if (IsBuiltInLocale(localeName)) {
    l.name = localeName.empty() ? "C" : localeName;
    if (localeName.find("UTF-8") != std::string::npos ||
        localeName.find("utf8") != std::string::npos) {
      l.charset = "UTF-8";
    }
    return l;
  }
  locale_t loc = newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) {
    // Not installed: keep the built-in texts but still take the code pages from the name.
    l.name = localeName;
    l.ansiCodePage = AnsiCodePageOfLocaleName(localeName);
    l.oemCodePage = OemCodePageOfLocaleName(localeName);
    size_t dot = localeName.find('.');
    if (dot != std::string::npos) l.charset = localeName.substr(dot + 1);
    return l;
  }
  auto info = [&](nl_item item) { return std::string(nl_langinfo_l(item, loc)); };
  l.name = localeName;
  l.charset = info(CODESET);
  l.ansiCodePage = AnsiCodePageOfLocaleName(localeName);
  l.oemCodePage = OemCodePageOfLocaleName(localeName);
  l.decimalSeparator = info(RADIXCHAR);
  l.thousandsSeparator = info(THOUSEP);
  l.amDesignator = info(AM_STR);
  l.pmDesignator = info(PM_STR);
  for (int i = 0; i < 12; ++i) {
    l.monthNames[i] = info(static_cast<nl_item>(MON_1 + i));
    l.monthAbbrevs[i] = info(static_cast<nl_item>(ABMON_1 + i));
  }
  for (int i = 0; i < 7; ++i) {
    l.dayNames[i] = info(static_cast<nl_item>(DAY_1 + i));
    l.dayAbbrevs[i] = info(static_cast<nl_item>(ABDAY_1 + i));
  }
  l.shortDatePattern = PatternOfStrftime(info(D_FMT));
  std::string longTime = PatternOfStrftime(info(T_FMT));
  if (!longTime.empty()) {
    l.longTimePattern = longTime;
    l.shortTimePattern = WithoutSeconds(longTime);
  }
  if (localeName.rfind("en_US", 0) != 0) l.longDatePattern = "d MMMM yyyy";
  l.dateSeparator = SeparatorOf(l.shortDatePattern, "dMy");
  l.timeSeparator = SeparatorOf(l.longTimePattern, "hHms");
  freelocale(loc);
  return l;
}

const UserLocale& UserLocale::Process() {
  static const UserLocale process = [] {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(var);
      if (value && *value) return FromName(value);
    }
    return FromName("C");
  }();
  return process;
}

}  // namespace scrivtar
