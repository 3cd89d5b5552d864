#include "catalog/xml_document.h"

#include "catalog/xml_header.h"

namespace catalog {

XmlDocument::XmlDocument() : header_(XmlHeader) {}

XmlDocument::~XmlDocument() = default;

XmlElement* XmlDocument::CreateRoot(const std::string& name) {
  root_ = std::make_unique<XmlElement>(name);
  return root_.get();
}

void XmlDocument::Write(std::ostream& out) const {
  out.write(header_.data(), static_cast<std::streamsize>(header_.size()));
  if (root_) root_->Write(out);
}

}  // namespace catalog
