// The spreadsheet extractor's entry point: the text of every worksheet of an Excel binary
// workbook (BIFF8 records in the "Workbook" stream, or "Book"), through the output step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

struct UserLocale;
class TDocFileStorage;

// The text of a workbook stream held in memory (UTF-8, CR LF line ends); the byte count, or
// -11 for an encrypted workbook. Throws EXlsPatternTooLong and memory exhaustion.
int32_t ExtractXlsStreamText(const uint8_t* stream, size_t size, const UserLocale& locale,
                             std::string& text);

// The text of the workbook stream of an open compound document; 0 with no text when it has
// neither a "Workbook" nor a "Book" stream.
int32_t ExtractXlsStorageText(TDocFileStorage& storage, const UserLocale& locale,
                              std::string& text);

// The text of an .xls file: -2 missing, -5 not a compound document, -4 cannot be opened.
int32_t ExtractXlsText(const std::filesystem::path& fileName, int32_t reserved, std::string& text,
                       const UserLocale& locale);

// Entry point for type XLS. codePage 0 is the locale's default code page; lineBreakStyle 1 CR,
// 2 LF, anything else CR LF; unused is not read. Every failure inside gives -5.
int32_t ConvertXls(const UserLocale& locale, const std::filesystem::path& source, int32_t limit,
                   OutputBlock& block, int32_t codePage, int32_t lineBreakStyle, int32_t unused);

}  // namespace scrivtar
