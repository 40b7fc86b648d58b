// The user's locale settings, read once from the process locale. The C and POSIX locales (and
// C.UTF-8) give built-in en-US values. Tests build a UserLocale themselves.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace scrivtar {

struct UserLocale {
  std::string name;             // e.g. "en_US.UTF-8"; "C" for the built-in values
  std::string charset;          // nl_langinfo(CODESET), e.g. "UTF-8", "CP1251", "ANSI_X3.4-1968"
  int32_t ansiCodePage = 1252;  // the Windows ANSI code page of language and territory
  int32_t oemCodePage = 437;    // the OEM code page of language and territory

  // Every text below is UTF-8.
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string amDesignator = "AM";
  std::string pmDesignator = "PM";
  // Windows-style patterns (d, M, y, h, H, m, s, t letters).
  std::string shortDatePattern = "M/d/yyyy";
  std::string longDatePattern = "dddd, MMMM d, yyyy";
  std::string shortTimePattern = "h:mm tt";
  std::string longTimePattern = "h:mm:ss tt";
  std::array<std::string, 12> monthNames;
  std::array<std::string, 12> monthAbbrevs;
  std::array<std::string, 7> dayNames;    // Sunday first
  std::array<std::string, 7> dayAbbrevs;  // Sunday first
  // The era of dates; Linux has no alternative calendars, so this is the Gregorian era.
  std::string eraName = "A.D.";

  // The built-in en-US values (used for C and POSIX).
  static UserLocale EnUs();
  // Read from a named locale (newlocale); falls back to EnUs() when it cannot be loaded.
  static UserLocale FromName(const std::string& localeName);
  // The process locale as the environment sets it (LC_ALL, LC_CTYPE, LANG ...), read once.
  static const UserLocale& Process();
};

// The ANSI and OEM code pages of a locale name such as "ru_RU" or "ja_JP.eucJP".
int32_t AnsiCodePageOfLocaleName(const std::string& localeName);
int32_t OemCodePageOfLocaleName(const std::string& localeName);

}  // namespace scrivtar
