// The COM objects handed to callers: storages, streams and enumerators over
// the tree of one CompoundFile. Each starts with one reference and deletes
// itself with its last Release; each keeps its file open.
#pragma once

#include <memory>

#include "cfb/compound_file.h"
#include "cfb/engine.h"
#include "cfb/tree.h"

namespace cfb {

// Result for a handle whose element was destroyed or reverted meanwhile.
constexpr win::HRESULT kStgReverted = static_cast<win::HRESULT>(0x80030102u);

// A new storage handle with one reference.
win::IStorage* NewStorageObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node,
                                win::DWORD mode);
win::IStream* NewStreamObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node,
                              win::DWORD mode);
// An enumerator over a snapshot of the storage's children.
win::IEnumSTATSTG* NewEnumerator(const Node& storage);

// Fills stat for node; the name (unless STATFLAG_NONAME) is allocated for
// FreeName. False when the name cannot be allocated.
bool FillStat(const Node& node, win::DWORD mode, win::DWORD flags, win::STATSTG* stat);

// A copy of name allocated for FreeName, or nullptr.
char16_t* AllocName(const std::u16string& name);

}  // namespace cfb
