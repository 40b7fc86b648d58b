#include "HtmlFilter.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <cstring>
#include <memory>

#include "../common/FilterSession.h"
#include "HtmlCharset.h"
#include "HtmlLayout.h"

namespace scrivtar::html {

namespace {

constexpr uint32_t kReadBlock = 65536;
constexpr int kParseOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;

THtmlLayout& LayoutOf(void* context) {
  return *static_cast<THtmlLayout*>(context);
}

std::string_view NameOf(const xmlChar* name) {
  return name ? std::string_view(reinterpret_cast<const char*>(name)) : std::string_view();
}

void OnStartElement(void* context, const xmlChar* name, const xmlChar**) {
  LayoutOf(context).StartElement(NameOf(name));
}
void OnEndElement(void* context, const xmlChar* name) {
  LayoutOf(context).EndElement(NameOf(name));
}
void OnCharacters(void* context, const xmlChar* text, int length) {
  if (length > 0) {
    LayoutOf(context).Characters(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
  }
}
void OnStructuredError(void*, xmlErrorPtr) {}

struct TContextDeleter {
  void operator()(htmlParserCtxtPtr ctxt) const {
    if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
    htmlFreeParserCtxt(ctxt);
  }
};

}  // namespace

// Runs libxml2's HTML parser over a whole document, with SAX callbacks feeding the layout: no
// tree is built. Broken markup is recovered from, never reported.
void ParseHtml(std::string_view document, std::string& out) {
  THtmlLayout layout(out);
  if (document.empty() || document.size() > static_cast<size_t>(INT32_MAX)) return;
  std::string encoding = ChooseEncoding(document);
  std::unique_ptr<htmlParserCtxt, TContextDeleter> ctxt(
      htmlCreateMemoryParserCtxt(document.data(), static_cast<int>(document.size())));
  if (!ctxt) return;
  htmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.startElement = &OnStartElement;
  sax.endElement = &OnEndElement;
  sax.characters = &OnCharacters;
  sax.ignorableWhitespace = &OnCharacters;
  sax.cdataBlock = &OnCharacters;
  sax.serror = &OnStructuredError;
  sax.initialized = XML_SAX2_MAGIC;
  std::memcpy(ctxt->sax, &sax, sizeof sax);
  ctxt->userData = &layout;
  htmlCtxtUseOptions(ctxt.get(), kParseOptions);
  if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(encoding.c_str())) {
    xmlSwitchToEncoding(ctxt.get(), handler);
  }
  htmlParseDocument(ctxt.get());
  layout.Finish();
}

namespace {

class THtmlConverter : public filters::TConverter {
 public:
  explicit THtmlConverter(ScrStreamRecord* record) : source_(record) {}

  int32_t Start() override {
    int32_t rc = source_.Open();
    if (rc != 0) return rc;
    document_.resize(source_.size());
    for (uint32_t at = 0; at < source_.size(); at += kReadBlock) {
      uint32_t count = std::min(kReadBlock, source_.size() - at);
      rc = source_.Read(document_.data() + at, count);
      if (rc != 0) return rc;
    }
    return 0;
  }
  int32_t Produce(std::string& out, bool& done) override {
    ParseHtml(document_, out);
    std::string().swap(document_);
    done = true;
    return 0;
  }

 private:
  filters::TSourceReader source_;
  std::string document_;
};

}  // namespace

const char* GetFilterExtensions() {
  return "HTM";
}

int32_t CreateConverter(ScrStreamRecord* record) {
  return filters::CreateConverterFor<THtmlConverter>(record);
}

}  // namespace scrivtar::html
