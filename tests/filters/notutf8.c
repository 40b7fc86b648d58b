/* Test filter: delivers 8-bit text that is not UTF-8 ("caf" E9 " ol" E9 CR LF "x"). */
#include <string.h>

#include "scrivtar/FilterApi.h"

static const char kText[] = "caf\xE9 ol\xE9\r\nx";

const char* GetFilterExtensions(void) {
  return "HLP";
}
int32_t CreateConverter(ScrStreamRecord* record) {
  record->filterState = (void*)kText; /* non-null: the text is still to come */
  return 0;
}
int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t size, uint32_t* count) {
  *count = 0;
  if (!record->filterState || size < sizeof kText - 1) return 0;
  memcpy(buffer, kText, sizeof kText - 1);
  *count = sizeof kText - 1;
  record->filterState = 0;
  return 0;
}
int32_t CloseConverter(ScrStreamRecord* record) {
  record->filterState = 0;
  return 0;
}
