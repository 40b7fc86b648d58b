/* Test PDF library. fnExtractText opens the named file, whose first line is the status to return
 * and whose rest is the text to deliver: in 7-byte chunks with empty and negative chunks between
 * them; or, when the rest is "args", one line that lists the arguments received. A name it cannot
 * open gives -1. The UTF-16 path is turned back into bytes: lone surrogates U+DC80..U+DCFF carry
 * the bytes of a name that is not UTF-8. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "scrivtar/FilterApi.h"

static size_t PathBytes(const uint16_t* path, int32_t pathBytes, char* out, size_t outSize) {
  size_t n = 0;
  for (int32_t i = 0; i < pathBytes / 2 && n + 4 < outSize; ++i) {
    uint32_t c = path[i];
    if (c >= 0xDC80 && c <= 0xDCFF) {
      out[n++] = (char)(c - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < pathBytes / 2) {
      c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
      out[n++] = (char)(0xF0 | (c >> 18));
      out[n++] = (char)(0x80 | ((c >> 12) & 0x3F));
      out[n++] = (char)(0x80 | ((c >> 6) & 0x3F));
      out[n++] = (char)(0x80 | (c & 0x3F));
    } else if (c < 0x80) {
      out[n++] = (char)c;
    } else if (c < 0x800) {
      out[n++] = (char)(0xC0 | (c >> 6));
      out[n++] = (char)(0x80 | (c & 0x3F));
    } else {
      out[n++] = (char)(0xE0 | (c >> 12));
      out[n++] = (char)(0x80 | ((c >> 6) & 0x3F));
      out[n++] = (char)(0x80 | (c & 0x3F));
    }
  }
  out[n] = '\0';
  return n;
}

int32_t fnExtractText(const uint16_t* path, int32_t pathBytes, ScrPdfTextFn onText, int32_t switchA,
                      int32_t switchB, int32_t originalLayout, int32_t noPageBreaks,
                      int32_t rawOrder, int32_t lineBreakCode, const char* textC,
                      const char* textD) {
  char name[4096];
  PathBytes(path, pathBytes, name, sizeof name);
  if (path[pathBytes / 2] != 0) return -1; /* the path must be zero-terminated */
  FILE* file = fopen(name, "rb");
  if (!file) return -1;
  static const size_t kMax = 1 << 20;
  char* data = malloc(kMax);
  size_t size = data ? fread(data, 1, kMax, file) : 0;
  fclose(file);
  if (!data) return -2;
  size_t eol = 0;
  while (eol < size && data[eol] != '\n') ++eol;
  char first[32] = {0};
  memcpy(first, data, eol < sizeof first - 1 ? eol : sizeof first - 1);
  int32_t status = (int32_t)strtol(first, NULL, 10);
  const char* text = data + (eol < size ? eol + 1 : size);
  size_t textSize = size - (size_t)(text - data);
  if (textSize == 4 && memcmp(text, "args", 4) == 0) {
    char line[256];
    int n = snprintf(line, sizeof line, "A=%d B=%d L=%d N=%d R=%d E=%d C=[%s] D=[%s] P=%d", switchA,
                     switchB, originalLayout, noPageBreaks, rawOrder, lineBreakCode, textC, textD,
                     pathBytes);
    onText(line, n);
  } else {
    for (size_t at = 0; at < textSize; at += 7) {
      size_t n = textSize - at < 7 ? textSize - at : 7;
      onText(text + at, (int32_t)n);
      onText(text + at, 0);
      onText(text + at, -1);
    }
  }
  free(data);
  return status;
}
