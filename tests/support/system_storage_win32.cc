#include "system_storage.h"

#include <objbase.h>
#include <windows.h>

#include <vector>

#include "base/com_ref.h"

namespace testing_support {
namespace {

constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr ULONG kChunk = 65536;

const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::string Marks(const STATSTG& st) {
  return st.clsid == CLSID_NULL && st.grfStateBits == 0 ? "" : kClassSet;
}

void ReadInto(IStorage* storage, const std::string& prefix, StorageTree* tree) {
  win::ComRef<IEnumSTATSTG> e;
  if (storage->EnumElements(0, nullptr, 0, e.out()) != S_OK) {
    (*tree)[prefix] = kUnreadable;
    return;
  }
  STATSTG st;
  while (e->Next(1, &st, nullptr) == S_OK) {
    std::u16string name(reinterpret_cast<const char16_t*>(st.pwcsName));
    ::CoTaskMemFree(st.pwcsName);
    std::string path = prefix + Utf8(name);
    if (st.type == STGTY_STORAGE) {
      win::ComRef<IStorage> child;
      if (storage->OpenStorage(Wide(name), nullptr, kRead, nullptr, 0, child.out()) != S_OK) {
        (*tree)[path + "/"] = kUnreadable;
        continue;
      }
      (*tree)[path + "/"] = Marks(st);
      ReadInto(child.get(), path + "/", tree);
      continue;
    }
    win::ComRef<IStream> stream;
    std::string content;
    if (storage->OpenStream(Wide(name), nullptr, kRead, 0, stream.out()) == S_OK) {
      std::vector<char> buf(kChunk);
      ULONG n = 0;
      while (stream->Read(buf.data(), kChunk, &n) == S_OK && n > 0) content.append(buf.data(), n);
    }
    (*tree)[path] = content.size() == st.cbSize.QuadPart ? content : kUnreadable;
  }
}

}  // namespace

StorageTree ReadWithSystemStorage(const std::string& path, long* hr) {
  StorageTree tree;
  win::ComRef<IStorage> root;
  *hr = ::StgOpenStorage(Wide(Utf16(path)), nullptr, kRead, nullptr, 0, root.out());
  if (*hr != S_OK) return tree;
  STATSTG st;
  if (root->Stat(&st, STATFLAG_NONAME) == S_OK && !Marks(st).empty()) tree["/"] = kClassSet;
  ReadInto(root.get(), "", &tree);
  return tree;
}

bool WriteWithSystemStorage(const std::string& path, const StorageTree& tree) {
  win::ComRef<IStorage> root;
  if (::StgCreateDocfile(Wide(Utf16(path)), kWrite | STGM_CREATE, 0, root.out()) != S_OK)
    return false;
  for (const auto& [name, content] : tree) {
    std::vector<std::string> parts = SplitTreePath(name);
    bool isStorage = name.back() == '/';
    // The storages on the way down, held until the element is written.
    std::vector<win::ComRef<IStorage>> chain(parts.size());
    IStorage* at = root.get();
    for (size_t i = 0; i + (isStorage ? 0 : 1) < parts.size(); ++i) {
      std::u16string part = Utf16(parts[i]);
      if (at->OpenStorage(Wide(part), nullptr, kWrite, nullptr, 0, chain[i].out()) != S_OK &&
          at->CreateStorage(Wide(part), kWrite | STGM_CREATE, 0, 0, chain[i].out()) != S_OK)
        return false;
      at = chain[i].get();
    }
    if (isStorage) continue;
    win::ComRef<IStream> s;
    ULONG written = 0;
    if (at->CreateStream(Wide(Utf16(parts.back())), kWrite | STGM_CREATE, 0, 0, s.out()) != S_OK ||
        (!content.empty() &&
         s->Write(content.data(), static_cast<ULONG>(content.size()), &written) != S_OK) ||
        written != content.size())
      return false;
  }
  return root->Commit(STGC_DEFAULT) == S_OK;
}

}  // namespace testing_support
