// MemoryStream is an IStream over bytes in memory, so stream readers can be
// exercised without a compound file. It lives on the stack or as a member:
// Release never deletes it.
#pragma once

#include <string>

#include "base/com.h"

namespace historygen {

class MemoryStream : public win::IStream {
 public:
  explicit MemoryStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  ~MemoryStream() override = default;

  win::ULONG AddRef() override { return ++refs_; }
  win::ULONG Release() override { return refs_ > 0 ? --refs_ : 0; }

  win::HRESULT Read(void* pv, win::ULONG cb, win::ULONG* pcbRead) override;
  win::HRESULT Write(const void* pv, win::ULONG cb, win::ULONG* pcbWritten) override;
  win::HRESULT Seek(win::LONGLONG move, win::DWORD origin, win::ULONGLONG* newPosition) override;
  win::HRESULT SetSize(win::ULONGLONG newSize) override;
  win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
  win::HRESULT Stat(win::STATSTG* stat, win::DWORD flags) override;

  const std::string& bytes() const { return bytes_; }
  size_t position() const { return pos_; }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  win::ULONG refs_ = 1;
};

}  // namespace historygen
