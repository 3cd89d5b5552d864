// Turning the flat directory into a tree without recursion, so that a
// degenerate tree (a long chain of links) cannot exhaust the stack.
#include "cfb/tree.h"

#include <cstring>
#include <utility>

namespace cfb {

namespace {

std::shared_ptr<Node> MakeNode(DirEntry& e) {
  auto node = std::make_shared<Node>();
  node->name = std::move(e.name);
  node->type = e.type == kTypeStream ? kTypeStream : kTypeStorage;
  memcpy(node->clsid, e.clsid, sizeof node->clsid);
  node->stateBits = e.stateBits;
  node->ctime = e.ctime;
  node->mtime = e.mtime;
  if (node->type == kTypeStream) {
    node->size = e.size;
    node->resident = e.size == 0;
    node->start = e.start;
  }
  return node;
}

}  // namespace

std::shared_ptr<Node> BuildTree(Volume& volume) {
  std::vector<DirEntry> entries = volume.TakeEntries();
  if (entries.empty()) return nullptr;
  auto root = MakeNode(entries[0]);
  root->type = kTypeRoot;
  std::vector<bool> taken(entries.size(), false);
  taken[0] = true;
  std::vector<std::pair<Node*, uint32_t>> storages = {{root.get(), entries[0].child}};
  std::vector<uint32_t> pending;
  while (!storages.empty()) {
    auto [parent, first] = storages.back();
    storages.pop_back();
    pending.assign(1, first);
    while (!pending.empty()) {
      uint32_t id = pending.back();
      pending.pop_back();
      if (id >= entries.size() || taken[id]) continue;
      taken[id] = true;
      DirEntry& e = entries[id];
      if (e.type == kTypeUnused) continue;  // its links are garbage: not followed
      pending.push_back(e.left);
      pending.push_back(e.right);
      if (parent->children.count(e.name)) continue;
      auto node = MakeNode(e);
      Node* raw = node.get();
      parent->children.emplace(raw->name, std::move(node));
      if (raw->isStorage()) storages.emplace_back(raw, e.child);
    }
  }
  return root;
}

void DetachTree(Node& node) {
  std::vector<Node*> work = {&node};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    n->detached = true;
    for (auto& [name, child] : n->children) work.push_back(child.get());
  }
}

}  // namespace cfb
