// Structured storage over the compound-file engine: the Windows path is
// mapped into the prefix and the engine does the rest.

#include "storage/storage.h"

#include <string>

#include "cfb/engine.h"
#include "platform/paths.h"

namespace win {

HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode, char16_t** exclude,
                       DWORD reserved, IStorage** root) {
  if (!path || !root) return STG_E_INVALIDPOINTER;
  *root = nullptr;
  std::string host = platform::HostPathFromWide(path);
  if (host.empty()) return STG_E_FILENOTFOUND;
  return cfb::OpenCompoundFile(host.c_str(), mode, root);
}

HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** root) {
  if (!path || !root) return STG_E_INVALIDPOINTER;
  *root = nullptr;
  std::string host = platform::HostPathFromWide(path);
  if (host.empty()) return STG_E_INVALIDNAME;
  return cfb::CreateCompoundFile(host.c_str(), mode, root);
}

void CoTaskMemFree(void* p) { cfb::FreeName(p); }

}  // namespace win
