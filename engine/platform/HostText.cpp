#include "scrivtar/HostText.h"

#include "CodePage.h"
#include "PathUtf16.h"
#include "ProgramDir.h"
#include "scrivtar/UserLocale.h"

namespace scrivtar {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Padded(int value, size_t width) {
  std::string s = std::to_string(value);
  while (s.size() < width) s.insert(s.begin(), '0');
  return s;
}

}  // namespace

std::u16string BytesToUtf16Escaped(std::string_view bytes) {
  return platform::PathToUtf16(std::filesystem::path(std::string(bytes)));
}

std::string Utf16ToBytesEscaped(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      out.push_back(static_cast<char>(u - 0xDC00));
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::u16string CodePageToUtf16(int32_t codePage, std::string_view bytes) {
  return platform::CodePageToWide(codePage, bytes);
}

std::string Utf16ToCodePage(int32_t codePage, std::u16string_view text) {
  return platform::WideToCodePage(codePage, text);
}

std::string FormatLocalTime(std::string_view pattern, const std::tm& time,
                            const UserLocale& locale) {
  std::string out;
  size_t i = 0;
  auto nameAt = [](const auto& names, int index) -> std::string {
    return index >= 0 && index < static_cast<int>(names.size()) ? names[index] : std::string();
  };
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '\'') {
      size_t end = pattern.find('\'', i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    int hour12 = time.tm_hour % 12 == 0 ? 12 : time.tm_hour % 12;
    bool pm = time.tm_hour >= 12;
    switch (c) {
      case 'd':
        if (run == 1)
          out += std::to_string(time.tm_mday);
        else if (run == 2)
          out += Padded(time.tm_mday, 2);
        else if (run == 3)
          out += nameAt(locale.dayAbbrevs, time.tm_wday);
        else
          out += nameAt(locale.dayNames, time.tm_wday);
        break;
      case 'M':
        if (run == 1)
          out += std::to_string(time.tm_mon + 1);
        else if (run == 2)
          out += Padded(time.tm_mon + 1, 2);
        else if (run == 3)
          out += nameAt(locale.monthAbbrevs, time.tm_mon);
        else
          out += nameAt(locale.monthNames, time.tm_mon);
        break;
      case 'y': {
        int year = time.tm_year + 1900;
        if (run == 1)
          out += std::to_string(year % 100);
        else if (run == 2)
          out += Padded(year % 100, 2);
        else
          out += Padded(year, run == 3 ? 3 : 4);
        break;
      }
      case 'h':
        out += run == 1 ? std::to_string(hour12) : Padded(hour12, 2);
        break;
      case 'H':
        out += run == 1 ? std::to_string(time.tm_hour) : Padded(time.tm_hour, 2);
        break;
      case 'm':
        out += run == 1 ? std::to_string(time.tm_min) : Padded(time.tm_min, 2);
        break;
      case 's':
        out += run == 1 ? std::to_string(time.tm_sec) : Padded(time.tm_sec, 2);
        break;
      case 't': {
        const std::string& designator = pm ? locale.pmDesignator : locale.amDesignator;
        out += run == 1 ? designator.substr(0, 1) : designator;
        break;
      }
      case 'g':
        out += locale.eraName;
        break;
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

std::filesystem::path ExecutableDir() {
  return platform::ProgramDir();
}

}  // namespace scrivtar
