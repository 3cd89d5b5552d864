#include "compound_tree.h"

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "platform/codepage.h"

namespace testing_support {

std::string Utf8(const std::u16string& s) {
  std::string out(s.size() * 3, '\0');
  int n = win::WideCharToMultiByte(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? n : 0);
  return out;
}

std::u16string Utf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');
  int n = win::MultiByteToWideChar(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()),
                                   out.data(), static_cast<int>(out.size()));
  out.resize(n > 0 ? n : 0);
  return out;
}

namespace {

void ReadInto(win::IStorage* storage, const std::string& prefix, StorageTree* tree) {
  win::ComRef<win::IEnumSTATSTG> e;
  if (storage->EnumElements(0, nullptr, 0, e.out()) != win::S_OK) return;
  win::STATSTG st;
  win::ULONG got = 0;
  while (e->Next(1, &st, &got) == win::S_OK) {
    std::u16string name = st.pwcsName;
    cfb::FreeName(st.pwcsName);
    std::string path = prefix + Utf8(name);
    if (st.type == win::STGTY_STORAGE) {
      (*tree)[path + "/"] = "";
      win::ComRef<win::IStorage> child;
      if (storage->OpenStorage(name.c_str(), nullptr, 0x10, nullptr, 0, child.out()) ==
          win::S_OK) {
        ReadInto(child.get(), path + "/", tree);
      } else {
        (*tree)[path + "/"] = kUnreadable;
      }
      continue;
    }
    win::ComRef<win::IStream> stream;
    std::string content;
    if (storage->OpenStream(name.c_str(), nullptr, 0x10, 0, stream.out()) != win::S_OK) {
      content = kUnreadable;
    } else {
      char buf[65536];
      win::ULONG n = 0;
      while (stream->Read(buf, sizeof buf, &n) == win::S_OK && n > 0) content.append(buf, n);
      if (content.size() != st.cbSize) content = kUnreadable;
    }
    (*tree)[path] = content;
  }
}

}  // namespace

StorageTree ReadStorage(win::IStorage* storage) {
  StorageTree tree;
  ReadInto(storage, "", &tree);
  return tree;
}

StorageTree ReadFileTree(const std::string& path, win::HRESULT* hr, win::DWORD mode) {
  win::ComRef<win::IStorage> root;
  *hr = cfb::OpenCompoundFile(path.c_str(), mode, root.out());
  if (*hr != win::S_OK) return {};
  return ReadStorage(root.get());
}

}  // namespace testing_support
