// The enumerator over a storage's children. It works on a snapshot taken
// when it is made, so changes to the storage cannot invalidate it.
#include <vector>

#include "cfb/elements.h"

namespace cfb {

namespace {

class Enumerator final : public win::IEnumSTATSTG {
 public:
  explicit Enumerator(const Node& storage) {
    items_.reserve(storage.children.size());
    for (const auto& child : storage.children) items_.push_back(child);
  }

  win::ULONG AddRef() override { return ++refs_; }
  win::ULONG Release() override {
    win::ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  win::HRESULT Next(win::ULONG celt, win::STATSTG* elements, win::ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!elements || (!fetched && celt != 1)) return win::STG_E_INVALIDPOINTER;
    win::ULONG done = 0;
    while (done < celt && next_ < items_.size()) {
      if (!FillStat(*items_[next_], 0, win::STATFLAG_DEFAULT, &elements[done])) {
        for (win::ULONG i = 0; i < done; ++i) FreeName(elements[i].pwcsName);
        return win::STG_E_INSUFFICIENTMEMORY;
      }
      ++done;
      ++next_;
    }
    if (fetched) *fetched = done;
    return done == celt ? win::S_OK : win::S_FALSE;
  }

  win::HRESULT Skip(win::ULONG celt) override {
    size_t left = items_.size() - next_;
    next_ += celt < left ? celt : left;
    return celt <= left ? win::S_OK : win::S_FALSE;
  }

  win::HRESULT Reset() override {
    next_ = 0;
    return win::S_OK;
  }

 private:
  // The nodes themselves are shared, so sizes reported are current ones.
  std::vector<std::shared_ptr<Node>> items_;
  size_t next_ = 0;
  win::ULONG refs_ = 1;
};

}  // namespace

win::IEnumSTATSTG* NewEnumerator(const Node& storage) { return new Enumerator(storage); }

}  // namespace cfb
