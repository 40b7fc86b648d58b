// The text rules of the word-processing and presentation parts: a walk over the element tree
// that appends the text of w:t / a:t elements and the line breaks, tabs and hyphens the markup
// stands for.
#pragma once

#include <string>

namespace scrivtar {

class TXMLItem;

// Appends the text of a document part: every paragraph ends with CR LF wherever it stands (body,
// table cell, text box); w:br gives CR LF, a w:tab without attributes a TAB (the tab stops of a
// paragraph's tab list carry attributes and give nothing), w:noBreakHyphen a "-".
void AppendDocxText(TXMLItem root, std::string& out);

// Appends the text of a slide or notes part: the text of every a:t, and CR LF after each a:p.
void AppendSlideText(TXMLItem root, std::string& out);

}  // namespace scrivtar
