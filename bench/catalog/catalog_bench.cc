// Times adding many folders to the catalog in the shapes that stress its
// ordered tree: many siblings, deep nesting, case twins, and a folder added
// last that takes in all the others. Prints milliseconds per shape.
//
//   catalog_bench [count [shape]]    (default 10000, every shape)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/catalog_manager.h"
#include "driver/process_state.h"

namespace {

std::string Number(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", i);
  return buf;
}

std::vector<std::string> Siblings(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("D:\\Downloads\\folder " + Number(i) + "\\");
  return v;
}

std::vector<std::string> Shuffled(std::vector<std::string> v) {
  std::mt19937 rng(7);
  std::shuffle(v.begin(), v.end(), rng);
  return v;
}

std::vector<std::string> TwoLevels(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("E:\\" + Number(i % 100) + "\\" + Number(i) + "\\");
  return Shuffled(v);
}

std::vector<std::string> CaseTwins(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back((i % 2 ? "D:\\DOWN\\" : "d:\\down\\") + Number(i / 2) + "\\");
  return Shuffled(v);
}

std::vector<std::string> OuterLast(int n) {
  std::vector<std::string> v = Siblings(n - 1);
  v.push_back("D:\\Downloads\\");
  return v;
}

// Chains of 40 nested folders, 250 characters deep at the bottom.
std::vector<std::string> Deep(int n) {
  constexpr int kDepth = 40;
  std::vector<std::string> v;
  for (int chain = 0; static_cast<int>(v.size()) < n; ++chain) {
    std::string path = "F:\\" + Number(chain);
    for (int level = 0; level < kDepth && static_cast<int>(v.size()) < n; ++level)
      v.push_back(path += "\\sub");
  }
  return Shuffled(v);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  struct Shape {
    const char* name;
    std::function<std::vector<std::string>(int)> make;
  } shapes[] = {
      {"siblings in order", Siblings},
      {"siblings shuffled", [](int n) { return Shuffled(Siblings(n)); }},
      {"two levels shuffled", TwoLevels},
      {"case twins shuffled", CaseTwins},
      {"outer folder last", OuterLast},
      {"deep nesting shuffled", Deep},
  };
  for (const auto& shape : shapes) {
    if (argc > 2 && std::string(argv[2]) != shape.name) continue;
    std::vector<std::string> folders = shape.make(count);
    driver::ResetProcessState();
    auto start = std::chrono::steady_clock::now();
    for (auto folder : folders) catalog::CatalogManager::Instance().AddFolder(folder);
    std::ostringstream out;
    catalog::CatalogManager::Instance().document()->Write(out);
    auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    std::printf("%-24s %6zu folders %9.1f ms (%zu bytes)\n", shape.name, folders.size(),
                ms.count(), out.str().size());
  }
  driver::ResetProcessState();
  return 0;
}
