// The write-only XML document: the declaration and one root element.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "catalog/xml_element.h"

namespace catalog {

class XmlDocument {
 public:
  XmlDocument();
  virtual ~XmlDocument();

  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Makes a new root element and returns it. A document has one root: a
  // second call replaces the first root, which is destroyed with its
  // subtree, so what is written is always the root last created.
  XmlElement* CreateRoot(const std::string& name);
  XmlElement* root() const { return root_.get(); }

  // The declaration, then the root if there is one; nothing in between.
  virtual void Write(std::ostream& out) const;

 private:
  std::string header_;
  std::unique_ptr<XmlElement> root_;
};

}  // namespace catalog
