// The date pattern walk. Its letters follow a fixed pattern language rather than Excel's: "m"
// is the month unless the letter before it was an "h", and "t", "c", "ddddd" insert the
// locale's own time and date patterns (read by the same walk, one level deep).
#include "VtXlsDateText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "VtXlsNumberText.h"
#include "scrivtar/UserLocale.h"

namespace scrivtar {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr double kFirstSerial = -693593;     // 1 January 0001
constexpr double kEndSerial = 2958466;       // 1 January 10000
constexpr double k1904Offset = 1462;         // 1 January 1904 in the 1900 date system
constexpr int64_t kUnixEpochSerial = 25569;  // 1 January 1970

struct TDateParts {
  int year = 1899, month = 12, day = 30;
  int dayOfWeek = 7;  // 1 Sunday ... 7 Saturday
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Days since 1 January 1970 to a proleptic Gregorian date.
void CivilFromDays(int64_t z, TDateParts& parts) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  parts.year = static_cast<int>(yoe + era * 400 + (m <= 2));
  parts.month = static_cast<int>(m);
  parts.day = static_cast<int>(d);
}

// Decodes a serial rounded to the millisecond; false when it lies outside the years 1 to 9999.
bool DecodeSerial(double serial, XlsDateSystem system, TDateParts& parts) {
  if (system == XlsDateSystem::k1904) serial += k1904Offset;
  if (!(serial >= kFirstSerial && serial < kEndSerial)) return false;
  int64_t ms = std::llround(serial * static_cast<double>(kMsPerDay));
  int64_t days = ms / kMsPerDay;
  int64_t msOfDay = ms % kMsPerDay;
  if (msOfDay < 0) {
    msOfDay += kMsPerDay;
    --days;
  }
  if (days >= static_cast<int64_t>(kEndSerial)) return false;
  parts.dayOfWeek = static_cast<int>(((days % 7 + 7) % 7 + 6) % 7) + 1;
  if (system == XlsDateSystem::k1900 && days == 60) {
    // Excel's day 60 is 29 February 1900, a day the calendar never had.
    parts.year = 1900;
    parts.month = 2;
    parts.day = 29;
  } else {
    // Excel counts 1900 as a leap year: its serials 1 to 59 are one day later than day 0 of
    // 30 December 1899 makes them.
    if (system == XlsDateSystem::k1900 && days >= 0 && days < 60) {
      ++days;
      parts.dayOfWeek = static_cast<int>((days + 6) % 7) + 1;
    }
    CivilFromDays(days - kUnixEpochSerial, parts);
  }
  parts.hour = static_cast<int>(msOfDay / 3600000);
  parts.minute = static_cast<int>(msOfDay / 60000 % 60);
  parts.second = static_cast<int>(msOfDay / 1000 % 60);
  parts.millisecond = static_cast<int>(msOfDay % 1000);
  return true;
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Case-insensitive test for an ASCII word at position i.
bool StartsWithNoCase(std::string_view text, size_t i, std::string_view word) {
  if (text.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (UpperAscii(text[i + k]) != word[k]) return false;
  }
  return true;
}

bool StartsAmPmMarker(std::string_view text, size_t i) {
  return StartsWithNoCase(text, i, "AM/PM") || StartsWithNoCase(text, i, "A/P") ||
         StartsWithNoCase(text, i, "AMPM");
}

// A locale pattern in this walk's letters: its "t" (the Windows AM/PM designator) becomes AMPM.
std::string LocalePatternForWalk(std::string_view windowsPattern) {
  std::string out;
  for (size_t i = 0; i < windowsPattern.size(); ++i) {
    char c = windowsPattern[i];
    if (c == '\'' || c == '"') {
      size_t close = windowsPattern.find(c, i + 1);
      size_t end = close == std::string_view::npos ? windowsPattern.size() : close + 1;
      out.append(windowsPattern.substr(i, end - i));
      i = end - 1;
    } else if (c == 't') {
      while (i + 1 < windowsPattern.size() && windowsPattern[i + 1] == 't') ++i;
      out += "AMPM";
    } else {
      out += c;
    }
  }
  return out;
}

class TDateWriter {
 public:
  TDateWriter(const TDateParts& parts, const UserLocale& locale, std::string& out)
      : parts_(parts), locale_(locale), out_(out) {}

  void Walk(std::string_view f, int level) {
    char last = ' ';
    bool twelveHour = false;
    size_t i = 0;
    while (i < f.size() && out_.size() <= kMaxDateTextBytes) {
      const char c = f[i];
      char letter = UpperAscii(c);
      const bool isLetter = letter >= 'A' && letter <= 'Z';
      if (isLetter) {
        if (letter == 'M' && last == 'H') letter = 'N';
        last = letter;
      }
      if (!isLetter) {
        i = WriteOther(f, i);
        continue;
      }
      if (letter == 'A') {
        i = WriteA(f, i, twelveHour);
        continue;
      }
      if (!IsRunLetter(letter)) {
        out_ += c;
        ++i;
        continue;
      }
      size_t run = 1;
      while (i + run < f.size() && f[i + run] == c) ++run;
      const int count = run > 64 ? 64 : static_cast<int>(run);
      i += run;
      if (letter == 'H') {
        bool twelve = twelveHour || AmPmFollows(f, i);
        int hour = parts_.hour;
        if (twelve) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        Number(hour, count >= 2 ? 2 : 1);
      } else {
        WriteRun(letter, count, level);
      }
    }
  }

 private:
  static bool IsRunLetter(char letter) {
    switch (letter) {
      case 'Y':
      case 'M':
      case 'N':
      case 'D':
      case 'H':
      case 'S':
      case 'Z':
      case 'T':
      case 'C':
      case 'G':
      case 'E':
        return true;
      default:
        return false;
    }
  }

  // Scanning forward outside quotes, the first "A" met before any "H" starts an AM/PM marker.
  static bool AmPmFollows(std::string_view f, size_t i) {
    while (i < f.size()) {
      char c = f[i];
      if (c == '"' || c == '\'') {
        size_t close = f.find(c, i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
        continue;
      }
      char letter = UpperAscii(c);
      if (letter == 'H') return false;
      if (letter == 'A') return StartsAmPmMarker(f, i);
      ++i;
    }
    return false;
  }

  void Number(int value, int width) {
    char buf[16];
    auto result = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value);
    for (int w = static_cast<int>(result.ptr - buf); w < width; ++w) out_ += '0';
    out_.append(buf, result.ptr);
  }

  void LocalePattern(const std::string& windowsPattern, int level) {
    if (level > 0) return;  // one level deep: a locale pattern inside one writes nothing
    Walk(LocalePatternForWalk(windowsPattern), level + 1);
  }

  void WriteRun(char letter, int count, int level) {
    switch (letter) {
      case 'Y':
        if (count <= 2) {
          Number(parts_.year % 100, 2);
        } else {
          Number(parts_.year, 4);
        }
        break;
      case 'M':
        if (count <= 2) {
          Number(parts_.month, count);
        } else {
          const auto& names = count == 3 ? locale_.monthAbbrevs : locale_.monthNames;
          out_ += names[static_cast<size_t>(parts_.month - 1)];
        }
        break;
      case 'N':
        Number(parts_.minute, count >= 2 ? 2 : 1);
        break;
      case 'S':
        Number(parts_.second, count >= 2 ? 2 : 1);
        break;
      case 'Z':
        Number(parts_.millisecond, count > 3 ? 3 : count);
        break;
      case 'D':
        if (count <= 2) {
          Number(parts_.day, count);
        } else if (count <= 4) {
          const auto& names = count == 3 ? locale_.dayAbbrevs : locale_.dayNames;
          out_ += names[static_cast<size_t>(parts_.dayOfWeek - 1)];
        } else {
          LocalePattern(count == 5 ? locale_.shortDatePattern : locale_.longDatePattern, level);
        }
        break;
      case 'T':
        LocalePattern(count == 1 ? locale_.shortTimePattern : locale_.longTimePattern, level);
        break;
      case 'C':
        if (level > 0) break;
        LocalePattern(locale_.shortDatePattern, level);
        if (parts_.hour != 0 || parts_.minute != 0 || parts_.second != 0 ||
            parts_.millisecond != 0) {
          out_ += ' ';
          LocalePattern(locale_.longTimePattern, level);
        }
        break;
      case 'G':
        out_ += locale_.eraName;
        break;
      case 'E':
        if (count >= 3) {
          Number(parts_.year, 4);
        } else {
          Number(parts_.year % 100, count == 1 ? 1 : 2);
        }
        break;
      default:
        break;
    }
  }

  size_t WriteA(std::string_view f, size_t i, bool& twelveHour) {
    const bool afternoon = parts_.hour >= 12;
    if (StartsWithNoCase(f, i, "AM/PM")) {
      out_.append(f.substr(afternoon ? i + 3 : i, 2));
      twelveHour = true;
      return i + 5;
    }
    if (StartsWithNoCase(f, i, "A/P")) {
      out_ += f[afternoon ? i + 2 : i];
      twelveHour = true;
      return i + 3;
    }
    if (StartsWithNoCase(f, i, "AMPM")) {
      out_ += afternoon ? locale_.pmDesignator : locale_.amDesignator;
      twelveHour = true;
      return i + 4;
    }
    if (StartsWithNoCase(f, i, "AAAA")) {
      out_ += locale_.dayNames[static_cast<size_t>(parts_.dayOfWeek - 1)];
      return i + 4;
    }
    if (StartsWithNoCase(f, i, "AAA")) {
      out_ += locale_.dayAbbrevs[static_cast<size_t>(parts_.dayOfWeek - 1)];
      return i + 3;
    }
    out_ += f[i];
    return i + 1;
  }

  size_t WriteOther(std::string_view f, size_t i) {
    const char c = f[i];
    if (c == '/') {
      out_ += locale_.dateSeparator;
    } else if (c == ':') {
      out_ += locale_.timeSeparator;
    } else if (c == '"' || c == '\'') {
      size_t close = f.find(c, i + 1);
      size_t end = close == std::string_view::npos ? f.size() : close;
      out_.append(f.substr(i + 1, end - i - 1));
      return end == f.size() ? end : end + 1;
    } else {
      out_ += c;
    }
    return i + 1;
  }

  const TDateParts& parts_;
  const UserLocale& locale_;
  std::string& out_;
};

}  // namespace

std::string DateTimePatternText(std::string_view pattern, double serial, const UserLocale& locale,
                                XlsDateSystem system) {
  TDateParts parts;
  if (!DecodeSerial(serial, system, parts)) return GeneralNumberText(serial, locale);
  std::string out;
  TDateWriter(parts, locale, out).Walk(pattern.empty() ? std::string_view("C") : pattern, 0);
  if (out.size() > kMaxDateTextBytes) {
    size_t limit = kMaxDateTextBytes;
    while (limit > 0 && (static_cast<unsigned char>(out[limit]) & 0xC0) == 0x80) --limit;
    out.resize(limit);
  }
  return out;
}

}  // namespace scrivtar
