// Whole-file reads and writes that never leave a half-written file under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace scrivtar {

// Reads at most limit bytes of a regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& file, std::string& out, size_t limit);

// Creates the missing directories, writes the bytes under a temporary name in the same
// directory and renames it over the file. 0 on success; kTargetCreateError (-6) when the
// directory or the temporary file cannot be made or the name is a directory; kTargetWriteError
// (-7) when writing or renaming fails. The temporary file is removed on failure.
int32_t WriteFileAtomically(const std::filesystem::path& file, const uint8_t* bytes, size_t count,
                            std::string* error = nullptr);

// UTF-16 text as little-endian bytes and back (an odd last byte is dropped): the form of the
// job file's texts and of the activity log.
std::string ToUtf16LeBytes(std::u16string_view text);
std::u16string FromUtf16LeBytes(std::string_view bytes);

}  // namespace scrivtar
