// The RTF filter behind the filter interface: CreateConverter, ReadConverter, CloseConverter
// and the file type it answers to. ReadConverter and CloseConverter are the shared ones of
// common/FilterSession.h.
#pragma once

#include "scrivtar/FilterApi.h"

namespace scrivtar::rtf {

const char* GetFilterExtensions();
int32_t CreateConverter(ScrStreamRecord* record);

}  // namespace scrivtar::rtf
