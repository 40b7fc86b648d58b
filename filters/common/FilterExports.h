// The four C exports of a filter library, over its extension and CreateConverter and the shared
// ReadConverter and CloseConverter.
#pragma once

#include "FilterSession.h"

#define SCRIVTAR_FILTER_EXPORT extern "C" __attribute__((visibility("default")))

#define SCRIVTAR_FILTER_EXPORTS(extensionsFn, createFn)                                \
  SCRIVTAR_FILTER_EXPORT const char* GetFilterExtensions(void) {                       \
    return extensionsFn();                                                             \
  }                                                                                    \
  SCRIVTAR_FILTER_EXPORT int32_t CreateConverter(ScrStreamRecord* record) {            \
    return createFn(record);                                                           \
  }                                                                                    \
  SCRIVTAR_FILTER_EXPORT int32_t ReadConverter(ScrStreamRecord* record, void* buffer,  \
                                               uint32_t bufferSize, uint32_t* count) { \
    return scrivtar::filters::ReadConverterOf(record, buffer, bufferSize, count);      \
  }                                                                                    \
  SCRIVTAR_FILTER_EXPORT int32_t CloseConverter(ScrStreamRecord* record) {             \
    return scrivtar::filters::CloseConverterOf(record);                                \
  }
