#include "legacy/legacy_task.h"

namespace legacy {

// The eMule layout has no version limit: every version reads the same
// fields, bar the two that came and went early on.
bool LegacyEmuleTask::Load(win::IStream* stream) {
  FieldReader r(stream);
  r.U32(&Version).Map(&Properties).U32(&State).U64(&LegacyId).U64(&Field5).U32(&F26);
  r.U32(&Field7);
  if (Version != 0) r.U32(&Field8);
  r.Text(&F1).Text(&F3).Text(&FileName).Text(&Field12).Text(&F511);
  Field14.clear();
  if (Version >= 2) r.Text(&Field14);
  r.Text(&F510).U32(&F24).U32(&F22).Flag(&F103).Flag(&F16).Hash(&F15);
  r.Flag(&Field21).Hash(&F102).Flag(&HasF506).Text(&F506);
  if (!HasF506) F506.clear();
  r.Flag(&Field25).Hash(&F508).Time(&F11).Time(&F14).I32(&F13).I64(&F4).I64(&F8).U64(&Field32);
  return r.ok();
}

}  // namespace legacy
