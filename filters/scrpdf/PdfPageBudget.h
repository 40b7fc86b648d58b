// The bound on the work of one page. Two guards: before a page is drawn, every stream that the
// drawing would execute as content (the page's contents, its forms, patterns, soft masks and
// annotation appearances) must be compressed by a streaming filter, because an image codec
// decodes its whole picture before the first byte comes out (a JBIG2 "page" of 100,000 x
// 100,000 pixels is 1.2 GB and minutes of work); while it is drawn, the text device counts
// poppler's abort checks (one per ten or so operators of a stream), the forms drawn and the
// characters, and stops the page past the budget. Forms are counted apart because poppler's
// abort check restarts its count in every form: forms nested nine deep that each draw the one
// below ten times (a billion letters from 2 KB) are never checked.
#pragma once

#include <TextOutputDev.h>

#include <cstdint>

class Page;
class XRef;

namespace scrivtar::pdf {

struct TPdfBudget {
  int64_t abortChecks = 4'000'000;   // about 40 million operators on one page
  int64_t forms = 10'000;            // forms drawn on one page
  int64_t characters = 20'000'000;   // characters drawn on one page
  int64_t contentObjects = 200'000;  // objects visited by the content scan of one page
};

// The work of one page, as the budget counts it.
struct TPdfWork {
  int64_t abortChecks = 0;
  int64_t forms = 0;
  int64_t characters = 0;
  int64_t contentObjects = 0;
  void KeepLarger(const TPdfWork& other);
};

// False when a stream the page would execute is compressed by an image codec, or when the
// page's content graph is larger than the budget.
// The objects visited go to *visited.
bool PageContentIsBounded(XRef* xref, Page* page, const TPdfBudget& budget, int64_t* visited);

// poppler's text device, counting the work of one page.
class TBudgetTextOutputDev final : public TextOutputDev {
 public:
  TBudgetTextOutputDev(TextOutputFunc func, void* stream, bool physical, bool raw,
                       const TPdfBudget& budget);
  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX,
                double originY, CharCode c, int nBytes, const Unicode* u, int uLen) override;
  // Asked before every form: past the budget, forms are handed to drawForm, which skips them.
  bool useDrawForm() override;
  void drawForm(Ref) override {}
  bool OverBudget() const { return overBudget_; }
  const TPdfWork& Work() const { return work_; }
  // poppler's abort callback between operators; data is the device.
  static bool AbortCheck(void* data);

 private:
  const TPdfBudget& budget_;
  TPdfWork work_;
  bool overBudget_ = false;
};

}  // namespace scrivtar::pdf
