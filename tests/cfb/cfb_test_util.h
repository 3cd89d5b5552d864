// Helpers for the compound-file tests: reference holders, whole-tree reads
// and writes through the engine, an independent image builder for files the
// engine's own writer would never make, and running the outside readers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "compound_tree.h"
#include "outside_readers.h"

namespace cfbtest {

template <class T>
using Ref = win::ComRef<T>;

using namespace testing_support;
using Tree = StorageTree;

// Creates path as a new compound file holding tree.
bool CreateFileTree(const std::string& path, const Tree& tree);

inline std::string Run(const std::string& command, int* status = nullptr) {
  return RunCommand(command, status);
}
inline std::string Quote(const std::string& s) { return ShellQuote(s); }

// "" when an image is laid out as the system's own writer lays out a fresh
// file, with a valid red-black directory; else the problems found.
std::string CheckLayout(const std::string& image);

// Builds compound file images sector by sector, with full control over
// every table, for layouts real writers produce and corruptions.
class ImageBuilder {
 public:
  struct Entry {
    std::u16string name;
    uint8_t type = 2;
    uint8_t color = 1;
    uint32_t left = 0xFFFFFFFF;
    uint32_t right = 0xFFFFFFFF;
    uint32_t child = 0xFFFFFFFF;
    uint32_t start = 0;
    uint64_t size = 0;
    int nameLengthField = -1;  // -1: computed from the name
  };

  explicit ImageBuilder(uint16_t major = 3, uint16_t shift = 9);
  // Regular sectors holding data, chained through the FAT; the first one.
  uint32_t AddChain(const std::string& data);
  // Mini sectors in the mini stream; the first one.
  uint32_t AddMini(const std::string& data);
  // A directory entry (entry 0 is the root, made by the constructor).
  uint32_t AddEntry(const std::u16string& name, uint8_t type, uint32_t start = 0,
                    uint64_t size = 0);
  // A stream entry holding data, in the mini stream when short.
  uint32_t AddStream(const std::u16string& name, const std::string& data);
  // Links the entries as a balanced tree under parent (in the given order,
  // which must be directory order).
  void Children(uint32_t parent, const std::vector<uint32_t>& sorted);
  Entry& entry(uint32_t id) { return entries_[id]; }
  uint32_t sectorSize() const { return 1u << shift_; }

  // Layout choices and faults.
  bool markFatSectors = true;
  bool difatEndsFree = false;
  int64_t rootSizeOverride = -1;
  std::map<size_t, uint32_t> headerPatch;  // header offset -> 32-bit value

  std::string Build();

 private:
  uint32_t Tree(const std::vector<uint32_t>& sorted, size_t lo, size_t hi);
  uint16_t major_;
  uint16_t shift_;
  std::vector<std::string> sectors_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::string mini_;
  std::vector<Entry> entries_;
};

}  // namespace cfbtest
