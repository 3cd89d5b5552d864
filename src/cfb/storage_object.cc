// IStorage over one storage node of an open compound file.
#include <new>
#include <string>

#include "cfb/elements.h"

namespace cfb {

namespace {

bool Writes(win::DWORD mode) { return (mode & 3) != win::STGM_READ; }

// Names are at most 31 units. New elements also may not be empty nor hold
// the characters the format reserves.
win::HRESULT CheckName(const char16_t* name, bool creating, std::u16string* out) {
  if (!name) return win::STG_E_INVALIDPOINTER;
  std::u16string s(name);
  if (s.size() > kMaxNameLength) return win::STG_E_INVALIDNAME;
  if (creating) {
    if (s.empty() || s.find_first_of(u"/\\:!") != std::u16string::npos) {
      return win::STG_E_INVALIDNAME;
    }
  }
  *out = std::move(s);
  return win::S_OK;
}

class StorageObject final : public win::IStorage {
 public:
  StorageObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node, win::DWORD mode)
      : file_(std::move(file)), node_(std::move(node)), mode_(mode) {}

  win::ULONG AddRef() override { return ++refs_; }
  win::ULONG Release() override {
    win::ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  win::HRESULT CreateStream(const char16_t* name, win::DWORD mode, win::DWORD, win::DWORD,
                            win::IStream** stream) override {
    if (!stream) return win::STG_E_INVALIDPOINTER;
    *stream = nullptr;
    std::shared_ptr<Node> node;
    win::HRESULT hr = CreateChild(name, mode, kTypeStream, &node);
    if (hr != win::S_OK) return hr;
    *stream = NewStreamObject(file_, std::move(node), mode);
    return win::S_OK;
  }

  win::HRESULT OpenStream(const char16_t* name, void*, win::DWORD mode, win::DWORD,
                          win::IStream** stream) override {
    if (!stream) return win::STG_E_INVALIDPOINTER;
    *stream = nullptr;
    std::shared_ptr<Node> node;
    win::HRESULT hr = FindChild(name, mode, false, &node);
    if (hr != win::S_OK) return hr;
    hr = file_->Prepare(*node);
    if (hr != win::S_OK) return hr;
    *stream = NewStreamObject(file_, std::move(node), mode);
    return win::S_OK;
  }

  win::HRESULT CreateStorage(const char16_t* name, win::DWORD mode, win::DWORD, win::DWORD,
                             win::IStorage** storage) override {
    if (!storage) return win::STG_E_INVALIDPOINTER;
    *storage = nullptr;
    std::shared_ptr<Node> node;
    win::HRESULT hr = CreateChild(name, mode, kTypeStorage, &node);
    if (hr != win::S_OK) return hr;
    *storage = NewStorageObject(file_, std::move(node), mode);
    return win::S_OK;
  }

  win::HRESULT OpenStorage(const char16_t* name, win::IStorage*, win::DWORD mode, void*,
                           win::DWORD, win::IStorage** storage) override {
    if (!storage) return win::STG_E_INVALIDPOINTER;
    *storage = nullptr;
    std::shared_ptr<Node> node;
    win::HRESULT hr = FindChild(name, mode, true, &node);
    if (hr != win::S_OK) return hr;
    *storage = NewStorageObject(file_, std::move(node), mode);
    return win::S_OK;
  }

  win::HRESULT EnumElements(win::DWORD, void*, win::DWORD,
                            win::IEnumSTATSTG** enumerator) override {
    if (!enumerator) return win::STG_E_INVALIDPOINTER;
    *enumerator = nullptr;
    if (node_->detached) return kStgReverted;
    try {
      *enumerator = NewEnumerator(*node_);
    } catch (const std::bad_alloc&) {
      return win::STG_E_INSUFFICIENTMEMORY;
    }
    return win::S_OK;
  }

  win::HRESULT DestroyElement(const char16_t* name) override {
    std::u16string key;
    win::HRESULT hr = CheckName(name, false, &key);
    if (hr != win::S_OK) return hr;
    if (node_->detached) return kStgReverted;
    if (!CanWrite()) return win::STG_E_ACCESSDENIED;
    std::shared_ptr<Node> gone = node_->children.Remove(key);
    if (!gone) return win::STG_E_FILENOTFOUND;
    DetachTree(*gone);
    file_->MarkDirty();
    return win::S_OK;
  }

  win::HRESULT Commit(win::DWORD) override {
    if (node_->detached) return kStgReverted;
    return file_->Commit(node_ == file_->root());
  }

  win::HRESULT Revert() override {
    if (node_ != file_->root()) return win::S_OK;
    return file_->Revert();
  }

  win::HRESULT Stat(win::STATSTG* stat, win::DWORD flags) override {
    if (!stat) return win::STG_E_INVALIDPOINTER;
    if (node_->detached) return kStgReverted;
    return FillStat(*node_, mode_, flags, stat) ? win::S_OK : win::STG_E_INSUFFICIENTMEMORY;
  }

 private:
  bool CanWrite() const { return file_->writable() && Writes(mode_); }

  win::HRESULT FindChild(const char16_t* name, win::DWORD mode, bool storage,
                         std::shared_ptr<Node>* out) {
    std::u16string key;
    win::HRESULT hr = CheckName(name, false, &key);
    if (hr != win::S_OK) return hr;
    if (node_->detached) return kStgReverted;
    if ((mode & 3) == 3) return win::STG_E_INVALIDFLAG;
    std::shared_ptr<Node> child = node_->children.Find(key);
    if (!child || child->isStorage() != storage) return win::STG_E_FILENOTFOUND;
    if (Writes(mode) && !CanWrite()) return win::STG_E_ACCESSDENIED;
    *out = std::move(child);
    return win::S_OK;
  }

  // A new child of that type; with STGM_CREATE it replaces an element of
  // the same name, whatever its type.
  win::HRESULT CreateChild(const char16_t* name, win::DWORD mode, uint8_t type,
                           std::shared_ptr<Node>* out) {
    std::u16string key;
    win::HRESULT hr = CheckName(name, true, &key);
    if (hr != win::S_OK) return hr;
    if (node_->detached) return kStgReverted;
    if ((mode & 3) == 3) return win::STG_E_INVALIDFLAG;
    if (!CanWrite()) return win::STG_E_ACCESSDENIED;
    try {
      if (node_->children.Find(key)) {
        if (!(mode & win::STGM_CREATE)) return win::STG_E_FILEALREADYEXISTS;
        DetachTree(*node_->children.Remove(key));
      }
      auto node = std::make_shared<Node>();
      node->name = key;
      node->type = type;
      if (type == kTypeStorage) node->ctime = node->mtime = FileTimeNow();
      node_->children.Insert(node);
      file_->MarkDirty();
      *out = std::move(node);
    } catch (const std::bad_alloc&) {
      return win::STG_E_INSUFFICIENTMEMORY;
    }
    return win::S_OK;
  }

  std::shared_ptr<CompoundFile> file_;
  std::shared_ptr<Node> node_;
  win::DWORD mode_;
  win::ULONG refs_ = 1;
};

}  // namespace

win::IStorage* NewStorageObject(std::shared_ptr<CompoundFile> file, std::shared_ptr<Node> node,
                                win::DWORD mode) {
  return new StorageObject(std::move(file), std::move(node), mode);
}

}  // namespace cfb
