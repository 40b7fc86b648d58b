/* Test filter: hands back its source byte for byte, read through the stream record's callbacks
 * (GetSize, Seek to 0, Read straight into the caller's buffer). Refuses a host that does not ask
 * for UTF-8. */
#include <stdlib.h>

#include "scrivtar/FilterApi.h"

typedef struct {
  uint32_t remaining;
} EchoState;

const char* GetFilterExtensions(void) {
  return "HTM";
}

int32_t CreateConverter(ScrStreamRecord* record) {
  record->filterState = NULL;
  if (record->recordSize != sizeof(ScrStreamRecord)) return 901;
  if (record->getCodePage(record) != 65001) return 902;
  char name[8] = "x";
  if (record->getName(record, name, sizeof name) != 0 || name[0] != '\0') return 903;
  EchoState* state = calloc(1, sizeof *state);
  if (!state) return kScrFilterNoMemory;
  record->filterState = state;
  uint32_t high = 0;
  int32_t rc = record->getSize(record, &state->remaining, &high);
  if (rc != 0) return rc;
  int32_t offset = 0, scratch = 0;
  return record->seek(record, &offset, &scratch, 0);
}

int32_t ReadConverter(ScrStreamRecord* record, void* buffer, uint32_t size, uint32_t* count) {
  *count = 0;
  EchoState* state = record->filterState;
  if (!state || state->remaining == 0 || size == 0) return 0;
  uint32_t want = size < state->remaining ? size : state->remaining;
  int32_t got = 0;
  int32_t rc = record->read(record, buffer, want, &got);
  if (rc != 0) return rc;
  if (got < 0) return kScrFilterShortRead;
  *count = (uint32_t)got;
  state->remaining = got == 0 ? 0 : state->remaining - (uint32_t)got;
  return 0;
}

int32_t CloseConverter(ScrStreamRecord* record) {
  free(record->filterState);
  record->filterState = NULL;
  return 0;
}
