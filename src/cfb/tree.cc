// Turning the flat directory into a tree without recursion, so that a
// degenerate tree (a long chain of links) cannot exhaust the stack.
#include "cfb/tree.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace cfb {

namespace {

bool NodeBeforeName(const std::shared_ptr<Node>& node, std::u16string_view name) {
  return CompareNames(node->name, name) < 0;
}

bool NodeBeforeNode(const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
  return CompareNames(a->name, b->name) < 0;
}

bool SameName(const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
  return CompareNames(a->name, b->name) == 0;
}

std::shared_ptr<Node> MakeNode(DirEntry&& e) {
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

std::shared_ptr<Node> Children::Find(std::u16string_view name) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), name, NodeBeforeName);
  if (it == items_.end() || CompareNames((*it)->name, name) != 0) return nullptr;
  return *it;
}

std::shared_ptr<Node> Children::Remove(std::u16string_view name) {
  auto it = std::lower_bound(items_.begin(), items_.end(), name, NodeBeforeName);
  if (it == items_.end() || CompareNames((*it)->name, name) != 0) return nullptr;
  std::shared_ptr<Node> node = std::move(*it);
  items_.erase(it);
  return node;
}

void Children::Insert(std::shared_ptr<Node> node) {
  auto it = std::lower_bound(items_.begin(), items_.end(), node->name, NodeBeforeName);
  items_.insert(it, std::move(node));
}

void Children::Sort() {
  std::stable_sort(items_.begin(), items_.end(), NodeBeforeNode);
  items_.erase(std::unique(items_.begin(), items_.end(), SameName), items_.end());
  items_.shrink_to_fit();
}

std::shared_ptr<Node> BuildTree(Volume& volume) {
  uint32_t count = volume.entryCount();
  if (count == 0) return nullptr;
  DirEntry top = volume.Entry(0);
  uint32_t firstChild = top.child;
  auto root = MakeNode(std::move(top));
  root->type = kTypeRoot;
  std::vector<bool> taken(count, false);
  taken[0] = true;
  std::vector<std::pair<Node*, uint32_t>> storages = {{root.get(), firstChild}};
  std::vector<uint32_t> pending;
  // The storages among one storage's children, with the link to their own.
  std::vector<std::pair<std::shared_ptr<Node>, uint32_t>> found;
  while (!storages.empty()) {
    auto [parent, first] = storages.back();
    storages.pop_back();
    pending.assign(1, first);
    found.clear();
    while (!pending.empty()) {
      uint32_t id = pending.back();
      pending.pop_back();
      if (id >= count || taken[id]) continue;
      taken[id] = true;
      DirEntry e = volume.Entry(id);
      if (e.type == kTypeUnused) continue;  // its links are garbage: not followed
      pending.push_back(e.left);
      pending.push_back(e.right);
      uint32_t child = e.child;
      auto node = MakeNode(std::move(e));
      if (node->isStorage()) found.emplace_back(node, child);
      parent->children.Append(std::move(node));
    }
    parent->children.Sort();
    // A storage that lost to an earlier namesake is not descended into.
    for (auto& [node, child] : found) {
      if (parent->children.Find(node->name) == node) storages.emplace_back(node.get(), child);
    }
  }
  volume.DropDirectory();
  return root;
}

void DetachTree(Node& node) {
  std::vector<Node*> work = {&node};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    n->detached = true;
    for (const auto& child : n->children) work.push_back(child.get());
  }
}

}  // namespace cfb
