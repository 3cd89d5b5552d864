// The in-memory model of a compound file's directory: a tree of storages and
// streams. Every open file keeps one; a stream's bytes stay in the file
// until they are changed, then live in the node until the next save.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cfb/format.h"
#include "cfb/name_order.h"
#include "cfb/volume.h"

namespace cfb {

struct Node;
using NodeMap = std::map<std::u16string, std::shared_ptr<Node>, NameLess>;

struct Node {
  std::u16string name;
  uint8_t type = kTypeStream;  // kTypeRoot, kTypeStorage or kTypeStream
  uint8_t clsid[16] = {};
  uint32_t stateBits = 0;
  uint64_t ctime = 0;
  uint64_t mtime = 0;
  // Set when the element is destroyed or replaced while a handle is open.
  bool detached = false;

  // Storages: the children, in directory order.
  NodeMap children;

  // Streams: the length, and where the bytes are. A resident stream holds
  // them in data; otherwise they are at start in the file being read, and
  // extent caches their chain once located.
  uint64_t size = 0;
  bool resident = true;
  std::vector<uint8_t> data;
  uint32_t start = kEndOfChain;
  std::shared_ptr<const StreamExtent> extent;

  bool isStorage() const { return type != kTypeStream; }
};

// Builds the tree of a volume's directory. Each entry is taken at most once,
// whatever the links say (cycles, an entry reachable twice, a storage that
// contains itself), and the red-black colours are not looked at. Of two
// entries with names equal in directory order, the first reached is kept.
// The volume's entries are used up.
std::shared_ptr<Node> BuildTree(Volume& volume);

// Marks a subtree as gone, so that handles still open on it fail.
void DetachTree(Node& node);

}  // namespace cfb
