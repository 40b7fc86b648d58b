// Conversion result codes and the caller-owned output block shared by every entry point.
#pragma once

#include <cstdint>
#include <vector>

namespace scrivtar {

// Zero or more: the number of bytes stored in the output block. Negative: one of these.
enum ResultCode : int32_t {
  kLibraryMissing = -1,         // a run-time library the entry point needs is not loaded
  kSourceMissing = -2,          // the source does not exist, or a filter host cannot open it
  kTypeNotSupported = -3,       // the type name matches no entry point (front ends only)
  kOpenError = -4,              // the source cannot be opened as its type
  kFormatError = -5,            // the format is not correct; also every other failure
  kTargetCreateError = -6,      // front ends only
  kTargetWriteError = -7,       // console only
  kNotAllowed = -11,            // the source is encrypted
  kOutputCodePageRefused = -12,  // no converter can write the output code page
};

// The output block: owned by the front end, resized by each entry point to its byte count plus
// one and overwritten from its start. A vector keeps its capacity, so reuse across calls is cheap.
using OutputBlock = std::vector<uint8_t>;

// Line-break styles an entry point may take; any other value behaves like CR LF.
enum LineBreakStyle : int32_t { kCrLf = 0, kCr = 1, kLf = 2 };

}  // namespace scrivtar
