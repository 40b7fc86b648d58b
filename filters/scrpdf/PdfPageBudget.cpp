#include "PdfPageBudget.h"

#include <Object.h>
#include <Page.h>
#include <XRef.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace scrivtar::pdf {

namespace {

// What a visited object is to the drawing.
enum class TRole {
  kContent,     // a content stream, or an array of them
  kResources,   // a resource dictionary
  kExtGState,   // one graphics state: its soft mask's group is drawn
  kAnnots,      // the page's annotations
  kAppearance,  // an annotation's /AP, or one of its N, R, D entries
};

bool IsImageCodec(const Object& name) {
  if (!name.isName()) return false;
  static constexpr const char* kCodecs[] = {"JBIG2Decode", "DCTDecode",      "DCT",
                                            "JPXDecode",   "CCITTFaxDecode", "CCF"};
  for (const char* codec : kCodecs) {
    if (name.isName(codec)) return true;
  }
  return false;
}

bool UsesImageCodec(Dict* dict) {
  Object filter = dict->lookup("Filter");
  if (IsImageCodec(filter)) return true;
  if (!filter.isArray()) return false;
  for (int i = 0; i < filter.arrayGetLength(); ++i) {
    if (IsImageCodec(filter.arrayGet(i))) return true;
  }
  return false;
}

class TContentScan {
 public:
  TContentScan(XRef* xref, const TPdfBudget& budget) : xref_(xref), budget_(budget) {}

  void Push(const Object& object, TRole role) {
    if (object.isNull() || object.isNone()) return;
    todo_.emplace_back(object.copy(), role);
  }

  int64_t Visited() const { return visited_; }

  bool Run() {
    while (!todo_.empty()) {
      auto [object, role] = std::move(todo_.back());
      todo_.pop_back();
      if (++visited_ > budget_.contentObjects) return false;
      if (object.isRef()) {
        Ref ref = object.getRef();
        if (!seen_.insert({ref.num, ref.gen}).second) continue;
        object = object.fetch(xref_);
      }
      if (!Visit(object, role)) return false;
    }
    return true;
  }

 private:
  // Pushes the members of an array or the values of a dictionary without resolving them.
  void PushMembers(const Object& container, TRole role) {
    if (container.isArray()) {
      for (int i = 0; i < container.arrayGetLength(); ++i) Push(container.arrayGetNF(i), role);
    } else if (container.isDict()) {
      for (int i = 0; i < container.dictGetLength(); ++i) Push(container.dictGetValNF(i), role);
    }
  }

  bool Visit(const Object& object, TRole role) {
    switch (role) {
      case TRole::kContent:
        if (object.isArray()) {
          PushMembers(object, TRole::kContent);
        } else if (object.isStream()) {
          Dict* dict = object.streamGetDict();
          if (dict->lookup("Subtype").isName("Image")) return true;  // never executed
          if (UsesImageCodec(dict)) return false;
          Push(dict->lookupNF("Resources"), TRole::kResources);
        }
        return true;
      case TRole::kResources:
        if (!object.isDict()) return true;
        for (const char* key : {"XObject", "Pattern"}) {
          Object entry = object.dictLookup(key);
          if (entry.isDict()) PushMembers(entry, TRole::kContent);
        }
        if (Object states = object.dictLookup("ExtGState"); states.isDict()) {
          PushMembers(states, TRole::kExtGState);
        }
        return true;
      case TRole::kExtGState:
        if (object.isDict()) {
          Object mask = object.dictLookup("SMask");
          if (mask.isDict()) Push(mask.dictLookupNF("G"), TRole::kContent);
        }
        return true;
      case TRole::kAnnots:
        if (object.isArray()) {
          PushMembers(object, TRole::kAnnots);
        } else if (object.isDict()) {
          Push(object.dictLookupNF("AP"), TRole::kAppearance);
        }
        return true;
      case TRole::kAppearance:
        if (object.isStream()) return Visit(object, TRole::kContent);
        if (object.isDict()) PushMembers(object, TRole::kAppearance);
        return true;
    }
    return true;
  }

  XRef* xref_;
  const TPdfBudget& budget_;
  std::vector<std::pair<Object, TRole>> todo_;
  std::set<std::pair<int, int>> seen_;
  int64_t visited_ = 0;
};

}  // namespace

void TPdfWork::KeepLarger(const TPdfWork& other) {
  abortChecks = std::max(abortChecks, other.abortChecks);
  forms = std::max(forms, other.forms);
  characters = std::max(characters, other.characters);
  contentObjects = std::max(contentObjects, other.contentObjects);
}

bool PageContentIsBounded(XRef* xref, Page* page, const TPdfBudget& budget, int64_t* visited) {
  TContentScan scan(xref, budget);
  Object contents = page->getContents();
  scan.Push(contents, TRole::kContent);
  if (Object* resources = page->getResourceDictObject()) {
    scan.Push(*resources, TRole::kResources);
  }
  scan.Push(page->getAnnotsObject(xref), TRole::kAnnots);
  bool bounded = scan.Run();
  *visited = scan.Visited();
  return bounded;
}

TBudgetTextOutputDev::TBudgetTextOutputDev(TextOutputFunc func, void* stream, bool physical,
                                           bool raw, const TPdfBudget& budget)
    : TextOutputDev(func, stream, physical, 0, raw, false), budget_(budget) {}

void TBudgetTextOutputDev::drawChar(GfxState* state, double x, double y, double dx, double dy,
                                    double originX, double originY, CharCode c, int nBytes,
                                    const Unicode* u, int uLen) {
  // Past the budget the page is lost anyway; dropping the characters keeps memory flat until
  // the next abort check ends the drawing.
  if (++work_.characters > budget_.characters) {
    overBudget_ = true;
    return;
  }
  TextOutputDev::drawChar(state, x, y, dx, dy, originX, originY, c, nBytes, u, uLen);
}

bool TBudgetTextOutputDev::AbortCheck(void* data) {
  auto* device = static_cast<TBudgetTextOutputDev*>(data);
  if (++device->work_.abortChecks > device->budget_.abortChecks) device->overBudget_ = true;
  return device->overBudget_;
}

bool TBudgetTextOutputDev::useDrawForm() {
  if (++work_.forms > budget_.forms) overBudget_ = true;
  return overBudget_;
}

}  // namespace scrivtar::pdf
