// Office Open XML text extraction: .docx, .xlsx and .pptx packages. The package is opened with
// the zip reader, the parts that carry text are taken out by their fixed names, each part's tree
// is built by the XML reader and walked by the rule of its format (OfficeXText, OfficeXSheet).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scrivtar/ResultCodes.h"
#include "xml/ECXMLParser.h"
#include "zip/VCLUnZip.h"

namespace scrivtar {

// The work objects the three entry points share for the life of the engine: the zip reader
// (which keeps the directory of the last package), the XML document (the tree of the last part)
// and the shared-string list of the last workbook.
struct OfficeXWork {
  OfficeXWork() { ghost.PrimaryDocument = &document; }
  OfficeXWork(const OfficeXWork&) = delete;
  OfficeXWork& operator=(const OfficeXWork&) = delete;

  TVCLUnZip zip;
  TECXMLParser document;
  TXMLGhost ghost;  // loads and clears the document
  std::vector<std::string> sharedStrings;
};

// Each returns the byte count stored in the block, or -2 (source missing), -4 (the package
// cannot be opened), -5 (not a package of this kind). A truncated part or a row or cell number
// that is not an integer raises an exception derived from std::exception, which leaves here.
int32_t ConvertDocx(OfficeXWork& work, const std::filesystem::path& source, int32_t limit,
                    OutputBlock& block, int32_t codePage);
int32_t ConvertXlsx(OfficeXWork& work, const std::filesystem::path& source, int32_t limit,
                    OutputBlock& block, int32_t codePage);
int32_t ConvertPptx(OfficeXWork& work, const std::filesystem::path& source, int32_t limit,
                    OutputBlock& block, int32_t codePage);

}  // namespace scrivtar
