/* The filter library interface: the contract between the conversion engine (the host) and the
 * filter libraries scrhlp.so, scrhtm.so and scrrtf.so, plus the PDF library's one export.
 *
 * Plain C ABI with the platform's C calling convention. The stream record keeps the field order
 * of the original 32-bit record; every field after the size is pointer-sized, so on LP64 the
 * record is 64 bytes and `recordSize` says so. */
#ifndef SCRIVTAR_FILTER_API_H
#define SCRIVTAR_FILTER_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ScrStreamRecord ScrStreamRecord;

/* Callbacks: every one takes the stream record first. GetSize, Seek and Read return 0 when done,
 * 1 when the source is not open. */
typedef int32_t (*ScrGetSizeFn)(ScrStreamRecord* record, uint32_t* sizeLow, uint32_t* sizeHigh);
/* origin: 0 from the start, 1 from the current position, 2 from the end. */
typedef int32_t (*ScrSeekFn)(ScrStreamRecord* record, int32_t* offset, void* ignored,
                             int32_t origin);
/* *bytesRead receives the number of bytes read, -1 on a read error. */
typedef int32_t (*ScrReadFn)(ScrStreamRecord* record, void* buffer, uint32_t count,
                             int32_t* bytesRead);
/* Writes a zero-terminated name into buffer and returns its length. */
typedef int32_t (*ScrGetNameFn)(ScrStreamRecord* record, char* buffer, int32_t bufferSize);
/* The code page the host expects the filter's output in (65001: UTF-8). */
typedef int32_t (*ScrGetCodePageFn)(ScrStreamRecord* record);

struct ScrStreamRecord {
  uint32_t recordSize; /* sizeof(ScrStreamRecord) */
  void* source;        /* host-private source descriptor; filters never read it */
  void* filterState;   /* 0 from the host; the filter hangs its converter state here */
  ScrGetSizeFn getSize;
  ScrSeekFn seek;
  ScrReadFn read;
  ScrGetNameFn getName;
  ScrGetCodePageFn getCodePage;
};

/* Error codes of the filter libraries (besides 0 and any callback result passed on). */
enum {
  kScrFilterShortRead = 1001, /* a read delivered fewer bytes than requested */
  kScrFilterNoMemory = 1002,  /* memory could not be allocated */
  kScrFilterPastEnd = 1003    /* a read or seek would go beyond the source size */
};

/* The four exports of a filter library. */
typedef const char* (*ScrGetFilterExtensionsFn)(void);
typedef int32_t (*ScrCreateConverterFn)(ScrStreamRecord* record);
/* Stores up to bufferSize bytes and their count; a count of 0 with result 0 ends the output. */
typedef int32_t (*ScrReadConverterFn)(ScrStreamRecord* record, void* buffer, uint32_t bufferSize,
                                      uint32_t* count);
typedef int32_t (*ScrCloseConverterFn)(ScrStreamRecord* record);

/* The PDF library's export. The text arrives as UTF-8 through any number of callback calls, on
 * the calling thread, before the call returns. path is zero-terminated UTF-16 and pathBytes its
 * length in bytes without the terminator; a byte of the Linux name that is not part of
 * well-formed UTF-8 arrives as the lone surrogate U+DC80..U+DCFF (0xDC00 + the byte). */
typedef void (*ScrPdfTextFn)(const char* bytes, int32_t count);
typedef int32_t (*ScrExtractTextFn)(const uint16_t* path, int32_t pathBytes, ScrPdfTextFn onText,
                                    int32_t switchA, int32_t switchB, int32_t originalLayout,
                                    int32_t noPageBreaks, int32_t rawOrder, int32_t lineBreakCode,
                                    const char* textC, const char* textD);

#ifdef __cplusplus
}
#endif

#endif /* SCRIVTAR_FILTER_API_H */
