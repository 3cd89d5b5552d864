#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog/catalog_manager.h"
#include "catalog/compare_no_case.h"
#include "fresh_process.h"

namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

class CatalogManagerTest : public ::testing::Test {
 protected:
  testing_support::FreshProcessState state_;

  static void Add(std::vector<std::string> paths) {
    for (auto& p : paths) catalog::CatalogManager::Instance().AddFolder(p);
  }
  static std::string Text() {
    std::ostringstream out;
    catalog::CatalogManager::Instance().document()->Write(out);
    return out.str();
  }
  // The whole file for a folder list (the inner text of "zrCatalog").
  static std::string File(const std::string& folders) {
    return kHeader + "<zrCatalogManager><zrCatalog>" + folders + "</zrCatalog></zrCatalogManager>";
  }
};

TEST_F(CatalogManagerTest, ComparePathPrefixIsByteExact) {
  using R = catalog::CatalogManager::PathRelation;
  EXPECT_EQ(catalog::CatalogManager::ComparePathPrefix("D:\\Downloads\\", "D:\\Down"), R::Below);
  EXPECT_EQ(catalog::CatalogManager::ComparePathPrefix("D:\\Down\\", "D:\\Down\\M\\"), R::Above);
  EXPECT_EQ(catalog::CatalogManager::ComparePathPrefix("d:\\down\\", "D:\\Down\\"), R::Unrelated);
  std::string path = "D:\\Down";
  EXPECT_TRUE(catalog::CatalogManager::Instance().AddFolder(path));
  EXPECT_EQ(path, "D:\\Down\\");  // the caller's string is normalised
}

TEST_F(CatalogManagerTest, TreeShapes) {
  struct Case {
    std::vector<std::string> folders;
    std::string expected;  // inside zrCatalog
  } cases[] = {
      {{"D:\\Down", "D:\\Down\\"}, "<Catalog Path=\"D:\\Down\\\"/>"},
      {{"D:\\Down\\Movies\\", "D:\\Down\\"},
       "<Catalog Path=\"D:\\Down\\\"><Catalog Path=\"D:\\Down\\Movies\\\"/></Catalog>"},
      {{"D:\\Down\\", "D:\\Down\\Movies\\"},
       "<Catalog Path=\"D:\\Down\\\"><Catalog Path=\"D:\\Down\\Movies\\\"/></Catalog>"},
      {{"D:\\Downloads\\", "D:\\Down\\"},
       "<Catalog Path=\"D:\\Down\\\"/><Catalog Path=\"D:\\Downloads\\\"/>"},
      {{"D:\\Down\\", "d:\\down\\", "D:\\Down\\Movies\\"},
       "<Catalog Path=\"D:\\Down\\\"><Catalog Path=\"D:\\Down\\Movies\\\"/></Catalog>"
       "<Catalog Path=\"d:\\down\\\"/>"},
      {{"E:\\X\\", "d:\\y\\"}, "<Catalog Path=\"d:\\y\\\"/><Catalog Path=\"E:\\X\\\"/>"},
      // An empty path is a single backslash; a network path lies inside it.
      {{"", "\\\\srv\\share"},
       "<Catalog Path=\"\\\"><Catalog Path=\"\\\\srv\\share\\\"/></Catalog>"},
      // D:\A\ takes D:\A\1\ and D:\A\2\ but not d:\a\1z\, which stands between
      // them in the order; it takes its own place before that one.
      {{"D:\\A\\2\\", "D:\\A+\\", "d:\\a\\1z\\", "D:\\A\\1\\", "C:\\", "E:\\", "D:\\A\\"},
       "<Catalog Path=\"C:\\\"/><Catalog Path=\"D:\\A+\\\"/><Catalog Path=\"D:\\A\\\">"
       "<Catalog Path=\"D:\\A\\1\\\"/><Catalog Path=\"D:\\A\\2\\\"/></Catalog>"
       "<Catalog Path=\"d:\\a\\1z\\\"/><Catalog Path=\"E:\\\"/>"},
      // Nested several levels, the outer one added last; doubled and forward
      // slashes stay as given.
      {{"D:\\a\\b\\c\\", "D:\\a\\b\\", "D:\\a\\x//y", "D:\\a\\\\"},
       "<Catalog Path=\"D:\\a\\\\\"/><Catalog Path=\"D:\\a\\b\\\"><Catalog Path=\"D:\\a\\b\\c\\\"/>"
       "</Catalog><Catalog Path=\"D:\\a\\x//y\\\"/>"},
      {{"D:\\a\\b\\", "D:\\a\\c\\", "D:\\"},
       "<Catalog Path=\"D:\\\"><Catalog Path=\"D:\\a\\b\\\"/><Catalog Path=\"D:\\a\\c\\\"/></Catalog>"},
  };
  for (const auto& c : cases) {
    driver::ResetProcessState();
    Add(c.folders);
    EXPECT_EQ(Text(), File(c.expected)) << c.folders.front();
  }
}

// A plain model of the catalog: every child visited in order, no search.
struct ModelFolder {
  std::string path;
  std::vector<ModelFolder> children;
};

void ModelInsert(ModelFolder& node, const std::string& path) {
  using R = catalog::CatalogManager::PathRelation;
  std::vector<size_t> inside;
  for (size_t i = 0; i < node.children.size(); ++i) {
    R r = catalog::CatalogManager::ComparePathPrefix(path, node.children[i].path);
    if (r == R::Same) return;
    if (r == R::Below) return ModelInsert(node.children[i], path);
    if (r == R::Above) inside.push_back(i);
  }
  ModelFolder folder{path, {}};
  std::vector<ModelFolder> rest;
  for (size_t i = 0; i < node.children.size(); ++i) {
    if (std::find(inside.begin(), inside.end(), i) != inside.end())
      folder.children.push_back(std::move(node.children[i]));
    else
      rest.push_back(std::move(node.children[i]));
  }
  auto at = std::find_if(rest.begin(), rest.end(), [&](const ModelFolder& c) {
    return catalog::CompareNoCase(path, c.path) < 0;
  });
  rest.insert(at, std::move(folder));
  node.children = std::move(rest);
}

std::string ModelText(const ModelFolder& node) {
  std::string s;
  for (const auto& c : node.children) {
    s += "<Catalog Path=\"" + c.path + "\"";
    s += c.children.empty() ? "/>" : ">" + ModelText(c) + "</Catalog>";
  }
  return s;
}

// Random folders from a small alphabet with letter case, so that prefixes,
// case twins and containment of several siblings at once all occur often.
TEST_F(CatalogManagerTest, MatchesAPlainModelOnRandomFolders) {
  std::mt19937 rng(20240611);
  const std::string parts[] = {"a", "A", "ab", "b", "B+", "a b", "\xE4\xB8\xAD"};
  for (int round = 0; round < 200; ++round) {
    driver::ResetProcessState();
    ModelFolder model;
    int count = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) {
      std::string path = (rng() % 2) ? "D:" : "d:";
      int depth = static_cast<int>(rng() % 4);
      for (int d = 0; d < depth; ++d) path += "\\" + parts[rng() % std::size(parts)];
      if (rng() % 3) path += "\\";
      std::string normalised = path;
      catalog::CatalogManager::EnsureTrailingBackslash(normalised);
      ModelInsert(model, normalised);
      catalog::CatalogManager::Instance().AddFolder(path);
    }
    ASSERT_EQ(Text(), File(ModelText(model))) << "round " << round;
  }
}

}  // namespace
