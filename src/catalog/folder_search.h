// Where a folder path meets the children of one catalog element: the child
// that is the same folder, the child that holds it, or the children it holds.
#pragma once

#include <string>
#include <vector>

#include "catalog/xml_element.h"

namespace catalog {

// How path a stands to path b, byte for byte (letter case counts).
enum class PathRelation { Same = 0, Unrelated = 1, Below = 2, Above = 3 };

// Below when b is a proper prefix of a, Above when a is one of b.
PathRelation ComparePathPrefix(const std::string& a, const std::string& b);

struct FolderMatch {
  enum Kind { kNone, kSame, kBelow };
  Kind kind = kNone;
  // kBelow: the child that holds the path.
  XmlElement* container = nullptr;
  // kNone: the children that lie inside the path, in document order.
  std::vector<XmlElement*> inside;
};

// The outcome of visiting the children in order and stopping at the first
// one that is the same folder or holds the path; children with an empty
// "Path" are passed over. Children are read with GetAttribute.
FolderMatch FindRelatedFolders(XmlElement* node, const std::string& path);

}  // namespace catalog
