// The relationship parts of a package: which part is the main document, which parts are a
// workbook's sheets and shared strings, a presentation's slides and a slide's notes page. Part
// names here are as the package writes them ("xl/worksheets/sheet1.xml": "/" separated, no
// leading "/").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scrivtar {

class TXMLItem;

struct Relationship {
  std::string id;
  std::string type;    // the last segment of the type ("worksheet", "officeDocument")
  std::string target;  // the part name the target resolves to
};

// The relationship part of a part: "xl/_rels/workbook.xml.rels"; "_rels/.rels" for the package
// itself (the empty name).
std::string RelationshipPartOf(std::string_view part);

// A relationship's target resolved against the part that holds it: "/" starts at the package
// root, "." and ".." segments are taken out, %XX escapes decoded. Empty when it leaves the
// package or is empty.
std::string ResolveTarget(std::string_view sourcePart, std::string_view target);

// The relationships of a relationship part's root, in order; external targets are left out.
std::vector<Relationship> ReadRelationships(TXMLItem root, std::string_view sourcePart);

// The target of the first relationship of that type (letter case ignored), or "".
std::string TargetOfType(const std::vector<Relationship>& relationships, std::string_view type);

// The targets, in document order, of the elements listName/itemName below root (a workbook's
// sheets/sheet, a presentation's sldIdLst/sldId) whose relationship id names one of the given
// type.
std::vector<std::string> ListedTargets(TXMLItem root, std::string_view listName,
                                       std::string_view itemName,
                                       const std::vector<Relationship>& relationships,
                                       std::string_view type);

// The number a part name ends in before its extension ("sheet12.xml" gives 12), or fallback.
int PartNumber(std::string_view part, int fallback);

// The name without its namespace prefix ("x:si" gives "si").
std::string_view LocalName(std::string_view name);

// Equal but for the letter case of A to Z.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The first child of that name, letter case and namespace prefix ignored (some writers store
// x:sheetData), or the null item. Unlike ItemByName it leaves the tree as it is.
TXMLItem ChildNamed(TXMLItem parent, std::string_view name);

// The name the zip reader knows a part by: "\" separated.
std::string ZipPartName(std::string_view part);

}  // namespace scrivtar
