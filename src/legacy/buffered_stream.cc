#include "legacy/buffered_stream.h"

#include <algorithm>
#include <cstring>

namespace legacy {
namespace {

constexpr size_t kBlock = 16 * 1024;

}  // namespace

win::HRESULT BufferedStream::Read(void* pv, win::ULONG cb, win::ULONG* pcbRead) {
  unsigned char* out = static_cast<unsigned char*>(pv);
  size_t done = 0;
  win::HRESULT result = win::S_OK;
  while (done < cb) {
    if (next_ == buffer_.size()) {
      if (exhausted_) break;
      // Large requests go straight through; small ones refill the block.
      const size_t want = cb - done;
      if (want >= kBlock) {
        win::ULONG got = 0;
        result = source_->Read(out + done, static_cast<win::ULONG>(want), &got);
        done += got;
        if (win::FAILED(result) || got < want) exhausted_ = true;
        break;
      }
      buffer_.resize(kBlock);
      win::ULONG got = 0;
      result = source_->Read(buffer_.data(), static_cast<win::ULONG>(kBlock), &got);
      buffer_.resize(win::FAILED(result) ? 0 : got);
      next_ = 0;
      if (win::FAILED(result) || got < kBlock) exhausted_ = true;  // end of the source
      if (buffer_.empty()) break;
    }
    const size_t take = std::min<size_t>(cb - done, buffer_.size() - next_);
    std::memcpy(out + done, buffer_.data() + next_, take);
    next_ += take;
    done += take;
  }
  if (pcbRead) *pcbRead = static_cast<win::ULONG>(done);
  return win::FAILED(result) && done == 0 ? result : win::S_OK;
}

}  // namespace legacy
