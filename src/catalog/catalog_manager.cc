#include "catalog/catalog_manager.h"

#include "catalog/folder_search.h"

namespace catalog {

namespace {

// Element and attribute names of Category.xml.
constexpr char kRootName[] = "zrCatalogManager";
constexpr char kFolderListName[] = "zrCatalog";
constexpr char kFolderName[] = "Catalog";
constexpr char kDefaultFolderName[] = "zrDefaultCatalog";
constexpr char kPathAttribute[] = "Path";
constexpr char kBackslash = '\\';

// Destroyed at process exit, after the run has returned.
std::unique_ptr<CatalogManager>& InstanceSlot() {
  static std::unique_ptr<CatalogManager> instance;
  return instance;
}

}  // namespace

CatalogManager::CatalogManager() : document_(std::make_unique<XmlDocument>()) {
  root_ = document_->CreateRoot(kRootName);
  folderList_ = root_->AddChild(kFolderListName);
}

CatalogManager::~CatalogManager() = default;

CatalogManager& CatalogManager::Instance() {
  auto& slot = InstanceSlot();
  if (!slot) slot.reset(new CatalogManager());
  return *slot;
}

void CatalogManager::Release() { InstanceSlot().reset(); }

bool CatalogManager::AddFolder(std::string& path) {
  EnsureTrailingBackslash(path);
  InsertFolder(folderList_, path);
  return true;
}

bool CatalogManager::SetDefaultFolder(const std::string& path) {
  root_->InsertChildSorted(kDefaultFolderName, kPathAttribute, path);
  return true;
}

void CatalogManager::EnsureTrailingBackslash(std::string& path) {
  if (path.empty() || path.back() != kBackslash) path.push_back(kBackslash);
}

void CatalogManager::InsertFolder(XmlElement* node, const std::string& path) {
  // Walks down instead of recursing: a deep tree costs no stack.
  for (;;) {
    FolderMatch match = FindRelatedFolders(node, path);
    if (match.kind == FolderMatch::kSame) return;
    if (match.kind == FolderMatch::kBelow) {
      node = match.container;
      continue;
    }
    XmlElement* folder = node->InsertChildSorted(kFolderName, kPathAttribute, path);
    for (auto& inner : node->ReleaseChildren(match.inside)) folder->AdoptChildSorted(std::move(inner));
    return;
  }
}

}  // namespace catalog
