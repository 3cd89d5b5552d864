#include "catalog/xml_element.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "catalog/compare_no_case.h"

namespace catalog {

namespace {

constexpr std::string_view kPathAttribute = "Path";

void WriteBytes(std::ostream& out, const std::string& text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

XmlElement::XmlElement(std::string name) : name_(std::move(name)) {}

XmlElement::~XmlElement() {
  // Children go first, in document order, each with its own subtree.
  for (auto& child : children_) child.reset();
}

XmlElement* XmlElement::AddChild(const std::string& name) {
  children_.push_back(std::make_unique<XmlElement>(name));
  inPathOrder_ = false;  // the newcomer has no "Path" and may stand anywhere in the order
  return children_.back().get();
}

std::string XmlElement::GetAttribute(const std::string& name) {
  auto it = attributes_.find(name);
  if (it == attributes_.end()) it = attributes_.emplace(name, std::string()).first;
  return it->second;
}

const std::string* XmlElement::FindAttribute(std::string_view name) const {
  auto it = attributes_.find(name);
  return it == attributes_.end() ? nullptr : &it->second;
}

// The position is the first child whose path is greater than the newcomer's.
// While the children are known to be in path order with a "Path" each, a
// binary search finds it without reading anything that could change; a
// catalog of many thousand folders stays fast that way. Otherwise the
// children are read one by one, as the document model defines it, and the
// order is checked again once every child has been read.
size_t XmlElement::SortedPosition(const std::string& path) {
  if (inPathOrder_) {
    auto it = std::upper_bound(children_.begin(), children_.end(), path,
                               [](const std::string& value, const std::unique_ptr<XmlElement>& c) {
                                 return CompareNoCase(value, *c->FindAttribute(kPathAttribute)) < 0;
                               });
    return static_cast<size_t>(it - children_.begin());
  }
  const std::string key(kPathAttribute);
  for (size_t i = 0; i < children_.size(); ++i) {
    if (CompareNoCase(path, children_[i]->GetAttribute(key)) < 0) return i;
  }
  // Every child has been read and so has a "Path" now.
  bool ordered = true;
  for (size_t i = 1; i < children_.size() && ordered; ++i) {
    ordered = CompareNoCase(*children_[i - 1]->FindAttribute(kPathAttribute),
                            *children_[i]->FindAttribute(kPathAttribute)) <= 0;
  }
  inPathOrder_ = ordered;
  return children_.size();
}

void XmlElement::PlaceChild(size_t index, std::unique_ptr<XmlElement> child) {
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
}

XmlElement* XmlElement::InsertChildSorted(const std::string& name, const std::string& attribute,
                                          const std::string& value) {
  auto child = std::make_unique<XmlElement>(name);
  child->attributes_[attribute] = value;
  XmlElement* result = child.get();
  size_t index = SortedPosition(value);
  // A newcomer without "Path" reads as empty later and may break the order.
  if (attribute != kPathAttribute) inPathOrder_ = false;
  PlaceChild(index, std::move(child));
  return result;
}

XmlElement* XmlElement::AdoptChildSorted(std::unique_ptr<XmlElement> child) {
  XmlElement* result = child.get();
  const std::string path = child->GetAttribute(std::string(kPathAttribute));
  size_t index = SortedPosition(path);
  PlaceChild(index, std::move(child));
  return result;
}

std::vector<std::unique_ptr<XmlElement>> XmlElement::ReleaseChildren(
    const std::vector<XmlElement*>& which) {
  if (which.empty()) return {};
  std::unordered_set<const XmlElement*> wanted(which.begin(), which.end());
  std::vector<std::unique_ptr<XmlElement>> released;
  released.reserve(which.size());
  size_t kept = 0;
  for (auto& child : children_) {
    if (wanted.count(child.get()))
      released.push_back(std::move(child));
    else
      children_[kept++] = std::move(child);
  }
  children_.resize(kept);
  return released;
}

void XmlElement::Write(std::ostream& out) const {
  out.put('<');
  WriteBytes(out, name_);
  for (const auto& [attribute, value] : attributes_) {
    out.put(' ');
    WriteBytes(out, attribute);
    out.write("=\"", 2);
    WriteBytes(out, value);
    out.put('"');
  }
  if (children_.empty()) {
    out.write("/>", 2);
    return;
  }
  out.put('>');
  for (const auto& child : children_) child->Write(out);
  out.write("</", 2);
  WriteBytes(out, name_);
  out.put('>');
}

}  // namespace catalog
