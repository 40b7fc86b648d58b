// The four exports of the help-file filter library scrhlp.so (the filter interface of
// include/scrivtar/FilterApi.h). Declared here for the in-process users: the unit tests, the fuzz
// target and the benchmark link the filter's core directly.
#pragma once

#include "scrivtar/FilterApi.h"

#define SCRHLP_EXPORT __attribute__((visibility("default")))

extern "C" {
SCRHLP_EXPORT const char* GetFilterExtensions(void);
SCRHLP_EXPORT int32_t CreateConverter(ScrStreamRecord* record);
SCRHLP_EXPORT int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t bufferSize,
                                    uint32_t* count);
SCRHLP_EXPORT int32_t CloseConverter(ScrStreamRecord* record);
}
