// Writing the catalog out as Category.xml.

#include <sstream>
#include <string>

#include "catalog/catalog_manager.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace catalog {

namespace {

// Category.xml is written as a text file: the Windows runtime puts a
// carriage return before every line feed it writes. The document itself
// holds no line break; only a folder path that carries one (a damaged
// category record of the old history) meets this.
std::string AsTextFile(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace

// The file is replaced in one step, so a run that dies while writing leaves
// the old file or the new one, never a half-written catalog. When the folder
// is missing nothing is written and no folder is made.
bool CatalogManager::SaveToFile(const char* ansiPath) {
  WriteToFile(ansiPath);
  return true;
}

bool CatalogManager::WriteToFile(const char* ansiPath) {
  // A read-only file cannot be opened for writing: it keeps what it holds.
  win::DWORD attributes = win::GetFileAttributesA(ansiPath);
  if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_READONLY))
    return false;
  std::ostringstream text;
  document_->Write(text);
  return platform::ReplaceFileAtomically(platform::HostPathFromAnsi(ansiPath),
                                         AsTextFile(text.str()));
}

}  // namespace catalog
