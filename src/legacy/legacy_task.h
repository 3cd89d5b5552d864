// The old task records of the history file, as loaded from one task stream.
// Three classes share the base LegacyTask; each reads its own field layout
// behind the 16-byte class identifier with Load.
//
// Fields that a conversion uses are named after the column of the new
// database that they feed (F26 goes to column F26; a time named F11 becomes
// the date of column F11). Fields that are read but feed nothing are named
// FieldN after their position N in the class's layout. Fields a version does
// not have keep their initial value: empty texts, zero numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/com.h"
#include "base/win_types.h"
#include "legacy/stream_reader.h"

namespace legacy {

class LegacyTask {
 public:
  virtual ~LegacyTask() = default;

  // Reads the class's fields from the stream, which stands right behind the
  // class identifier. False at the first read that fails or at a version
  // above the class's limit; the object is then partly filled.
  virtual bool Load(win::IStream* stream) = 0;

  uint32_t Version = 0;
  uint32_t State = 0;
  uint64_t LegacyId = 0;  // must match the identifier in the stream's name
  PropertyMap Properties;
};

// A plain download (HTTP, FTP and the like).
class LegacyGenericTask : public LegacyTask {
 public:
  static constexpr uint32_t kHighestVersion = 10;

  bool Load(win::IStream* stream) override;

  uint64_t Field4 = 0;
  uint32_t F26 = 0;
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;  // also F5
  int64_t F8 = 0;
  uint32_t F103 = 0;
  std::string F1;
  std::string F415;
  std::string F21;
  std::string F3;
  std::string FileName;  // F18 and F100; its extension F105
  uint32_t F22 = 0;
  uint32_t F24 = 0;
  uint32_t F406 = 0;
  uint32_t F404 = 0;
  uint32_t F16 = 0;
  Raw20 F15{};  // also F101
  uint32_t Field23 = 0;
  std::string F416;
  std::string F417;
  uint32_t F410 = 0;
  uint32_t F411 = 0;
  uint32_t F23 = 0;
  uint64_t F412 = 0;  // only its low 32 bits are converted
  uint32_t Field30 = 0;
  uint32_t Field31 = 0;  // version 3
  Raw20 F102{};          // version 3
  std::string F413;      // version 4
  uint32_t Field34 = 0;  // version 4
  std::string F414;      // version 4
  std::string F419;      // version 5
  uint32_t F420 = 0;     // version 6
  uint32_t F421 = 0;     // version 6
  uint32_t Field39 = 0;  // version 8
  std::string F409;      // version 9
  std::string Field41;   // version 10
  // Properties: version 7
};

// One file inside a BitTorrent task.
struct LegacyBtFile {
  std::string Name;
  bool Selected = false;
  int64_t SizeA = 0;
  int64_t SizeB = 0;
  uint32_t State = 0;
  bool Finished = false;   // version 2; derived from the sizes below it
  bool HasHash1 = false;   // version 6
  Raw20 Hash1{};           // version 6
  bool HasHash2 = false;   // version 6
  Raw20 Hash2{};           // version 6
  uint32_t FieldK = 0;     // version 8
};

// A BitTorrent download with its files.
class LegacyBtTask : public LegacyTask {
 public:
  static constexpr uint32_t kHighestVersion = 8;

  bool Load(win::IStream* stream) override;

  uint64_t Field4 = 0;
  uint32_t F26 = 0;
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;
  int64_t F8 = 0;
  uint64_t Field11 = 0;
  uint64_t Field12 = 0;
  uint32_t Field13 = 0;
  std::string SeedFile;  // F1, behind the new torrents folder
  std::string F21;
  std::string F3;
  std::string FileName;  // F18 when F606 is empty
  uint32_t F22 = 0;
  uint32_t Field19 = 0;
  uint32_t F16 = 0;
  Raw20 F613{};
  uint32_t F23 = 0;
  uint32_t Field23 = 0;
  std::string F610;  // version 2
  std::string F606;  // also F18 when not empty
  std::vector<std::string> FileNames;
  std::vector<LegacyBtFile> Files;
  uint32_t Field30 = 0;  // version 3
  std::string F612;      // version 4
  std::string F611;      // version 5
  std::string Field33;   // version 7
  // Properties: version 2
};

// An eMule (ed2k) download.
class LegacyEmuleTask : public LegacyTask {
 public:
  bool Load(win::IStream* stream) override;

  uint64_t Field5 = 0;
  uint32_t F26 = 0;
  uint32_t Field7 = 0;
  uint32_t Field8 = 0;  // versions other than 0
  std::string F1;
  std::string F3;
  std::string FileName;  // F18 and F100; its extension F105
  std::string Field12;
  std::string F511;
  std::string Field14;  // version 2
  std::string F510;
  uint32_t F24 = 0;
  uint32_t F22 = 0;
  bool F103 = false;
  bool F16 = false;
  Raw20 F15{};  // also F101
  bool Field21 = false;
  Raw20 F102{};  // also F507
  bool HasF506 = false;
  std::string F506;  // emptied when HasF506 is false
  bool Field25 = false;
  Raw20 F508{};
  win::SYSTEMTIME F11{};
  win::SYSTEMTIME F14{};
  int32_t F13 = 0;
  int64_t F4 = 0;  // also F5
  int64_t F8 = 0;
  uint64_t Field32 = 0;
};

}  // namespace legacy
