#include "memory_stream.h"

#include <algorithm>
#include <cstring>

namespace historygen {

win::HRESULT MemoryStream::Read(void* pv, win::ULONG cb, win::ULONG* pcbRead) {
  const size_t n = pos_ < bytes_.size() ? std::min<size_t>(cb, bytes_.size() - pos_) : 0;
  if (n > 0) std::memcpy(pv, bytes_.data() + pos_, n);
  pos_ += n;
  if (pcbRead) *pcbRead = static_cast<win::ULONG>(n);
  return win::S_OK;
}

win::HRESULT MemoryStream::Write(const void* pv, win::ULONG cb, win::ULONG* pcbWritten) {
  if (pos_ + cb > bytes_.size()) bytes_.resize(pos_ + cb);
  std::memcpy(bytes_.data() + pos_, pv, cb);
  pos_ += cb;
  if (pcbWritten) *pcbWritten = cb;
  return win::S_OK;
}

win::HRESULT MemoryStream::Seek(win::LONGLONG move, win::DWORD origin,
                                win::ULONGLONG* newPosition) {
  win::LONGLONG base = 0;
  if (origin == win::STREAM_SEEK_CUR) base = static_cast<win::LONGLONG>(pos_);
  if (origin == win::STREAM_SEEK_END) base = static_cast<win::LONGLONG>(bytes_.size());
  if (base + move < 0) return win::STG_E_INVALIDFUNCTION;
  pos_ = static_cast<size_t>(base + move);
  if (newPosition) *newPosition = pos_;
  return win::S_OK;
}

win::HRESULT MemoryStream::SetSize(win::ULONGLONG newSize) {
  bytes_.resize(static_cast<size_t>(newSize));
  return win::S_OK;
}

win::HRESULT MemoryStream::Stat(win::STATSTG* stat, win::DWORD) {
  std::memset(stat, 0, sizeof *stat);
  stat->type = win::STGTY_STREAM;
  stat->cbSize = bytes_.size();
  return win::S_OK;
}

}  // namespace historygen
