#include "legacy/legacy_task.h"

namespace legacy {
namespace {

bool LoadFile(win::IStream* stream, uint32_t version, LegacyBtFile* file) {
  FieldReader r(stream);
  uint32_t selected = 0;
  r.Text(&file->Name).U32(&selected).I64(&file->SizeA).I64(&file->SizeB).U32(&file->State);
  file->Selected = selected != 0;
  if (version >= 2) {
    uint32_t finished = 0;
    r.U32(&finished);
    file->Finished = finished != 0;
  } else {
    file->Finished = file->SizeB >= file->SizeA;
  }
  if (version >= 6) {
    uint32_t has1 = 0, has2 = 0;
    r.U32(&has1).Hash(&file->Hash1).U32(&has2).Hash(&file->Hash2);
    file->HasHash1 = has1 != 0;
    file->HasHash2 = has2 != 0;
  }
  if (version >= 8) r.U32(&file->FieldK);
  return r.ok();
}

}  // namespace

bool LegacyBtTask::Load(win::IStream* stream) {
  FieldReader r(stream);
  if (!r.U32(&Version).ok() || Version > kHighestVersion) return false;
  r.U32(&State).U64(&LegacyId).U64(&Field4).U32(&F26).Time(&F11).Time(&F14).I32(&F13);
  r.I64(&F4).I64(&F8).U64(&Field11).U64(&Field12).U32(&Field13);
  r.Text(&SeedFile).Text(&F21).Text(&F3).Text(&FileName);
  r.U32(&F22).U32(&Field19).U32(&F16).Hash(&F613).U32(&F23).U32(&Field23);
  if (Version >= 2) r.Text(&F610);
  r.Text(&F606);
  if (!r.ok()) return false;

  // The lists grow only as their items arrive, so a hostile count costs no
  // more memory than the stream holds.
  uint32_t count = 0;
  FileNames.clear();
  if (!ReadU32(stream, &count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!ReadText(stream, &name)) return false;
    FileNames.push_back(std::move(name));
  }
  Files.clear();
  if (!ReadU32(stream, &count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    LegacyBtFile file;
    if (!LoadFile(stream, Version, &file)) return false;
    Files.push_back(std::move(file));
  }

  if (Version >= 3) r.U32(&Field30);
  if (Version >= 4) r.Text(&F612);
  if (Version >= 5) r.Text(&F611);
  Field33.clear();
  if (Version >= 7) r.Text(&Field33);
  if (Version >= 2) r.Map(&Properties);
  return r.ok();
}

}  // namespace legacy
