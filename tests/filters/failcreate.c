/* Test filter: CreateConverter fails; ReadConverter would deliver text if the host called it. */
#include "scrivtar/FilterApi.h"

const char* GetFilterExtensions(void) {
  return "HTM";
}
int32_t CreateConverter(ScrStreamRecord* record) {
  (void)record;
  return 7;
}
int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t size, uint32_t* count) {
  (void)record;
  *count = 0;
  if (size < 4) return 0;
  char* out = buffer;
  out[0] = 'B', out[1] = 'A', out[2] = 'D', out[3] = '!';
  *count = 4;
  return 0;
}
int32_t CloseConverter(ScrStreamRecord* record) {
  record->filterState = 0;
  return 0;
}
