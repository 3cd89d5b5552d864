// Loads arbitrary bytes as an old task stream, a property map or a category
// record. The first byte picks the reader: the three task classes (their
// streams behind the class identifier), the property map, the category
// record.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "legacy/category_record.h"
#include "legacy/stream_reader.h"
#include "legacy/task_factory.h"
#include "memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const win::CLSID classes[] = {legacy::kGenericTaskClsid, legacy::kBtTaskClsid,
                                       legacy::kEmuleTaskClsid};
  historygen::MemoryStream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  switch (data[0] % 5) {
    case 0:
    case 1:
    case 2: {
      std::unique_ptr<legacy::LegacyTask> task = legacy::CreateLegacyTask(classes[data[0] % 5]);
      task->Load(&stream);
      break;
    }
    case 3: {
      legacy::PropertyMap properties;
      legacy::ReadPropertyMap(&stream, &properties);
      break;
    }
    case 4: {
      legacy::CategoryRecord record;
      record.Load(&stream);
      break;
    }
  }
  return 0;
}
