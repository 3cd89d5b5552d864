// A record of every folder, file and link under a host folder, to tell
// exactly what a run created, changed or removed.
#pragma once

#include <map>
#include <set>
#include <string>

namespace e2e {

// Relative path -> "dir", "link:TARGET", "special" (a FIFO, a socket, a
// device) or "file:" + the file's bytes.
using TreeSnapshot = std::map<std::string, std::string>;

TreeSnapshot Snapshot(const std::string& root);

struct TreeChanges {
  std::set<std::string> created;
  std::set<std::string> changed;
  std::set<std::string> removed;
};

TreeChanges Compare(const TreeSnapshot& before, const TreeSnapshot& after);

}  // namespace e2e
