#include "tree_snapshot.h"

#include <filesystem>

#include "test_support.h"

namespace fs = std::filesystem;

namespace e2e {

TreeSnapshot Snapshot(const std::string& root) {
  TreeSnapshot tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string relative = fs::relative(it->path(), root).string();
    if (it->is_symlink())
      tree[relative] = "link:" + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      tree[relative] = "dir";
    else if (!it->is_regular_file())
      tree[relative] = "special";  // a FIFO or the like: reading it could wait for ever
    else
      tree[relative] = "file:" + testing_support::ReadFile(it->path().string());
  }
  return tree;
}

TreeChanges Compare(const TreeSnapshot& before, const TreeSnapshot& after) {
  TreeChanges changes;
  for (const auto& [path, what] : after) {
    auto old = before.find(path);
    if (old == before.end())
      changes.created.insert(path);
    else if (old->second != what)
      changes.changed.insert(path);
  }
  for (const auto& [path, what] : before)
    if (!after.count(path)) changes.removed.insert(path);
  return changes;
}

}  // namespace e2e
