// From one task stream to the rows of the new database: the name check, the
// load through the class factory, and the three converters that fill the
// new task records.
#include <cstring>

#include "dblayer/shared_database.h"
#include "dblayer/text_conversion.h"
#include "legacy/buffered_stream.h"
#include "legacy/conversions.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "legacy/task_factory.h"
#include "platform/report.h"
#include "taskdb/container_record.h"
#include "taskdb/schema.h"
#include "taskdb/task_records.h"

namespace legacy {
namespace {

constexpr int32_t kNoId = -1;
constexpr int kNameCapacity = 2048;  // the name in code page 936, at most 2047 bytes
constexpr size_t kPrefixLength = 4;  // "_ZRT"
constexpr size_t kIdDigits = 16;
constexpr size_t kHalfDigits = 8;
constexpr size_t kClsidSize = 16;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One half of the identifier, read as scanf's "%x" reads it: an optional
// "0x", then hexadecimal digits up to the first other character. A half
// without a leading digit does not pass.
bool ParseHalf(const char* half, uint32_t* value) {
  size_t i = 0;
  if (half[0] == '0' && (half[1] == 'x' || half[1] == 'X') && HexDigit(half[2]) >= 0) i = 2;
  if (HexDigit(half[i]) < 0) return false;
  uint32_t v = 0;
  for (; i < kHalfDigits && HexDigit(half[i]) >= 0; ++i) v = v << 4 | static_cast<uint32_t>(HexDigit(half[i]));
  *value = v;
  return true;
}

void Skipped(const std::string& path, const char16_t* name, const char* reason) {
  std::string stream;
  for (const char16_t* p = name; *p; ++p) stream.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  platform::ReportNote("skipped " + path + "/" + stream + ": " + reason);
}

// The fields every kind of task record has, as the three task converters
// fill them.
template <typename Task>
void FillTransfer(const Task& t, bool inHistory, int32_t kind, taskdb::TransferTaskRecord& r) {
  r.Id = kNoId;
  r.ParentId = kNoId;
  r.Status = MapLegacyState(t.State);
  r.Valid = inHistory ? 1 : 0;
  r.Kind = kind;
  r.F2.clear();
  r.F3 = t.F3;
  r.F8 = static_cast<double>(t.F8);
  r.F4 = static_cast<double>(t.F4);
  r.F11 = SystemTimeToDate(t.F11);
  r.F13 = static_cast<double>(t.F13);
  r.F14 = SystemTimeToDate(t.F14);
  r.F16 = t.F16 ? 1 : 0;
  r.F17 = 1;
  r.F19 = 0;
  r.F20 = 1;
  r.F22 = static_cast<int32_t>(t.F22);
  r.F25 = NeedDrawUnopen(t.Properties);
  r.F26 = static_cast<int32_t>(t.F26);
  r.F9 = 0.0;
}

void Link(int32_t parentContainerId, int32_t taskId) {
  if (parentContainerId != kNoId)
    taskdb::AddRelationship(dblayer::GetSharedDatabase(), parentContainerId, taskId);
}

}  // namespace

bool ParseTaskStreamName(const char16_t* name, uint64_t* id) {
  char narrow[kNameCapacity];
  if (name == nullptr || dblayer::WideToGbk(name, narrow, kNameCapacity) != dblayer::kTextConverted)
    return false;
  if (std::strlen(narrow) != kPrefixLength + kIdDigits ||
      std::strncmp(narrow, "_ZRT", kPrefixLength) != 0)
    return false;
  const char* digits = narrow + kPrefixLength;
  for (size_t i = 0; i < kIdDigits; ++i)
    if (!IsAsciiAlnum(digits[i])) return false;
  char high[kHalfDigits + 1] = {}, low[kHalfDigits + 1] = {};
  std::memcpy(high, digits, kHalfDigits);
  std::memcpy(low, digits + kHalfDigits, kHalfDigits);
  uint32_t hi = 0, lo = 0;
  if (!ParseHalf(high, &hi) || !ParseHalf(low, &lo)) return false;
  *id = static_cast<uint64_t>(hi) << 32 | lo;
  return true;
}

bool HistoryConverter::ConvertTaskStream(win::IStream* stream, const char16_t* name, bool inHistory,
                                         int32_t parentContainerId, const std::string& path) {
  uint64_t id = 0;
  if (!ParseTaskStreamName(name, &id)) {
    Skipped(path, name, "not a task stream name");
    return true;
  }
  BufferedStream buffered(stream);
  uint8_t clsid[kClsidSize];
  if (!ReadExact(&buffered, clsid, kClsidSize)) {
    Skipped(path, name, "too short for a class identifier");
    return true;
  }
  const win::CLSID classId = ClsidFromBytes(clsid);
  std::unique_ptr<LegacyTask> task = CreateLegacyTask(classId);
  if (!task) {
    Skipped(path, name, "unknown task class");
    return true;
  }
  if (!task->Load(&buffered)) {
    Skipped(path, name, "unreadable task record");
    return true;
  }
  if (task->LegacyId != id) {
    Skipped(path, name, "identifier differs from the stream name");
    return true;
  }
  switch (LegacyClassIndex(classId)) {
    case kGenericClass:
      ConvertGenericTask(static_cast<LegacyGenericTask*>(task.get()), inHistory, parentContainerId);
      break;
    case kBtClass:
      ConvertBtTask(static_cast<LegacyBtTask*>(task.get()), inHistory, parentContainerId);
      break;
    case kEmuleClass:
      ConvertEmuleTask(static_cast<LegacyEmuleTask*>(task.get()), inHistory, parentContainerId);
      break;
  }
  return true;
}

bool HistoryConverter::ConvertGenericTask(const LegacyGenericTask* task, bool inHistory,
                                          int32_t parentContainerId) {
  if (task == nullptr) return false;
  const LegacyGenericTask& t = *task;
  taskdb::GenericTaskRecord r;
  FillTransfer(t, inHistory, taskdb::kGenericTaskKind, r);
  r.F1 = t.F1;
  r.F5 = static_cast<double>(t.F4);
  r.F15 = BytesToHex(t.F15);
  r.F18 = t.FileName;
  r.F21 = t.F21;
  r.F23 = static_cast<int32_t>(t.F23);
  r.F24 = static_cast<int32_t>(t.F24);
  // Version 6 shows the "not yet opened" mark from this property for every
  // kind of task; the old program set it for plain downloads too, so a
  // generic task keeps the value it had, like BitTorrent and eMule tasks,
  // rather than losing the mark in the upgrade.
  r.F25 = NeedDrawUnopen(t.Properties);

  r.F100 = t.FileName;
  r.F103 = static_cast<int32_t>(t.F103);
  r.F101 = BytesToHex(t.F15);
  r.F102 = BytesToHex(t.F102);
  r.F104 = 0;
  r.F105 = FileExtension(t.FileName);

  r.F404 = static_cast<int32_t>(t.F404);
  r.F405 = 1;
  r.F406 = static_cast<int32_t>(t.F406);
  r.F407 = 0;
  r.F408.clear();
  r.F409 = t.F409;
  r.F410 = static_cast<int32_t>(t.F410);
  r.F411 = static_cast<int32_t>(t.F411);
  r.F412 = static_cast<int32_t>(t.F412 & 0xFFFFFFFFu);
  r.F413 = t.F413;
  r.F414 = t.F414;
  r.F415 = t.F415;
  r.F416 = t.F416;
  r.F417 = t.F417;
  r.F418 = !t.F416.empty() || !t.F417.empty() ? 1 : 0;
  r.F419 = t.F419;
  r.F420 = static_cast<int32_t>(t.F420);
  r.F421 = static_cast<int32_t>(t.F421);

  r.Save(dblayer::GetSharedDatabase());
  Link(parentContainerId, r.Id);
  return true;
}

bool HistoryConverter::ConvertBtTask(const LegacyBtTask* task, bool inHistory,
                                     int32_t parentContainerId) {
  if (task == nullptr) return false;
  const LegacyBtTask& t = *task;
  taskdb::BTTaskRecord r;
  FillTransfer(t, inHistory, taskdb::kBTTaskKind, r);
  r.F1 = NewTorrentsDir + t.SeedFile;
  double selected = 0.0;
  for (const LegacyBtFile& file : t.Files)
    if (file.Selected) selected += static_cast<double>(file.SizeA);
  r.F5 = selected;
  r.F15.clear();
  r.F18 = t.F606.empty() ? t.FileName : t.F606;
  r.F21 = t.F21;
  r.F23 = static_cast<int32_t>(t.F23);
  r.F24 = 0;

  r.F606 = t.F606;
  r.F607.clear();
  r.F608.clear();
  r.F610 = t.F610;
  r.F611 = t.F611;
  r.F612 = t.F612;
  r.FileNames = t.FileNames;
  r.F613 = BytesToHex(t.F613);

  r.Save(dblayer::GetSharedDatabase());
  Link(parentContainerId, r.Id);
  for (size_t i = 0; i < t.Files.size(); ++i) ConvertBtFile(r, t.Files[i], static_cast<int32_t>(i));
  return true;
}

bool HistoryConverter::ConvertEmuleTask(const LegacyEmuleTask* task, bool inHistory,
                                        int32_t parentContainerId) {
  if (task == nullptr) return false;
  const LegacyEmuleTask& t = *task;
  taskdb::EMuleTaskRecord r;
  FillTransfer(t, inHistory, taskdb::kEMuleTaskKind, r);
  r.F1 = t.F1;
  r.F5 = static_cast<double>(t.F4);
  r.F15 = BytesToHex(t.F15);
  r.F18 = t.FileName;
  r.F21.clear();
  r.F23 = 0;
  r.F24 = static_cast<int32_t>(t.F24);

  r.F100 = t.FileName;
  r.F103 = t.F103 ? 1 : 0;
  r.F101 = BytesToHex(t.F15);
  r.F102 = BytesToHex(t.F102);  // also column F507
  r.F104 = 0;
  r.F105 = FileExtension(t.FileName);

  r.F505.clear();
  r.F506 = t.F506;  // already empty when its flag was false
  r.F508 = BytesToHex(t.F508);
  r.F509.clear();
  r.F510 = t.F510;
  r.F511 = t.F511;

  r.Save(dblayer::GetSharedDatabase());
  Link(parentContainerId, r.Id);
  return true;
}

bool HistoryConverter::ConvertBtFile(const taskdb::BTTaskRecord& task, const LegacyBtFile& file,
                                     int32_t index) {
  taskdb::BTFileTaskRecord r;
  r.Id = kNoId;
  r.ParentId = task.Id;
  // States 0 and 1 are files still to come (200) and 2 a finished file
  // (100). Any other state is one this version never wrote; such a file is
  // best shown as still to come, so that version 6 checks it again rather
  // than trusting it as finished.
  r.Status = file.State == 2 ? kStatusFinished : kStatusPending;
  r.Valid = task.Valid;
  r.Kind = taskdb::kBTFileTaskKind;
  r.F1.clear();
  r.F2.clear();
  r.F3.clear();
  r.F8 = static_cast<double>(file.SizeB);
  r.F4 = static_cast<double>(file.SizeA);
  r.F5 = static_cast<double>(file.SizeA);
  r.F11 = task.F11;
  r.F13 = task.F13;
  r.F14 = task.F14;
  r.F15.clear();
  r.F16 = file.HasHash1 ? 1 : 0;
  r.F17 = file.Selected ? 1 : 0;
  r.F18 = file.Name;
  r.F19 = index;
  r.F20 = 1;
  r.F21 = task.F21;
  r.F22 = task.F22;
  r.F23 = task.F23;
  r.F24 = task.F24;
  r.F25 = 0;
  r.F26 = task.F26;
  r.F9 = 0.0;

  r.F100 = file.Name;
  r.F103 = 0;
  r.F101 = file.HasHash1 ? BytesToHex(file.Hash1) : std::string();
  r.F102 = file.HasHash2 ? BytesToHex(file.Hash2) : std::string();
  r.F104 = file.Finished ? 1 : 0;
  r.F105 = FileExtension(file.Name);

  r.Save(dblayer::GetSharedDatabase());
  return true;
}

}  // namespace legacy
