// One element of the write-only XML model: a name, attributes kept in byte
// order of their names, and owned children in document order. Children can
// be kept in the catalog's path order (the "Path" attribute, CompareNoCase).
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace catalog {

class XmlElement {
 public:
  explicit XmlElement(std::string name);
  virtual ~XmlElement();

  XmlElement(const XmlElement&) = delete;
  XmlElement& operator=(const XmlElement&) = delete;

  // Appends a new, empty child and returns it.
  XmlElement* AddChild(const std::string& name);

  // The attribute's value. A missing attribute is added with the empty value
  // first, so the element writes it from then on.
  std::string GetAttribute(const std::string& name);

  // Creates a child with one attribute and places it before the first child
  // whose "Path" (read with GetAttribute) is greater than value.
  XmlElement* InsertChildSorted(const std::string& name, const std::string& attribute,
                                const std::string& value);

  // Takes child over and places it by its "Path" as InsertChildSorted does.
  XmlElement* AdoptChildSorted(std::unique_ptr<XmlElement> child);

  // Serialises the element and its subtree on one line, nothing escaped.
  virtual void Write(std::ostream& out) const;

  const std::string& name() const { return name_; }
  // The attribute's value, or null; unlike GetAttribute it never adds one.
  const std::string* FindAttribute(std::string_view name) const;

  size_t ChildCount() const { return children_.size(); }
  XmlElement* Child(size_t index) const { return children_[index].get(); }

  // True when every child has a "Path" and the children stand in path order,
  // so a position can be found by binary search with nothing read twice.
  bool ChildrenInPathOrder() const { return inPathOrder_; }

  // Removes the given children, which must be children of this element, and
  // hands them to the caller in document order; the others keep their order.
  std::vector<std::unique_ptr<XmlElement>> ReleaseChildren(
      const std::vector<XmlElement*>& which);

 private:
  // Index before which an element with this path goes.
  size_t SortedPosition(const std::string& path);
  void PlaceChild(size_t index, std::unique_ptr<XmlElement> child);

  std::string name_;
  std::map<std::string, std::string, std::less<>> attributes_;
  std::vector<std::unique_ptr<XmlElement>> children_;
  bool inPathOrder_ = true;
};

}  // namespace catalog
