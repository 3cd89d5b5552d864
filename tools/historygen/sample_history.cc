// Deterministic histories of any size, for benchmarks and sample
// installations.
#include <cstdio>

#include "history_builder.h"

namespace historygen {
namespace {

// A small linear congruential generator: the same seed gives the same file.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  uint32_t state_;
};

win::SYSTEMTIME SampleTime(Random& r) {
  return win::SYSTEMTIME{static_cast<win::WORD>(2005 + r.Next() % 5),
                         static_cast<win::WORD>(1 + r.Next() % 12), 0,
                         static_cast<win::WORD>(1 + r.Next() % 28),
                         static_cast<win::WORD>(r.Next() % 24),
                         static_cast<win::WORD>(r.Next() % 60),
                         static_cast<win::WORD>(r.Next() % 60), 0};
}

Hash20 SampleHash(Random& r) {
  Hash20 h;
  for (auto& b : h) b = static_cast<uint8_t>(r.Next());
  return h;
}

const uint32_t kStates[] = {0, 7, 11, 12, 13};

void AddSampleTask(Storage& storage, uint64_t id, int index, Random& r) {
  char name[64];
  std::snprintf(name, sizeof name, "file%06d", index);
  const std::string base = name;
  const int64_t size = 1024 + r.Next() % (64 * 1024 * 1024);
  const uint32_t state = kStates[r.Next() % 5];
  switch (index % 3) {
    case 0: {
      GenericTask t;
      t.State = state;
      t.LegacyId = id;
      t.F11 = SampleTime(r);
      t.F14 = SampleTime(r);
      t.F4 = size;
      t.F8 = size / 2;
      t.F1 = "http://example.com/downloads/" + base + ".zip";
      t.F3 = "http://example.com/";
      t.FileName = base + ".zip";
      t.F21 = "C:\\Downloads\\";
      t.F15 = SampleHash(r);
      t.F102 = SampleHash(r);
      t.Properties.items.push_back(Property::I4("NeedDrawUnopen", 1));
      storage.Add(t);
      break;
    }
    case 1: {
      BtTask t;
      t.State = state;
      t.LegacyId = id;
      t.F11 = SampleTime(r);
      t.F14 = SampleTime(r);
      t.F4 = size;
      t.F8 = size / 3;
      t.SeedFile = base + ".torrent";
      t.FileName = base;
      t.F21 = "C:\\Downloads\\";
      t.F613 = SampleHash(r);
      for (int f = 0; f < 3; ++f) {
        BtFile file;
        file.Name = base + "\\part" + std::to_string(f) + ".bin";
        file.Selected = f != 2;
        file.SizeA = size / 3;
        file.SizeB = f == 0 ? size / 3 : 0;
        file.Finished = f == 0;
        t.FileNames.push_back(file.Name);
        t.Files.push_back(file);
      }
      storage.Add(t);
      break;
    }
    default: {
      EmuleTask t;
      t.State = state;
      t.LegacyId = id;
      t.F1 = "ed2k://|file|" + base + ".avi|" + std::to_string(size) + "|/";
      t.FileName = base + ".avi";
      t.F15 = SampleHash(r);
      t.F102 = SampleHash(r);
      t.F508 = SampleHash(r);
      t.F11 = SampleTime(r);
      t.F14 = SampleTime(r);
      t.F4 = size;
      t.F8 = size / 4;
      storage.Add(t);
      break;
    }
  }
}

}  // namespace

History MakeSampleHistory(int taskCount, int categoryCount, uint32_t seed) {
  Random r(seed);
  History history;
  history.RunTasks();
  history.Tree();  // both made before references into the root are taken
  Storage& run = history.RunTasks();
  Storage& tree = history.Tree();
  if (categoryCount < 1) categoryCount = 1;
  for (int c = 0; c < categoryCount; ++c) {
    char name[32];
    std::snprintf(name, sizeof name, "_ZRC%016X", 16 + c);
    Storage& category = tree.AddStorage(name);
    const std::string label = "Category " + std::to_string(c + 1);
    category.AddCategory(label, "C:\\Downloads\\" + label);
  }
  // One task in twenty is unfinished and lives in "RunTasks".
  for (int i = 0; i < taskCount; ++i) {
    const uint64_t id = 0x0000000100000000ull + static_cast<uint64_t>(i);
    Storage& target = i % 20 == 19 ? run : tree.storages[static_cast<size_t>(i % categoryCount)];
    AddSampleTask(target, id, i, r);
  }
  return history;
}

}  // namespace historygen
