#include "legacy/legacy_task.h"

namespace legacy {

bool LegacyGenericTask::Load(win::IStream* stream) {
  FieldReader r(stream);
  if (!r.U32(&Version).ok() || Version > kHighestVersion) return false;
  r.U32(&State).U64(&LegacyId).U64(&Field4).U32(&F26).Time(&F11).Time(&F14).I32(&F13);
  r.I64(&F4).I64(&F8).U32(&F103);
  r.Text(&F1).Text(&F415).Text(&F21).Text(&F3).Text(&FileName);
  r.U32(&F22).U32(&F24).U32(&F406).U32(&F404).U32(&F16).Hash(&F15).U32(&Field23);
  r.Text(&F416).Text(&F417).U32(&F410).U32(&F411).U32(&F23).U64(&F412).U32(&Field30);
  if (Version >= 3) r.U32(&Field31).Hash(&F102);
  if (Version >= 4) r.Text(&F413).U32(&Field34).Text(&F414);
  if (Version >= 5) r.Text(&F419);
  if (Version >= 6) r.U32(&F420).U32(&F421);
  if (Version >= 8) r.U32(&Field39);
  if (Version >= 9) r.Text(&F409);
  Field41.clear();
  if (Version >= 10) r.Text(&Field41);
  if (Version >= 7) r.Map(&Properties);
  return r.ok();
}

}  // namespace legacy
