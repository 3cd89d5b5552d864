#include "catalog/folder_search.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "catalog/compare_no_case.h"

namespace catalog {

namespace {

using Relation = PathRelation;

constexpr char kPathAttribute[] = "Path";

// The visit of every child in document order, exactly as defined.
FolderMatch VisitInOrder(XmlElement* node, const std::string& path) {
  FolderMatch match;
  for (size_t i = 0; i < node->ChildCount(); ++i) {
    XmlElement* child = node->Child(i);
    const std::string childPath = child->GetAttribute(kPathAttribute);
    if (childPath.empty()) continue;
    switch (ComparePathPrefix(path, childPath)) {
      case Relation::Same:
        return FolderMatch{FolderMatch::kSame, child, {}};
      case Relation::Below:
        return FolderMatch{FolderMatch::kBelow, child, {}};
      case Relation::Above:
        match.inside.push_back(child);
        break;
      case Relation::Unrelated:
        break;
    }
  }
  return match;
}

// The same answer by binary search over children in path order. A byte
// prefix of a path is, folded, a prefix of it too, so every child that can
// be the same folder, hold it or lie inside it sits in a few runs of the
// folded order, found in logarithmic time; a catalog with thousands of
// sibling folders is not scanned once per insertion.
class OrderedChildren {
 public:
  explicit OrderedChildren(XmlElement* node) : node_(node) {}

  const std::string& PathAt(size_t i) const { return *node_->Child(i)->FindAttribute(kPathAttribute); }
  std::string_view KeyAt(size_t i) const { return CompareKey(PathAt(i)); }

  // First child not below key in the folded order.
  size_t LowerBound(std::string_view key) const {
    return Search([&](size_t i) { return CompareNoCase(KeyAt(i), key) < 0; });
  }
  // First child above key.
  size_t UpperBound(std::string_view key) const {
    return Search([&](size_t i) { return CompareNoCase(key, KeyAt(i)) >= 0; });
  }
  // From `from` (not below key) on, the first child whose folded key does
  // not begin with key.
  size_t PrefixRunEnd(std::string_view key, size_t from) const {
    return Search(
        [&](size_t i) {
          std::string_view k = KeyAt(i);
          return i < from || FoldedCommonPrefix(k, key) == key.size();
        });
  }

 private:
  // First index where the monotone predicate turns false.
  template <typename Pred>
  size_t Search(Pred stillBefore) const {
    size_t lo = 0, hi = node_->ChildCount();
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      if (stillBefore(mid))
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  XmlElement* node_;
};

FolderMatch SearchInPathOrder(XmlElement* node, const std::string& path) {
  OrderedChildren children(node);
  const std::string_view key = CompareKey(path);

  // The same folder or the one that holds the path: its folded key is a
  // prefix of the path's (or equal). Walk down from the path's place in the
  // order; a child that is not such a prefix shares at most its common
  // prefix with every candidate further down, so jump below that.
  size_t first = node->ChildCount();
  size_t hi = children.UpperBound(key);
  while (hi > 0) {
    std::string_view candidate = children.KeyAt(hi - 1);
    size_t common = FoldedCommonPrefix(candidate, key);
    if (common == candidate.size()) {
      size_t lo = children.LowerBound(candidate);
      for (size_t i = lo; i < hi; ++i) {
        const std::string& childPath = children.PathAt(i);
        if (childPath.empty() || i >= first) continue;
        Relation r = ComparePathPrefix(path, childPath);
        if (r == Relation::Same || r == Relation::Below) first = i;
      }
      hi = lo;
    } else {
      hi = std::min(hi - 1, children.UpperBound(key.substr(0, common)));
    }
  }
  if (first < node->ChildCount()) {
    XmlElement* child = node->Child(first);
    Relation r = ComparePathPrefix(path, children.PathAt(first));
    return FolderMatch{r == Relation::Same ? FolderMatch::kSame : FolderMatch::kBelow, child, {}};
  }

  // The folders inside the path: their folded keys begin with the path's.
  FolderMatch match;
  size_t lo = children.LowerBound(key);
  size_t end = children.PrefixRunEnd(key, lo);
  for (size_t i = lo; i < end; ++i) {
    const std::string& childPath = children.PathAt(i);
    if (!childPath.empty() && ComparePathPrefix(path, childPath) == Relation::Above)
      match.inside.push_back(node->Child(i));
  }
  return match;
}

}  // namespace

PathRelation ComparePathPrefix(const std::string& a, const std::string& b) {
  if (a.size() > b.size())
    return a.compare(0, b.size(), b) == 0 ? PathRelation::Below : PathRelation::Unrelated;
  if (a.size() < b.size())
    return b.compare(0, a.size(), a) == 0 ? PathRelation::Above : PathRelation::Unrelated;
  return a == b ? PathRelation::Same : PathRelation::Unrelated;
}

FolderMatch FindRelatedFolders(XmlElement* node, const std::string& path) {
  if (node->ChildrenInPathOrder()) return SearchInPathOrder(node, path);
  return VisitInOrder(node, path);
}

}  // namespace catalog
