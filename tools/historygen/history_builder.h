// historygen writes version-5 history files: the compound file with its
// "RunTasks" and "History" storages, category storages with "CAT_STREAM",
// and task streams of the three old task classes at any version, byte for
// byte as the old program wrote them. Tests, benchmarks and sample
// installations describe the history in code and write it with WriteHistory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/win_types.h"

namespace historygen {

using Hash20 = std::array<uint8_t, 20>;

// Value types of the property maps.
constexpr uint16_t kVtI2 = 2;
constexpr uint16_t kVtI4 = 3;
constexpr uint16_t kVtR8 = 5;
constexpr uint16_t kVtBstr = 8;
constexpr uint16_t kVtBool = 11;
constexpr uint16_t kVtUi1 = 17;

// One (name, value) pair of a property map. payload holds the bytes behind
// the type exactly as written, so any type, also a broken one, can be made.
struct Property {
  std::string name;
  uint16_t type = 0;
  std::string payload;

  static Property I4(const std::string& name, int32_t value);
  static Property I2(const std::string& name, int16_t value);
  static Property Bstr(const std::string& name, const std::string& bytes);
  static Property Raw(const std::string& name, uint16_t type, const std::string& payload);
};

struct PropertyList {
  std::vector<Property> items;
  // When not negative, the count written in place of items.size().
  int64_t countOverride = -1;
};

// Field names follow the reader's: the new column a field feeds, or FieldN
// for a field that feeds nothing (N is its position in the layout).
struct GenericTask {
  uint32_t Version = 10;
  uint32_t State = 0;
  uint64_t LegacyId = 0;
  uint64_t Field4 = 0;
  uint32_t F26 = 0;
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;
  int64_t F8 = 0;
  uint32_t F103 = 0;
  std::string F1, F415, F21, F3, FileName;
  uint32_t F22 = 0, F24 = 0, F406 = 0, F404 = 0, F16 = 0;
  Hash20 F15{};
  uint32_t Field23 = 0;
  std::string F416, F417;
  uint32_t F410 = 0, F411 = 0, F23 = 0;
  uint64_t F412 = 0;
  uint32_t Field30 = 0;
  uint32_t Field31 = 0;  // version 3
  Hash20 F102{};         // version 3
  std::string F413;      // version 4
  uint32_t Field34 = 0;  // version 4
  std::string F414;      // version 4
  std::string F419;      // version 5
  uint32_t F420 = 0, F421 = 0;  // version 6
  uint32_t Field39 = 0;         // version 8
  std::string F409;             // version 9
  std::string Field41;          // version 10
  PropertyList Properties;      // version 7
};

struct BtFile {
  std::string Name;
  uint32_t Selected = 1;
  int64_t SizeA = 0;
  int64_t SizeB = 0;
  uint32_t State = 0;
  uint32_t Finished = 0;                 // version 2
  uint32_t HasHash1 = 0;                 // version 6
  Hash20 Hash1{};                        // version 6
  uint32_t HasHash2 = 0;                 // version 6
  Hash20 Hash2{};                        // version 6
  uint32_t FieldK = 0;                   // version 8
};

struct BtTask {
  uint32_t Version = 8;
  uint32_t State = 0;
  uint64_t LegacyId = 0;
  uint64_t Field4 = 0;
  uint32_t F26 = 0;
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;
  int64_t F8 = 0;
  uint64_t Field11 = 0, Field12 = 0;
  uint32_t Field13 = 0;
  std::string SeedFile, F21, F3, FileName;
  uint32_t F22 = 0, Field19 = 0, F16 = 0;
  Hash20 F613{};
  uint32_t F23 = 0, Field23 = 0;
  std::string F610;  // version 2
  std::string F606;
  std::vector<std::string> FileNames;
  std::vector<BtFile> Files;
  uint32_t Field30 = 0;      // version 3
  std::string F612;          // version 4
  std::string F611;          // version 5
  std::string Field33;       // version 7
  PropertyList Properties;   // version 2
};

struct EmuleTask {
  uint32_t Version = 2;
  PropertyList Properties;
  uint32_t State = 0;
  uint64_t LegacyId = 0;
  uint64_t Field5 = 0;
  uint32_t F26 = 0;
  uint32_t Field7 = 0;
  uint32_t Field8 = 0;  // versions other than 0
  std::string F1, F3, FileName, Field12, F511;
  std::string Field14;  // version 2
  std::string F510;
  uint32_t F24 = 0, F22 = 0;
  uint8_t F103 = 0, F16 = 0;
  Hash20 F15{};
  uint8_t Field21 = 0;
  Hash20 F102{};
  uint8_t HasF506 = 0;
  std::string F506;
  uint8_t Field25 = 0;
  Hash20 F508{};
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;
  int64_t F8 = 0;
  uint64_t Field32 = 0;
};

// The complete bytes of a task stream: class identifier, then the fields the
// task's version has.
std::string EncodeTask(const GenericTask& task);
std::string EncodeTask(const BtTask& task);
std::string EncodeTask(const EmuleTask& task);
// The bytes of a "CAT_STREAM": eight header bytes, name and folder (ANSI).
std::string EncodeCategory(const std::string& name, const std::string& folder,
                           uint64_t header = 0);

// "_ZRT" and the 16 upper-case hexadecimal digits of the identifier.
std::string TaskStreamName(uint64_t id);

// A stream of the file: its name (UTF-8 here, UTF-16 in the file) and bytes.
struct Stream {
  std::string name;
  std::string bytes;
};

// A storage with its streams and child storages, written streams first,
// each list in its order (the reading side sees the order of the engine's
// enumeration, not this one).
// The references the Add functions return stay valid until the next storage
// is added to the same parent.
struct Storage {
  std::string name;
  std::vector<Stream> streams;
  std::vector<Storage> storages;

  Storage& AddStorage(const std::string& childName);
  // Adds the task under TaskStreamName(task.LegacyId).
  Storage& Add(const GenericTask& task);
  Storage& Add(const BtTask& task);
  Storage& Add(const EmuleTask& task);
  Storage& AddCategory(const std::string& name, const std::string& folder);
  Storage& AddStream(const std::string& streamName, const std::string& bytes);
};

// A history file: the root holding "RunTasks" and "History".
struct History {
  Storage root;

  Storage& RunTasks();  // made on first use
  Storage& Tree();      // "History", made on first use
};

// Writes the compound file at a host path (replacing it) with the
// project's compound-file engine. False when any element failed.
bool WriteHistory(const History& history, const std::string& hostPath);

// Writes the tree as host folders and files (storages as folders, streams as
// files), the input of other tools that build compound files.
bool WriteAsFolders(const Storage& storage, const std::string& hostDir);

// A history of the given size for benchmarks and sample installations:
// categories of tasks of all three classes under "History", a few tasks in
// "RunTasks". Deterministic for a given seed.
History MakeSampleHistory(int taskCount, int categoryCount, uint32_t seed = 1);

}  // namespace historygen
