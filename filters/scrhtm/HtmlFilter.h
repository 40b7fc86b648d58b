// The HTML filter behind the filter interface: CreateConverter, ReadConverter, CloseConverter
// and the file type it answers to. ReadConverter and CloseConverter are the shared ones of
// common/FilterSession.h.
#pragma once

#include <string>
#include <string_view>

#include "scrivtar/FilterApi.h"

namespace scrivtar::html {

// The text of a whole HTML document, appended to out as UTF-8.
void ParseHtml(std::string_view document, std::string& out);

const char* GetFilterExtensions();
int32_t CreateConverter(ScrStreamRecord* record);

}  // namespace scrivtar::html
