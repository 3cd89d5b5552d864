// BufferedStream reads another stream ahead in blocks and hands the bytes
// out in the small pieces the record readers ask for, so that loading a task
// costs a few reads of the underlying stream instead of one per field. It
// only reads, front to back; it lives on the stack and does not own the
// stream it reads.
#pragma once

#include <cstddef>
#include <vector>

#include "base/com.h"

namespace legacy {

class BufferedStream final : public win::IStream {
 public:
  explicit BufferedStream(win::IStream* source) : source_(source) {}
  ~BufferedStream() override = default;
  BufferedStream(const BufferedStream&) = delete;
  BufferedStream& operator=(const BufferedStream&) = delete;

  win::ULONG AddRef() override { return 1; }
  win::ULONG Release() override { return 1; }

  // Fewer bytes than asked only at the end of the source.
  win::HRESULT Read(void* pv, win::ULONG cb, win::ULONG* pcbRead) override;

  win::HRESULT Write(const void*, win::ULONG, win::ULONG*) override { return win::STG_E_ACCESSDENIED; }
  win::HRESULT Seek(win::LONGLONG, win::DWORD, win::ULONGLONG*) override { return win::E_NOTIMPL; }
  win::HRESULT SetSize(win::ULONGLONG) override { return win::STG_E_ACCESSDENIED; }
  win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
  win::HRESULT Stat(win::STATSTG* stat, win::DWORD flags) override {
    return source_->Stat(stat, flags);
  }

 private:
  win::IStream* source_;
  std::vector<unsigned char> buffer_;
  size_t next_ = 0;  // first unread byte of buffer_
  bool exhausted_ = false;
};

}  // namespace legacy
