// The folder catalog of one run: the download folders of the old
// installation, nested by path below "zrCatalog", and the default folders,
// kept as an XML document and written once as Category.xml. Paths are UTF-8
// byte strings; the catalog neither converts nor checks them.
#pragma once

#include <memory>
#include <string>

#include "catalog/folder_search.h"
#include "catalog/xml_document.h"
#include "catalog/xml_element.h"

namespace catalog {

class CatalogManager {
 public:
  using PathRelation = catalog::PathRelation;

  // The one manager of the process, created on first use.
  static CatalogManager& Instance();
  // Destroys the manager and everything in it; the next Instance starts
  // afresh. Only the release of the process's state calls it.
  static void Release();

  // Adds a folder to the tree. The caller's string gets its trailing
  // backslash here. Always true.
  bool AddFolder(std::string& path);
  // Adds one "zrDefaultCatalog" element with the path as given. Always true.
  bool SetDefaultFolder(const std::string& path);
  // Writes the whole document to the file (an ANSI Windows path) as a text
  // file (a line feed becomes CR LF), replacing it in one step. Nothing is
  // written, and no folder made, when the file's folder is missing or the
  // file is read-only. Always true, as the run's callers expect; WriteToFile
  // does the same and says whether the file now holds the document.
  bool SaveToFile(const char* ansiPath);
  bool WriteToFile(const char* ansiPath);

  // Appends a backslash unless the path already ends in one.
  static void EnsureTrailingBackslash(std::string& path);
  // Below when b is a proper prefix of a, Above when a is one of b.
  static PathRelation ComparePathPrefix(const std::string& a, const std::string& b) {
    return catalog::ComparePathPrefix(a, b);
  }
  // Adds an already normalised folder below node: into the child that holds
  // it, or as a new child that takes over the children it holds.
  static void InsertFolder(XmlElement* node, const std::string& path);

  XmlDocument* document() const { return document_.get(); }
  XmlElement* root() const { return root_; }
  XmlElement* folderList() const { return folderList_; }

  CatalogManager(const CatalogManager&) = delete;
  CatalogManager& operator=(const CatalogManager&) = delete;
  ~CatalogManager();

 private:
  CatalogManager();

  std::unique_ptr<XmlDocument> document_;
  XmlElement* root_;        // owned by document_
  XmlElement* folderList_;  // owned by root_
};

}  // namespace catalog
