#include "legacy/category_record.h"

#include "legacy/stream_reader.h"

namespace legacy {

bool CategoryRecord::Load(win::IStream* stream) {
  return FieldReader(stream).U64(&Header).Text(&Name).Text(&Folder).ok();
}

}  // namespace legacy
