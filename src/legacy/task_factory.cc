#include "legacy/task_factory.h"

#include <cstring>

#include "base/little_endian.h"

namespace legacy {

const win::CLSID kGenericTaskClsid = {
    0x9DBF7DB6, 0xF4E1, 0x4F4B, {0x9A, 0xA0, 0xA0, 0x84, 0x99, 0xD7, 0x29, 0x08}};
const win::CLSID kBtTaskClsid = {
    0x822A27AE, 0xFA3E, 0x46EF, {0xBF, 0xFC, 0xAC, 0x6B, 0xC4, 0x39, 0x2D, 0x77}};
const win::CLSID kEmuleTaskClsid = {
    0xEFA09ACF, 0x12FD, 0x41E2, {0x84, 0x72, 0xC4, 0x94, 0x26, 0xBA, 0x45, 0xE1}};

namespace {

bool SameClsid(const win::CLSID& a, const win::CLSID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

}  // namespace

win::CLSID ClsidFromBytes(const uint8_t b[16]) {
  win::CLSID c;
  c.Data1 = base::LoadLe32(b);
  c.Data2 = base::LoadLe16(b + 4);
  c.Data3 = base::LoadLe16(b + 6);
  std::memcpy(c.Data4, b + 8, 8);
  return c;
}

int LegacyClassIndex(const win::CLSID& clsid) {
  if (SameClsid(clsid, kGenericTaskClsid)) return kGenericClass;
  if (SameClsid(clsid, kBtTaskClsid)) return kBtClass;
  if (SameClsid(clsid, kEmuleTaskClsid)) return kEmuleClass;
  return -1;
}

std::unique_ptr<LegacyTask> CreateLegacyTask(const win::CLSID& clsid) {
  switch (LegacyClassIndex(clsid)) {
    case kGenericClass:
      return std::make_unique<LegacyGenericTask>();
    case kBtClass:
      return std::make_unique<LegacyBtTask>();
    case kEmuleClass:
      return std::make_unique<LegacyEmuleTask>();
    default:
      return nullptr;
  }
}

}  // namespace legacy
