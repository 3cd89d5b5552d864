// The in-memory model of a compound file's directory: a tree of storages and
// streams. Every open file keeps one; a stream's bytes stay in the file
// until they are changed, then live in the node until the next save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cfb/format.h"
#include "cfb/name_order.h"
#include "cfb/volume.h"

namespace cfb {

struct Node;

// A storage's children, sorted in directory order. A sorted vector, not a
// map: a large history holds a hundred thousand elements, and a map node
// with a second copy of each name would cost more than the element itself.
// Adding a child moves the ones after it, which is cheap at the sizes that
// are written and free when names come in order.
class Children {
 public:
  using List = std::vector<std::shared_ptr<Node>>;
  List::const_iterator begin() const { return items_.begin(); }
  List::const_iterator end() const { return items_.end(); }
  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }

  // The child whose name equals name in directory order, or nullptr.
  std::shared_ptr<Node> Find(std::u16string_view name) const;
  // Takes that child out and returns it, or nullptr.
  std::shared_ptr<Node> Remove(std::u16string_view name);
  // Adds a child whose name no other child has.
  void Insert(std::shared_ptr<Node> node);

  // Bulk loading: Append in any order, then Sort once. Of children with
  // equal names, the one appended first is kept.
  void Append(std::shared_ptr<Node> node) { items_.push_back(std::move(node)); }
  void Sort();

 private:
  List items_;
};

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
  Children children;

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
// The volume's copy of the directory is freed afterwards.
std::shared_ptr<Node> BuildTree(Volume& volume);

// Marks a subtree as gone, so that handles still open on it fail.
void DetachTree(Node& node);

}  // namespace cfb
