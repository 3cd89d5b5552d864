// IStream over one stream node of an open compound file.
#include <algorithm>
#include <cstring>
#include <new>

#include "cfb/elements.h"

namespace cfb {

namespace {

class StreamObject final : public win::IStream {
 public:
  StreamObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node, win::DWORD mode)
      : file_(std::move(file)), node_(std::move(node)), mode_(mode) {}
  // The located chain is let go with the handle and found again on the next
  // open: kept for every stream ever read, the chains of a large history
  // would cost as much memory as its whole tree.
  ~StreamObject() override { node_->extent.reset(); }

  win::ULONG AddRef() override { return ++refs_; }
  win::ULONG Release() override {
    win::ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  win::HRESULT Read(void* pv, win::ULONG cb, win::ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb > 0) return win::STG_E_INVALIDPOINTER;
    if (node_->detached) return kStgReverted;
    uint64_t left = position_ < node_->size ? node_->size - position_ : 0;
    win::ULONG n = static_cast<win::ULONG>(std::min<uint64_t>(cb, left));
    win::HRESULT hr = file_->ReadStream(*node_, position_, pv, n);
    if (hr != win::S_OK) return hr;
    position_ += n;
    if (pcbRead) *pcbRead = n;
    return win::S_OK;
  }

  win::HRESULT Write(const void* pv, win::ULONG cb, win::ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb > 0) return win::STG_E_INVALIDPOINTER;
    if (node_->detached) return kStgReverted;
    if (!CanWrite()) return win::STG_E_ACCESSDENIED;
    if (cb == 0) return win::S_OK;
    uint64_t end = position_ + cb;
    if (end > kMaxStreamSize) return win::STG_E_MEDIUMFULL;
    win::HRESULT hr = Resize(std::max(end, node_->size));
    if (hr != win::S_OK) return hr;
    memcpy(node_->data.data() + position_, pv, cb);
    position_ = end;
    if (pcbWritten) *pcbWritten = cb;
    return win::S_OK;
  }

  win::HRESULT Seek(win::LONGLONG move, win::DWORD origin,
                    win::ULONGLONG* newPosition) override {
    if (node_->detached) return kStgReverted;
    int64_t base;
    switch (origin) {
      case win::STREAM_SEEK_SET:
        base = 0;
        break;
      case win::STREAM_SEEK_CUR:
        base = static_cast<int64_t>(position_);
        break;
      case win::STREAM_SEEK_END:
        base = static_cast<int64_t>(node_->size);
        break;
      default:
        return win::STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && base + move < 0) || (move > 0 && move > INT64_MAX - base)) {
      return win::STG_E_INVALIDFUNCTION;
    }
    position_ = static_cast<uint64_t>(base + move);
    if (newPosition) *newPosition = position_;
    return win::S_OK;
  }

  win::HRESULT SetSize(win::ULONGLONG newSize) override {
    if (node_->detached) return kStgReverted;
    if (!CanWrite()) return win::STG_E_ACCESSDENIED;
    if (newSize > kMaxStreamSize) return win::STG_E_MEDIUMFULL;
    return Resize(newSize);
  }

  win::HRESULT Commit(win::DWORD) override {
    if (node_->detached) return kStgReverted;
    return file_->Commit(false);
  }

  win::HRESULT Stat(win::STATSTG* stat, win::DWORD flags) override {
    if (!stat) return win::STG_E_INVALIDPOINTER;
    if (node_->detached) return kStgReverted;
    return FillStat(*node_, mode_, flags, stat) ? win::S_OK : win::STG_E_INSUFFICIENTMEMORY;
  }

 private:
  bool CanWrite() const { return file_->writable() && (mode_ & 3) != win::STGM_READ; }

  win::HRESULT Resize(uint64_t size) {
    win::HRESULT hr = file_->MakeResident(*node_);
    if (hr != win::S_OK) return hr;
    try {
      node_->data.resize(static_cast<size_t>(size));
      if (size < node_->data.capacity() / 2) node_->data.shrink_to_fit();
    } catch (const std::bad_alloc&) {
      return win::STG_E_MEDIUMFULL;
    }
    node_->size = size;
    file_->MarkDirty();
    return win::S_OK;
  }

  std::shared_ptr<CompoundFile> file_;
  std::shared_ptr<Node> node_;
  win::DWORD mode_;
  uint64_t position_ = 0;
  win::ULONG refs_ = 1;
};

}  // namespace

win::IStream* NewStreamObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node,
                              win::DWORD mode) {
  return new StreamObject(std::move(file), std::move(node), mode);
}

}  // namespace cfb
