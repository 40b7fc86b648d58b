/* Test filter: delivers 200,000 bytes ('a' to 'z' repeated, no line ends), each call filling the
 * caller's buffer. A host that asks for less than 65,536 bytes gets error 99; one that calls again
 * after the read that delivered 0 bytes gets "EXTRA", so either fault shows in the text. */
#include <stdlib.h>
#include <string.h>

#include "scrivtar/FilterApi.h"

enum { kTotal = 200000 };

typedef struct {
  uint32_t delivered;
  int endReported;
} BigState;

const char* GetFilterExtensions(void) {
  return "RTF";
}

int32_t CreateConverter(ScrStreamRecord* record) {
  BigState* state = calloc(1, sizeof *state);
  if (!state) return kScrFilterNoMemory;
  record->filterState = state;
  return 0;
}

int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t size, uint32_t* count) {
  BigState* state = record->filterState;
  char* out = buffer;
  *count = 0;
  if (state->endReported) {
    memcpy(out, "EXTRA", 5);
    *count = 5;
    return 0;
  }
  if (size != 65536) return 99;
  uint32_t n = kTotal - state->delivered;
  if (n > size) n = size;
  for (uint32_t i = 0; i < n; ++i) out[i] = (char)('a' + (state->delivered + i) % 26);
  state->delivered += n;
  if (n == 0) state->endReported = 1;
  *count = n;
  return 0;
}

int32_t CloseConverter(ScrStreamRecord* record) {
  free(record->filterState);
  record->filterState = NULL;
  return 0;
}
