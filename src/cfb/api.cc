// The entry points: opening and creating compound files.
#include "cfb/compound_file.h"
#include "cfb/elements.h"
#include "cfb/engine.h"

namespace cfb {

win::HRESULT OpenCompoundFile(const char* hostPath, win::DWORD mode, win::IStorage** root) {
  if (!root) return win::STG_E_INVALIDPOINTER;
  *root = nullptr;
  std::shared_ptr<CompoundFile> file;
  win::HRESULT hr = CompoundFile::Open(hostPath, mode, &file);
  if (hr != win::S_OK) return hr;
  *root = NewStorageObject(file, file->root(), mode);
  return win::S_OK;
}

win::HRESULT CreateCompoundFile(const char* hostPath, win::DWORD mode, win::IStorage** root) {
  if (!root) return win::STG_E_INVALIDPOINTER;
  *root = nullptr;
  std::shared_ptr<CompoundFile> file;
  win::HRESULT hr = CompoundFile::Create(hostPath, mode, &file);
  if (hr != win::S_OK) return hr;
  *root = NewStorageObject(file, file->root(), mode);
  return win::S_OK;
}

}  // namespace cfb
