// File names as UTF-16 for the one library call that takes them so (the PDF library).
#pragma once

#include <filesystem>
#include <string>

namespace scrivtar::platform {

// Linux names are bytes: well-formed UTF-8 becomes its UTF-16 text, and every byte that is not
// part of well-formed UTF-8 becomes the lone surrogate U+DC80..U+DCFF (as Python's
// "surrogateescape"), so a library that reverses the rule opens every name.
std::u16string PathToUtf16(const std::filesystem::path& path);

}  // namespace scrivtar::platform
