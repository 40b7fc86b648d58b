// The character set of an HTML document: what it declares (byte-order mark, meta charset,
// http-equiv Content-Type), or, undeclared, UTF-8 when the bytes are valid UTF-8 and
// Windows-1252 otherwise.
#pragma once

#include <string>
#include <string_view>

namespace scrivtar::html {

// The declared label, lower-case, or "" when the document declares none. A byte-order mark
// gives "utf-8", "utf-16le" or "utf-16be".
std::string DeclaredCharset(std::string_view document);

// The encoding name to decode the document with, as libxml2 knows it.
std::string ChooseEncoding(std::string_view document);

}  // namespace scrivtar::html
